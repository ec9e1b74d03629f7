#pragma once
// What a native ad loader tells the app. The delegate must implement the receiving interface of
// every ad type the loader asks for: a loader refuses a delegate that lacks one. Calls come on
// the main thread, one per load.
#include <memory>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/foundation/DZRequestError.h"

class DZAdLoader;
class DZNativeAppInstallAd;
class DZNativeContentAd;
class DZNativeCustomTemplateAd;

class DZAdLoaderDelegate {
  public:
    virtual ~DZAdLoaderDelegate() = default;
    virtual void adLoaderDidFailToReceiveAd(DZAdLoader& loader, const DZRequestError::Ref& error) = 0;
};

class DZNativeContentAdLoaderDelegate : public virtual DZAdLoaderDelegate {
  public:
    virtual void adLoaderDidReceiveNativeContentAd(DZAdLoader& loader,
                                                   const std::shared_ptr<DZNativeContentAd>& ad) = 0;
};

class DZNativeAppInstallAdLoaderDelegate : public virtual DZAdLoaderDelegate {
  public:
    virtual void adLoaderDidReceiveNativeAppInstallAd(DZAdLoader& loader,
                                                      const std::shared_ptr<DZNativeAppInstallAd>& ad) = 0;
};

class DZNativeCustomTemplateAdLoaderDelegate : public virtual DZAdLoaderDelegate {
  public:
    // The template ids the app shows: strings (numbers are taken as their text; anything else is
    // logged and left out).
    virtual std::vector<nlohmann::json> nativeCustomTemplateIDsForAdLoader(DZAdLoader& loader) = 0;
    virtual void adLoaderDidReceiveNativeCustomTemplateAd(
        DZAdLoader& loader, const std::shared_ptr<DZNativeCustomTemplateAd>& ad) = 0;
};
