#pragma once
// Stands between a mail composer and the opener that showed it: it keeps itself alive while
// attached to the composer, hands the composer's finish to the opener, and when the opener is
// gone closes the composer itself. Main thread only.
#include <memory>

#include "platform/compose/MailComposeViewController.h"

class DZMailComposeDelegateProxy : public platform::compose::MailComposeDelegate,
                                   public std::enable_shared_from_this<DZMailComposeDelegateProxy> {
  public:
    // A new proxy attached to the composer.
    static std::shared_ptr<DZMailComposeDelegateProxy> associatedDelegateProxyForController(
        const std::shared_ptr<platform::compose::MailComposeViewController>& controller);

    void setMailComposeDelegate(std::weak_ptr<platform::compose::MailComposeDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    std::shared_ptr<platform::compose::MailComposeDelegate> mailComposeDelegate() const {
        return delegate_.lock();
    }
    // The old composer is let go (its delegate cleared); the new one's delegate becomes this proxy.
    void setMailComposeViewController(
        std::shared_ptr<platform::compose::MailComposeViewController> controller);
    const std::shared_ptr<platform::compose::MailComposeViewController>& mailComposeViewController() const {
        return controller_;
    }
    void stopProxying();

    void mailComposeControllerDidFinish(platform::compose::MailComposeViewController& controller,
                                        platform::compose::ComposeResult result) override;

  private:
    std::shared_ptr<DZMailComposeDelegateProxy> strongSelf_;
    std::weak_ptr<platform::compose::MailComposeDelegate> delegate_;
    std::shared_ptr<platform::compose::MailComposeViewController> controller_;
};
