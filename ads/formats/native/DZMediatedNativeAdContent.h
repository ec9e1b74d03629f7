#pragma once
// What a mediation adapter's native ad offers: its assets (an app-install or a content ad), extra
// assets, and where it reports what the app's view did with it. The network's screen events reach
// the native ad that wraps it through reportScreenEvent, from any thread.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/core/DZMediatedNativeAd.h"

class DZNativeAdImage;
namespace platform::ui {
class View;
class ViewController;
}  // namespace platform::ui

// What the network hears back; every call is optional.
class DZMediatedNativeAdDelegate {
  public:
    virtual ~DZMediatedNativeAdDelegate() = default;
    virtual void mediatedNativeAdDidRecordImpression(DZMediatedAd&) {}
    virtual void mediatedNativeAdDidRecordClickOnAssetWithName(
        DZMediatedAd&, const std::string& /*assetName*/, platform::ui::View* /*view*/,
        platform::ui::ViewController* /*viewController*/) {}
    virtual void mediatedNativeAdDidRenderInView(DZMediatedAd&, platform::ui::View& /*view*/) {}
};

enum class DZNativeAdScreenEvent {
    kWillPresentScreen,
    kWillDismissScreen,
    kDidDismissScreen,
    kWillLeaveApplication
};

class DZMediatedNativeAdContent : public DZMediatedAd {
  public:
    using ScreenListener = std::function<void(DZNativeAdScreenEvent)>;

    virtual std::shared_ptr<DZMediatedNativeAdDelegate> mediatedNativeAdDelegate() const { return nullptr; }
    virtual nlohmann::json extraAssets() const { return nlohmann::json::object(); }

    // The wrapping native ad listens; any thread may report.
    void setScreenListener(ScreenListener listener) {
        std::lock_guard lock(mutex_);
        listener_ = std::move(listener);
    }
    void reportScreenEvent(DZNativeAdScreenEvent event) const {
        ScreenListener listener;
        {
            std::lock_guard lock(mutex_);
            listener = listener_;
        }
        if (listener) listener(event);
    }

  private:
    mutable std::mutex mutex_;
    ScreenListener listener_;
};

class DZMediatedNativeAppInstallAd : public DZMediatedNativeAdContent {
  public:
    virtual std::string headline() const = 0;
    virtual std::vector<std::shared_ptr<DZNativeAdImage>> images() const = 0;
    virtual std::string body() const = 0;
    virtual std::shared_ptr<DZNativeAdImage> icon() const = 0;
    virtual std::string callToAction() const = 0;
    virtual double starRating() const = 0;
    virtual std::string store() const = 0;
    virtual std::string price() const = 0;
};

class DZMediatedNativeContentAd : public DZMediatedNativeAdContent {
  public:
    virtual std::string headline() const = 0;
    virtual std::string body() const = 0;
    virtual std::vector<std::shared_ptr<DZNativeAdImage>> images() const = 0;
    virtual std::shared_ptr<DZNativeAdImage> logo() const = 0;
    virtual std::string callToAction() const = 0;
    virtual std::string advertiser() const = 0;
};
