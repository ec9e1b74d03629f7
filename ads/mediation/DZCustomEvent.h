#pragma once
// What every custom event (the app's own ad code, named in a mediation response) derives from.
// The app registers each in platform::ClassRegistry with the kinds it serves, and its factory
// gives the DZCustomEvent itself:
//
//     platform::ClassRegistry::shared().registerClass(
//         "MyBanner", {DZCustomEvent::kBannerKind},
//         [] { return
//         std::static_pointer_cast<void>(std::shared_ptr<DZCustomEvent>(std::make_shared<MyBanner>())); });
//
// Only names registered with one of the kinds below are ever made: a response cannot make the
// app build any other class by naming it. A custom event holds its delegate weakly and may call
// it from any thread.
#include <memory>
#include <mutex>
#include <string>

class DZCustomEvent {
  public:
    inline static const std::string kBannerKind = "DZCustomEventBanner";
    inline static const std::string kInterstitialKind = "DZCustomEventInterstitial";
    inline static const std::string kNativeAdKind = "DZCustomEventNativeAd";

    virtual ~DZCustomEvent() = default;
};

// The weakly held delegate of a custom event: set on the main thread, read from whichever thread
// the custom event answers on.
template <class Delegate>
class DZCustomEventDelegateHolder {
  public:
    std::shared_ptr<Delegate> delegate() const {
        std::lock_guard lock(mutex_);
        return delegate_.lock();
    }
    void setDelegate(std::weak_ptr<Delegate> delegate) {
        std::lock_guard lock(mutex_);
        delegate_ = std::move(delegate);
    }

  private:
    mutable std::mutex mutex_;
    std::weak_ptr<Delegate> delegate_;
};
