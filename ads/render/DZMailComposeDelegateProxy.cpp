#include "ads/render/DZMailComposeDelegateProxy.h"

#include "platform/dispatch/DispatchQueue.h"

using platform::compose::MailComposeViewController;

std::shared_ptr<DZMailComposeDelegateProxy> DZMailComposeDelegateProxy::associatedDelegateProxyForController(
    const std::shared_ptr<MailComposeViewController>& controller) {
    auto proxy = std::make_shared<DZMailComposeDelegateProxy>();
    proxy->setMailComposeViewController(controller);
    return proxy;
}

void DZMailComposeDelegateProxy::setMailComposeViewController(
    std::shared_ptr<MailComposeViewController> controller) {
    if (controller == controller_) return;
    // Released last: it may be what keeps this proxy alive.
    auto self = std::move(strongSelf_);
    if (controller_) controller_->setMailComposeDelegate({});
    controller_ = std::move(controller);
    if (controller_) {
        controller_->setMailComposeDelegate(weak_from_this());
        strongSelf_ = shared_from_this();
    }
}

void DZMailComposeDelegateProxy::stopProxying() {
    auto self = shared_from_this();
    setMailComposeViewController(nullptr);
    delegate_.reset();
}

void DZMailComposeDelegateProxy::mailComposeControllerDidFinish(MailComposeViewController& controller,
                                                                platform::compose::ComposeResult result) {
    auto self = shared_from_this();
    if (auto delegate = delegate_.lock()) {
        delegate->mailComposeControllerDidFinish(controller, result);
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
