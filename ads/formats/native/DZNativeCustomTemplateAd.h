#pragma once
// A native ad on a template the publisher defined on the ad server: named text and picture assets
// the app asks for by key, clicks reported per key, and a custom click the app handles itself
// once the support page answers. A custom click not answered within kCustomClickExpirySeconds is
// dropped (logged) so later ones are taken again. Main thread only.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ads/formats/native/DZNativeAd.h"

class DZNativeAdImage;
namespace platform {
class MainLoopTimer;
}
namespace platform::ui {
class NotificationCenter;
}

class DZNativeCustomTemplateAd : public DZNativeAd {
  public:
    static constexpr double kCustomClickExpirySeconds = 10;
    // Asset elements read from "custom_assets" at most.
    static constexpr std::size_t kMaxAssets = 64;
    inline static const std::string kCustomClickMessage = "nativeAdCustomClick";

    // Null without a "custom_template_id" string or number.
    static std::shared_ptr<DZNativeCustomTemplateAd> create(const nlohmann::json& dictionary,
                                                            const DZAdLoaderOptionsByClass& options);
    // {"format": 3, "custom_template_ids": [the delegate's ids as strings]}
    static nlohmann::json requestParametersForAdLoader(DZAdLoader& loader);

    ~DZNativeCustomTemplateAd() override;

    DZNativeAdClass adClass() const override { return DZNativeAdClass::kCustomTemplate; }
    const std::string& templateID() const { return templateID_; }
    // Text assets and ready pictures, sorted without case.
    std::vector<std::string> availableAssetKeys() const;
    std::optional<std::string> stringForKey(const std::string& key) const;
    std::shared_ptr<DZNativeAdImage> imageForKey(const std::string& key) const;
    // With a handler, the support page is asked to answer instead of opening the click; the
    // handler runs when it does. One such click at a time.
    void performClickOnAssetWithKey(const std::string& key, std::function<void()> customClickHandler = {});
    bool hasPendingCustomClick() const { return static_cast<bool>(customClickHandler_); }
    std::string description() const;

    void setSlot(const std::shared_ptr<DZSlot>& slot) override;
    std::string clickActionTemplateID() const override { return "3"; }
    std::set<std::string> requiredAssets() const override;
    // Only a template the request asked for.
    bool hasValidConfigurationForRequestParameters(const nlohmann::json& parameters) const override;
    void loadAssets(AssetCompletion completion) override;
    void adLoaderDidReceiveAd(DZAdLoader& loader) override;

    // Use create().
    DZNativeCustomTemplateAd(const nlohmann::json& dictionary, std::string templateID,
                             const DZAdLoaderOptionsByClass& options);

  private:
    void startImageLoads(const std::map<std::string, std::shared_ptr<DZNativeAdImage>>& images);
    void setImage(const std::shared_ptr<DZNativeAdImage>& image, const std::string& key);
    void handleNativeAdCustomClick();
    void stopObserving();

    std::string templateID_;
    std::map<std::string, std::optional<std::string>> stringAssets_;
    std::map<std::string, std::shared_ptr<DZNativeAdImage>> requiredImages_;
    std::map<std::string, std::shared_ptr<DZNativeAdImage>> optionalImages_;
    std::map<std::string, std::shared_ptr<DZNativeAdImage>> imageAssets_;
    std::set<std::string> availableAssetKeys_;
    std::function<void()> customClickHandler_;
    std::shared_ptr<platform::MainLoopTimer> customClickExpiry_;
    bool disableImageLoading_ = false;
    std::uint64_t observerToken_ = 0;
};
