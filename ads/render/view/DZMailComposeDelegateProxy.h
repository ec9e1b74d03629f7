#pragma once
// The mail composer's proxy (see DZComposeDelegateProxy).
#include "ads/render/view/DZComposeDelegateProxy.h"
#include "platform/compose/MailComposeViewController.h"

class DZMailComposeDelegateProxy
    : public DZComposeDelegateProxy<DZMailComposeDelegateProxy, platform::compose::MailComposeViewController,
                                    platform::compose::MailComposeDelegate> {
  public:
    void setMailComposeDelegate(std::weak_ptr<platform::compose::MailComposeDelegate> delegate) {
        setDelegate(std::move(delegate));
    }
    std::shared_ptr<platform::compose::MailComposeDelegate> mailComposeDelegate() const { return delegate(); }
    void setMailComposeViewController(
        std::shared_ptr<platform::compose::MailComposeViewController> controller) {
        attach(std::move(controller));
    }
    const std::shared_ptr<platform::compose::MailComposeViewController>& mailComposeViewController() const {
        return controller();
    }

    void mailComposeControllerDidFinish(platform::compose::MailComposeViewController& controller,
                                        platform::compose::ComposeResult result) override;

    static void setProxyOf(platform::compose::MailComposeViewController& controller,
                           std::weak_ptr<platform::compose::MailComposeDelegate> proxy) {
        controller.setMailComposeDelegate(std::move(proxy));
    }
};
