#pragma once
// A native ad for content: headline, body, call to action, advertiser, logo and images. It needs
// a headline and a body; a value of the wrong type counts as missing. Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "ads/formats/native/DZNativeImageAd.h"

class DZNativeContentAd : public DZNativeImageAd {
  public:
    // Null when the dictionary lacks a field the ad needs.
    static std::shared_ptr<DZNativeContentAd> create(const nlohmann::json& dictionary,
                                                     const DZAdLoaderOptionsByClass& options);
    // Null unless the network's ad is a content ad with every field the ad needs.
    static std::shared_ptr<DZNativeContentAd> createMediated(std::shared_ptr<DZMediatedNativeAd> mediated,
                                                             const DZAdLoaderOptionsByClass& options);
    // {"format": 1}
    static nlohmann::json requestParametersForAdLoader(DZAdLoader& loader);

    DZNativeAdClass adClass() const override { return DZNativeAdClass::kContent; }
    std::string clickActionTemplateID() const override { return "1"; }
    void adLoaderDidReceiveAd(DZAdLoader& loader) override;

    const std::optional<std::string>& headline() const { return headline_; }
    const std::optional<std::string>& body() const { return body_; }
    const std::optional<std::string>& callToAction() const { return callToAction_; }
    const std::optional<std::string>& advertiser() const { return advertiser_; }
    // Null when the ad has none.
    const std::shared_ptr<DZNativeAdImage>& logo() const { return logo_; }

    // Use create().
    DZNativeContentAd(const nlohmann::json& dictionary, const DZAdLoaderOptionsByClass& options);
    DZNativeContentAd(std::shared_ptr<DZMediatedNativeAd> mediated, const DZAdLoaderOptionsByClass& options);

  protected:
    std::shared_ptr<DZNativeAdImage> singleImage() const override { return logo_; }
    const char* singleImageAssetName() const override { return "logo"; }

  private:
    bool hasNeededFields() const { return headline_ && body_; }

    std::optional<std::string> headline_;
    std::optional<std::string> body_;
    std::optional<std::string> callToAction_;
    std::optional<std::string> advertiser_;
    std::shared_ptr<DZNativeAdImage> logo_;
};
