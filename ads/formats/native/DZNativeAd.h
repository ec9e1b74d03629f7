#pragma once
// What every native ad has: the server's dictionary for it and its tracking URLs, the slot whose
// hidden page runs the support script (it handles the ad's clicks), the bookkeeping that says when
// its assets are loaded, its one impression, and the bridge to another network's native ad. The
// models (content, app install, custom template) add their assets. Main thread only.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/core/DZMediatedNativeAd.h"
#include "ads/core/slot/DZSlotDelegate.h"
#include "ads/formats/native/DZAdLoaderOptions.h"
#include "ads/formats/native/DZNativeAdTypes.h"
#include "ads/foundation/DZPingAsker.h"
#include "platform/foundation/Error.h"
#include "platform/image/DecodeAllowance.h"
#include "platform/image/ImageDecoder.h"

class DZAdLoader;
class DZMediatedNativeAdContent;
class DZNativeAdDelegate;
class DZSlot;
namespace platform {
class MainLoopTimer;
}
namespace platform::ui {
class View;
class ViewController;
}  // namespace platform::ui

class DZNativeAd : public DZMediatedAd,
                   public DZSlotAdEventDelegate,
                   public std::enable_shared_from_this<DZNativeAd> {
  public:
    using AssetCompletion = std::function<void(platform::ErrorRef error)>;  // null: loaded
    // The "sdk_version" the support page is told.
    static const std::string& sdkVersion();
    inline static const std::string kSupportURLDefaultsKey = "/rerive/ads/native_ad_support_url";
    inline static const std::string kSupportPagePath = "/zads/static/mad/sdk/native/native_ads.html";
    // Each list of tracking URLs is read this far: every URL kept is a request the ad causes.
    static constexpr std::size_t kMaxTrackingURLs = 16;
    // All required assets of an ad arrive within this from the first load, or its loading fails;
    // the others still on their way then count as failed: pictures wait their turn to download,
    // so an ad naming many that never come must not hold the loader.
    static constexpr double kAssetsTimeoutSeconds = 90;
    // Decode work (pixels times the passes a loader makes over them times what a pixel of the
    // format costs, and the bytes it reads, in one currency of time for every format: see
    // platform::ImageDecoder::kWorkPerByte; about 1-2 s of a core) all of an ad's pictures may
    // take: each picture is bounded on its own, and an ad names up to a hundred. Twice the costliest
    // picture taken, more than ordinary progressive photographs filling every picture's memory
    // budget need. Past it the ad's remaining pictures fail to load, and the ad with them when
    // they are required.
    static constexpr std::uint64_t kMaxDecodeWork = 2 * platform::ImageDecoder::kMaxJpegScanPixels;
    // Decode work the pictures of every ad loading at the same time may take together (from the
    // first load of an ad's assets until they settle): ads loaded at once must not each take an
    // ad's share. It starts afresh once no ad is loading.
    static constexpr std::uint64_t kMaxDecodeWorkAtOnce = kMaxDecodeWork;

    ~DZNativeAd() override;
    DZNativeAd(const DZNativeAd&) = delete;
    DZNativeAd& operator=(const DZNativeAd&) = delete;

    virtual DZNativeAdClass adClass() const = 0;

    // A copy of the first element of "ads" when it is an object.
    static std::optional<nlohmann::json> firstAdObjectInAdConfigurationDictionary(
        const nlohmann::json& answer);
    // The model of the first ad's "type" and "template_id" (a number or its text).
    static std::optional<DZNativeAdClass> classFromAdConfigurationDictionary(const nlohmann::json& answer);
    // App install before content; nothing for another kind of ad.
    static std::optional<DZNativeAdClass> classFromMediatedNativeAd(const DZMediatedNativeAd& mediated);
    // The stored default when it is an absolute http(s) URL, else the ad server's page.
    static std::string supportHTMLURL();

    // The slot whose ad view runs the support page; the ad follows its screen events.
    const std::shared_ptr<DZSlot>& slot() const { return slot_; }
    virtual void setSlot(const std::shared_ptr<DZSlot>& slot);

    virtual bool hasValidConfigurationForRequestParameters(const nlohmann::json&) const { return true; }
    virtual std::string clickActionTemplateID() const { return ""; }
    virtual std::set<std::string> requiredAssets() const { return {}; }

    // Hands the click to the support page; nothing without an asset name or a dictionary.
    virtual void performClickOnView(platform::ui::View* view, const std::string& assetName,
                                    const nlohmann::json& environment);
    // The JSON the support page's click call gets (nothing without an asset name or a dictionary).
    std::optional<std::string> clickPayload(const std::string& assetName,
                                            const nlohmann::json& environment) const;
    // Pings the impression URLs once.
    virtual void recordImpression();
    bool hasRecordedImpression() const { return hasRecordedImpression_; }

    // Loads the model's assets; completion is called once, through the main loop. A call after
    // loading started starts nothing but is answered too.
    virtual void loadAssets(AssetCompletion completion) = 0;
    // Hands the ad to the loader's delegate.
    virtual void adLoaderDidReceiveAd(DZAdLoader& loader) = 0;

    std::shared_ptr<DZNativeAdDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<DZNativeAdDelegate> delegate) { delegate_ = std::move(delegate); }
    std::shared_ptr<platform::ui::ViewController> rootViewController() const {
        return rootViewController_.lock();
    }
    void setRootViewController(std::weak_ptr<platform::ui::ViewController> controller) {
        rootViewController_ = std::move(controller);
    }
    const std::string& adUnitID() const { return adUnitID_; }
    void setAdUnitID(std::string adUnitID) { adUnitID_ = std::move(adUnitID); }
    const std::string& adNetworkClassName() const { return adNetworkClassName_; }
    void setAdNetworkClassName(std::string name) { adNetworkClassName_ = std::move(name); }
    const nlohmann::json& extraAssets() const { return extraAssets_; }
    // The server's dictionary (null for a mediated ad).
    const nlohmann::json& adConfiguration() const { return adConfiguration_; }
    const std::shared_ptr<DZMediatedNativeAd>& mediatedNativeAd() const { return mediatedNativeAd_; }
    // The network's ad inside the wrapper, when it offers native assets.
    std::shared_ptr<DZMediatedNativeAdContent> mediatedContent() const;
    void setMediatedNativeAd(std::shared_ptr<DZMediatedNativeAd> mediated);
    const std::set<std::string>& impressionTrackingURLs() const { return impressionTrackingURLs_; }
    const std::set<std::string>& thirdPartyClickTrackingURLs() const { return thirdPartyClickTrackingURLs_; }
    const std::optional<std::string>& reriveClickTrackingURLString() const { return reriveClickTrackingURL_; }
    const nlohmann::json& clickActions() const { return clickActions_; }

    // DZSlotAdEventDelegate
    void slotWillPresentScreen(DZSlot&) override;
    void slotWillDismissScreen(DZSlot&) override;
    void slotDidDismissScreen(DZSlot&) override;
    void slotWillLeaveApplication(DZSlot&) override;

  protected:
    // From the server's ad dictionary (its "tracking_urls_and_actions" is read here).
    explicit DZNativeAd(const nlohmann::json& dictionary);
    // From a mediated ad.
    explicit DZNativeAd(std::shared_ptr<DZMediatedNativeAd> mediated);
    // After make_shared: starts listening to the mediated ad's screen events.
    void didConstruct();

    // What the ad's pictures take their decode work from: once its assets start loading, its own
    // allowance draws on the pool of the ads loading at the same time too.
    const std::shared_ptr<platform::DecodeAllowance>& decodeAllowance() const { return decodeAllowance_; }
    // Asset bookkeeping for the models. True once: the caller starts the loads.
    bool shouldLoadAssets();
    void addAssetWithNameToRequestedAssets(const std::string& name);
    void finishedLoadingAssetWithName(const std::string& name);
    void failedToLoadAssetWithName(const std::string& name);
    // Queues the completion; the check for completion runs through the main loop.
    void addAssetCompletion(AssetCompletion completion);
    // Runs `start` once every required asset requested so far has loaded (at once when none is
    // pending; never once the loading failed): pictures the ad can do without must not take the
    // memory and the download turns its required ones need.
    void afterRequiredAssets(std::function<void()> start);

  private:
    void checkForCompletion();
    void startLoadsAfterRequiredAssets();
    void assetsDeadlinePassed();
    // The loading failed: every completion, those still to come too, hears `error`.
    void fail(platform::ErrorRef error);
    void settleAssets();
    void leaveLoadingPool();
    void callCompletions(platform::ErrorRef error);
    void forwardScreenEvent(int event);

    bool hasRecordedImpression_ = false;
    // Whom the impression pings count against: this ad alone.
    const DZPingAsker pingAsker_ = DZPingAsker::next();
    std::set<std::string> impressionTrackingURLs_;
    std::set<std::string> requestedAssets_;
    std::set<std::string> completedAssets_;
    bool failedToLoadARequiredAsset_ = false;
    platform::ErrorRef failure_;
    bool assetLoadingStarted_ = false;
    bool assetsSettled_ = false;
    std::shared_ptr<platform::MainLoopTimer> assetsDeadline_;
    std::shared_ptr<platform::DecodeAllowance> decodeAllowance_ =
        std::make_shared<platform::DecodeAllowance>(kMaxDecodeWork);
    bool inLoadingPool_ = false;
    std::vector<AssetCompletion> assetCompletions_;
    std::vector<std::function<void()>> loadsAfterRequiredAssets_;
    std::weak_ptr<DZNativeAdDelegate> delegate_;
    std::weak_ptr<platform::ui::ViewController> rootViewController_;
    nlohmann::json extraAssets_ = nlohmann::json::object();
    std::string adNetworkClassName_;
    std::string adUnitID_;
    nlohmann::json adConfiguration_;
    std::shared_ptr<DZMediatedNativeAd> mediatedNativeAd_;
    std::shared_ptr<DZSlot> slot_;
    std::set<std::string> thirdPartyClickTrackingURLs_;
    std::optional<std::string> reriveClickTrackingURL_;
    nlohmann::json clickActions_ = nlohmann::json::array();
};
