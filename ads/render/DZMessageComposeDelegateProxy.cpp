#include "ads/render/DZMessageComposeDelegateProxy.h"

#include "platform/dispatch/DispatchQueue.h"

using platform::compose::MessageComposeViewController;

std::shared_ptr<DZMessageComposeDelegateProxy>
DZMessageComposeDelegateProxy::associatedDelegateProxyForController(
    const std::shared_ptr<MessageComposeViewController>& controller) {
    auto proxy = std::make_shared<DZMessageComposeDelegateProxy>();
    proxy->setMessageComposeViewController(controller);
    return proxy;
}

void DZMessageComposeDelegateProxy::setMessageComposeViewController(
    std::shared_ptr<MessageComposeViewController> controller) {
    if (controller == controller_) return;
    // Released last: it may be what keeps this proxy alive.
    auto self = std::move(strongSelf_);
    if (controller_) controller_->setMessageComposeDelegate({});
    controller_ = std::move(controller);
    if (controller_) {
        controller_->setMessageComposeDelegate(weak_from_this());
        strongSelf_ = shared_from_this();
    }
}

void DZMessageComposeDelegateProxy::stopProxying() {
    auto self = shared_from_this();
    setMessageComposeViewController(nullptr);
    delegate_.reset();
}

void DZMessageComposeDelegateProxy::messageComposeViewControllerDidFinish(
    MessageComposeViewController& controller, platform::compose::ComposeResult result) {
    auto self = shared_from_this();
    if (auto delegate = delegate_.lock()) {
        delegate->messageComposeViewControllerDidFinish(controller, result);
        return;
    }
    platform::DispatchQueue::main()->async([self] {
        auto composer = self->controller_;
        auto* presenting = composer ? composer->presentingViewController() : nullptr;
        if (!presenting) {
            self->stopProxying();
            return;
        }
        presenting->dismissViewController(true, [self] { self->stopProxying(); });
    });
}
