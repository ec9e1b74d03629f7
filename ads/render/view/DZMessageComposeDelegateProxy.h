#pragma once
// The message composer's proxy (see DZComposeDelegateProxy).
#include "ads/render/view/DZComposeDelegateProxy.h"
#include "platform/compose/MessageComposeViewController.h"

class DZMessageComposeDelegateProxy
    : public DZComposeDelegateProxy<DZMessageComposeDelegateProxy,
                                    platform::compose::MessageComposeViewController,
                                    platform::compose::MessageComposeDelegate> {
  public:
    void setMessageComposeDelegate(std::weak_ptr<platform::compose::MessageComposeDelegate> delegate) {
        setDelegate(std::move(delegate));
    }
    std::shared_ptr<platform::compose::MessageComposeDelegate> messageComposeDelegate() const {
        return delegate();
    }
    void setMessageComposeViewController(
        std::shared_ptr<platform::compose::MessageComposeViewController> controller) {
        attach(std::move(controller));
    }
    const std::shared_ptr<platform::compose::MessageComposeViewController>& messageComposeViewController()
        const {
        return controller();
    }

    void messageComposeViewControllerDidFinish(platform::compose::MessageComposeViewController& controller,
                                               platform::compose::ComposeResult result) override;

    static void setProxyOf(platform::compose::MessageComposeViewController& controller,
                           std::weak_ptr<platform::compose::MessageComposeDelegate> proxy) {
        controller.setMessageComposeDelegate(std::move(proxy));
    }
};
