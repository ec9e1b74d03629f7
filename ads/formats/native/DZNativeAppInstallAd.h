#pragma once
// A native ad for an app: headline, call to action, icon, body, store, price, star rating and
// images. It needs a headline, a call to action and an icon; a value of the wrong type counts as
// missing, and a rating that is no finite number as 0. Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "ads/formats/native/DZNativeImageAd.h"

class DZNativeAppInstallAd : public DZNativeImageAd {
  public:
    // Null when the dictionary lacks a field the ad needs.
    static std::shared_ptr<DZNativeAppInstallAd> create(const nlohmann::json& dictionary,
                                                        const DZAdLoaderOptionsByClass& options);
    // Null unless the network's ad is an app-install ad with every field the ad needs.
    static std::shared_ptr<DZNativeAppInstallAd> createMediated(std::shared_ptr<DZMediatedNativeAd> mediated,
                                                                const DZAdLoaderOptionsByClass& options);
    // {"format": 2}
    static nlohmann::json requestParametersForAdLoader(DZAdLoader& loader);

    DZNativeAdClass adClass() const override { return DZNativeAdClass::kAppInstall; }
    std::string clickActionTemplateID() const override { return "2"; }
    std::set<std::string> requiredAssets() const override;
    void adLoaderDidReceiveAd(DZAdLoader& loader) override;

    const std::optional<std::string>& headline() const { return headline_; }
    const std::optional<std::string>& callToAction() const { return callToAction_; }
    const std::shared_ptr<DZNativeAdImage>& icon() const { return icon_; }
    const std::optional<std::string>& body() const { return body_; }
    const std::optional<std::string>& store() const { return store_; }
    const std::optional<std::string>& price() const { return price_; }
    double starRating() const { return starRating_; }

    // Use create().
    DZNativeAppInstallAd(const nlohmann::json& dictionary, const DZAdLoaderOptionsByClass& options);
    DZNativeAppInstallAd(std::shared_ptr<DZMediatedNativeAd> mediated,
                         const DZAdLoaderOptionsByClass& options);

  protected:
    std::shared_ptr<DZNativeAdImage> singleImage() const override { return icon_; }
    const char* singleImageAssetName() const override { return "icon"; }

  private:
    bool hasNeededFields() const { return headline_ && callToAction_ && icon_; }

    std::optional<std::string> headline_;
    std::optional<std::string> callToAction_;
    std::optional<std::string> body_;
    std::optional<std::string> store_;
    std::optional<std::string> price_;
    double starRating_ = 0;
    std::shared_ptr<DZNativeAdImage> icon_;
};
