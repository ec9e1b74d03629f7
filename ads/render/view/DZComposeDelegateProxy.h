#pragma once
// What the mail and the message composers' proxies share. A proxy stands between a composer and
// the opener that showed it: it keeps itself alive while attached to the composer, hands the
// composer's finish to the opener, and when the opener is gone closes the composer itself. The
// derived proxy names the composer's delegate setter (setProxyOf) and hands the finish on in its
// own words. Main thread only.
#include <memory>

#include "platform/dispatch/DispatchQueue.h"
#include "platform/ui/ViewController.h"

template <class Derived, class Controller, class Delegate>
class DZComposeDelegateProxy : public Delegate, public std::enable_shared_from_this<Derived> {
  public:
    // A new proxy attached to the composer.
    static std::shared_ptr<Derived> associatedDelegateProxyForController(
        const std::shared_ptr<Controller>& controller) {
        auto proxy = std::make_shared<Derived>();
        proxy->attach(controller);
        return proxy;
    }

    void stopProxying() {
        auto self = this->shared_from_this();
        attach(nullptr);
        delegate_.reset();
    }

  protected:
    void setDelegate(std::weak_ptr<Delegate> delegate) { delegate_ = std::move(delegate); }
    std::shared_ptr<Delegate> delegate() const { return delegate_.lock(); }
    const std::shared_ptr<Controller>& controller() const { return controller_; }

    // The old composer is let go (its delegate cleared); the new one's delegate becomes this proxy.
    void attach(std::shared_ptr<Controller> controller) {
        if (controller == controller_) return;
        // Released last: it may be what keeps this proxy alive.
        auto self = std::move(strongSelf_);
        if (controller_) Derived::setProxyOf(*controller_, {});
        controller_ = std::move(controller);
        if (controller_) {
            Derived::setProxyOf(*controller_, this->weak_from_this());
            strongSelf_ = this->shared_from_this();
        }
    }

    // `forward(delegate)` hands the finish to the opener; without one the composer is closed here.
    template <class Forward>
    void finished(Forward&& forward) {
        auto self = this->shared_from_this();
        if (auto delegate = delegate_.lock()) {
            forward(*delegate);
            return;
        }
        platform::DispatchQueue::main()->async([self] {
            auto composer = static_cast<DZComposeDelegateProxy&>(*self).controller_;
            auto* presenting = composer ? composer->presentingViewController() : nullptr;
            if (!presenting) {
                self->stopProxying();
                return;
            }
            presenting->dismissViewController(true, [self] { self->stopProxying(); });
        });
    }

  private:
    std::shared_ptr<Derived> strongSelf_;
    std::weak_ptr<Delegate> delegate_;
    std::shared_ptr<Controller> controller_;
};
