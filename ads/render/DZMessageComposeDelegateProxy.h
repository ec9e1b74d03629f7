#pragma once
// Stands between a message composer and the opener that showed it: it keeps itself alive while
// attached to the composer, hands the composer's finish to the opener, and when the opener is
// gone closes the composer itself. Main thread only.
#include <memory>

#include "platform/compose/MessageComposeViewController.h"

class DZMessageComposeDelegateProxy : public platform::compose::MessageComposeDelegate,
                                      public std::enable_shared_from_this<DZMessageComposeDelegateProxy> {
  public:
    // A new proxy attached to the composer.
    static std::shared_ptr<DZMessageComposeDelegateProxy> associatedDelegateProxyForController(
        const std::shared_ptr<platform::compose::MessageComposeViewController>& controller);

    void setMessageComposeDelegate(std::weak_ptr<platform::compose::MessageComposeDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    std::shared_ptr<platform::compose::MessageComposeDelegate> messageComposeDelegate() const {
        return delegate_.lock();
    }
    // The old composer is let go (its delegate cleared); the new one's delegate becomes this proxy.
    void setMessageComposeViewController(
        std::shared_ptr<platform::compose::MessageComposeViewController> controller);
    const std::shared_ptr<platform::compose::MessageComposeViewController>& messageComposeViewController()
        const {
        return controller_;
    }
    void stopProxying();

    void messageComposeViewControllerDidFinish(platform::compose::MessageComposeViewController& controller,
                                               platform::compose::ComposeResult result) override;

  private:
    std::shared_ptr<DZMessageComposeDelegateProxy> strongSelf_;
    std::weak_ptr<platform::compose::MessageComposeDelegate> delegate_;
    std::shared_ptr<platform::compose::MessageComposeViewController> controller_;
};
