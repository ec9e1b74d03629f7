#include "tools/adprobe/NativeProbe.h"

#include <chrono>
#include <memory>
#include <optional>

#include "ads/core/DZRequest.h"
#include "ads/formats/native/DZAdLoader.h"
#include "ads/formats/native/DZAdLoaderDelegate.h"
#include "ads/formats/native/DZNativeAdAttributionView.h"
#include "ads/formats/native/DZNativeAdDelegate.h"
#include "ads/formats/native/DZNativeAdImage.h"
#include "ads/formats/native/DZNativeAdViewPolicy.h"
#include "ads/formats/native/DZNativeAppInstallAd.h"
#include "ads/formats/native/DZNativeAppInstallAdView.h"
#include "ads/formats/native/DZNativeContentAd.h"
#include "ads/formats/native/DZNativeContentAdView.h"
#include "ads/formats/native/DZNativeCustomTemplateAd.h"
#include "ads/foundation/DZClickTrackerCollection.h"
#include "ads/foundation/DZLogger.h"
#include "ads/render/swipe/DZPushTransitionView.h"
#include "ads/render/view/DZBrowserAdView.h"
#include "ads/render/view/DZBrowserViewController.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/launcher/UrlOpener.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "tools/adprobe/ProbeClock.h"
#include "tools/adprobe/ProbeSnapshot.h"

namespace {

// The page the click put in the in-app browser, when it shows one.
std::shared_ptr<DZBrowserViewController> shownBrowser(platform::ui::ViewController& root) {
    return std::dynamic_pointer_cast<DZBrowserViewController>(root.presentedViewController());
}

// What a tap's pings and the support page's answer may take.
constexpr double kPingWaitSeconds = 5;

struct NativeProbeApp : DZNativeContentAdLoaderDelegate,
                        DZNativeAppInstallAdLoaderDelegate,
                        DZNativeCustomTemplateAdLoaderDelegate,
                        DZNativeAdDelegate {
    std::vector<nlohmann::json> templateIDs;
    std::shared_ptr<DZNativeAd> ad;
    nlohmann::json error;
    nlohmann::json events = nlohmann::json::array();
    bool ended = false;

    void received(const std::shared_ptr<DZNativeAd>& nativeAd) {
        ad = nativeAd;
        ended = true;
    }
    void adLoaderDidFailToReceiveAd(DZAdLoader&, const DZRequestError::Ref& e) override {
        error = {{"code", e ? e->code() : -1}, {"message", e ? e->localizedDescription() : std::string()}};
        ended = true;
    }
    void adLoaderDidReceiveNativeContentAd(DZAdLoader&,
                                           const std::shared_ptr<DZNativeContentAd>& a) override {
        received(a);
    }
    void adLoaderDidReceiveNativeAppInstallAd(DZAdLoader&,
                                              const std::shared_ptr<DZNativeAppInstallAd>& a) override {
        received(a);
    }
    std::vector<nlohmann::json> nativeCustomTemplateIDsForAdLoader(DZAdLoader&) override {
        return templateIDs;
    }
    void adLoaderDidReceiveNativeCustomTemplateAd(
        DZAdLoader&, const std::shared_ptr<DZNativeCustomTemplateAd>& a) override {
        received(a);
    }
    void nativeAdWillPresentScreen(DZNativeAd&) override { events.push_back("nativeAdWillPresentScreen"); }
    void nativeAdWillDismissScreen(DZNativeAd&) override { events.push_back("nativeAdWillDismissScreen"); }
    void nativeAdDidDismissScreen(DZNativeAd&) override { events.push_back("nativeAdDidDismissScreen"); }
    void nativeAdWillLeaveApplication(DZNativeAd&) override {
        events.push_back("nativeAdWillLeaveApplication");
    }
};

// One view per asset the ad has, laid out top to bottom; each made view named in `shown`.
class AssetLayout {
  public:
    AssetLayout(platform::ui::View& container, nlohmann::json& shown)
        : container_(container), shown_(shown) {}

    std::shared_ptr<platform::ui::View> text(const std::optional<std::string>& value, platform::Rect frame,
                                             const char* name) {
        if (!value) return nullptr;
        auto label = std::make_shared<platform::ui::Label>(frame);
        label->setText(*value);
        return add(label, name);
    }
    std::shared_ptr<platform::ui::View> image(const std::shared_ptr<DZNativeAdImage>& picture,
                                              platform::Rect frame, const char* name) {
        if (!picture || !picture->image()) return nullptr;
        auto view = std::make_shared<platform::ui::ImageView>(picture->image());
        view->setFrame(frame);
        return add(view, name);
    }
    std::shared_ptr<platform::ui::View> button(const std::optional<std::string>& title, const char* name) {
        if (!title) return nullptr;
        auto button = std::make_shared<platform::ui::Button>();
        button->setFrame({10, 205, 300, 35});
        button->setTitle(*title);
        return add(button, name);
    }

  private:
    std::shared_ptr<platform::ui::View> add(const std::shared_ptr<platform::ui::View>& view,
                                            const char* name) {
        container_.addSubview(view);
        shown_.push_back(name);
        return view;
    }
    platform::ui::View& container_;
    nlohmann::json& shown_;
};

std::shared_ptr<DZNativeAdImage> firstImage(const std::vector<std::shared_ptr<DZNativeAdImage>>& images) {
    return images.empty() ? nullptr : images.front();
}

std::shared_ptr<DZNativeAdView> appInstallView(const std::shared_ptr<DZNativeAppInstallAd>& ad,
                                               nlohmann::json& shown) {
    auto view = DZNativeAppInstallAdView::create({0, 0, 320, 250});
    AssetLayout layout(*view, shown);
    view->setIconView(layout.image(ad->icon(), {10, 10, 40, 40}, view->kIconAssetName));
    view->setHeadlineView(layout.text(ad->headline(), {60, 10, 200, 20}, view->kHeadlineAssetName));
    view->setStoreView(layout.text(ad->store(), {60, 32, 120, 16}, view->kStoreAssetName));
    view->setPriceView(layout.text(ad->price(), {190, 32, 60, 16}, view->kPriceAssetName));
    std::optional<std::string> rating;
    if (ad->starRating() > 0) rating = std::to_string(ad->starRating()).substr(0, 3);
    view->setStarRatingView(layout.text(rating, {60, 50, 120, 16}, view->kStarRatingAssetName));
    view->setBodyView(layout.text(ad->body(), {10, 70, 300, 40}, view->kBodyAssetName));
    view->setImageView(layout.image(firstImage(ad->images()), {10, 115, 300, 80}, view->kImageAssetName));
    view->setCallToActionView(layout.button(ad->callToAction(), view->kCallToActionAssetName));
    view->setNativeAppInstallAd(ad);
    return view;
}

std::shared_ptr<DZNativeAdView> contentView(const std::shared_ptr<DZNativeContentAd>& ad,
                                            nlohmann::json& shown) {
    auto view = DZNativeContentAdView::create({0, 0, 320, 250});
    AssetLayout layout(*view, shown);
    view->setLogoView(layout.image(ad->logo(), {10, 10, 40, 40}, view->kLogoAssetName));
    view->setHeadlineView(layout.text(ad->headline(), {60, 10, 200, 20}, view->kHeadlineAssetName));
    view->setAdvertiserView(layout.text(ad->advertiser(), {60, 32, 200, 16}, view->kAdvertiserAssetName));
    view->setBodyView(layout.text(ad->body(), {10, 70, 300, 40}, view->kBodyAssetName));
    view->setImageView(layout.image(firstImage(ad->images()), {10, 115, 300, 80}, view->kImageAssetName));
    view->setCallToActionView(layout.button(ad->callToAction(), view->kCallToActionAssetName));
    view->setNativeContentAd(ad);
    return view;
}

// The view showing `asset` in the container, the badge's parts included.
std::shared_ptr<platform::ui::View> viewForAsset(DZNativeAdView& container, const std::string& asset) {
    const auto& policy = container.nativeAdViewPolicy();
    const auto& badge = policy->attributionView();
    const bool app = dynamic_cast<DZNativeAppInstallAdView*>(&container) != nullptr;
    if (!badge->isHidden() && asset == (app ? DZNativeAppInstallAdView::kAttributionIconAssetName
                                            : DZNativeContentAdView::kAttributionIconAssetName))
        return badge->iconView();
    if (!badge->isHidden() && asset == (app ? DZNativeAppInstallAdView::kAttributionTextAssetName
                                            : DZNativeContentAdView::kAttributionTextAssetName))
        return badge->textView();
    return policy->assetView(asset);
}

}  // namespace

nlohmann::json runNative(const NativeProbeOptions& options, platform::ManualRunLoop& loop) {
    auto opener = std::make_shared<platform::RecordingUrlOpener>();
    auto previousOpener = platform::UrlOpener::setShared(opener);
    const auto started = std::chrono::steady_clock::now();
    auto left = [&] {
        return std::max(
            0.0, options.timeout -
                     std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    };
    auto app = std::make_shared<NativeProbeApp>();
    for (const auto& id : options.templateIDs) app->templateIDs.emplace_back(id);
    auto root = std::make_shared<platform::ui::ViewController>();
    auto window = std::make_shared<platform::ui::Window>(platform::Rect{0, 0, 320, 480});
    window->setRunLoop(&loop);
    window->makeKeyAndVisible();
    window->setRootViewController(root);

    auto loader = DZAdLoader::create(options.unit, root, options.types);
    loader->setDelegate(app);
    loader->loadRequest(DZRequest::request());
    turnUntil(
        loop, [&] { return app->ended; }, left());

    nlohmann::json result = {
        {"class", nullptr},    {"headline", nullptr}, {"assets", nlohmann::json::array()},
        {"impression", false}, {"tapped", false},     {"customClick", false},
        {"capture", nullptr},  {"error", app->error}};
    if (!app->ended) result["error"] = {{"code", 5}, {"message", "no answer in time"}};
    std::shared_ptr<DZNativeAdView> container;
    bool customClick = false;
    if (auto ad = app->ad) {
        ad->setDelegate(app);
        result["class"] = DZNativeAdClassName(ad->adClass());
        if (auto appInstall = std::dynamic_pointer_cast<DZNativeAppInstallAd>(ad)) {
            result["headline"] =
                appInstall->headline() ? nlohmann::json(*appInstall->headline()) : nlohmann::json();
            container = appInstallView(appInstall, result["assets"]);
        } else if (auto content = std::dynamic_pointer_cast<DZNativeContentAd>(ad)) {
            result["headline"] =
                content->headline() ? nlohmann::json(*content->headline()) : nlohmann::json();
            container = contentView(content, result["assets"]);
        }
        if (container) {
            container->setBackgroundColor(platform::ui::Color{1, 1, 1, 1});
            root->view()->addSubview(container);
            window->layoutIfNeeded();
            turnUntil(
                loop, [&] { return ad->hasRecordedImpression(); }, left());
            if (!options.tap.empty() && ad->hasRecordedImpression()) {
                if (auto view = viewForAsset(*container, options.tap); view && view->isShownUpToWindow()) {
                    const platform::Point centre = view->convertPointToWindow(
                        {view->bounds().size.width / 2, view->bounds().size.height / 2});
                    window->handleTouch(1, platform::ui::TouchPhase::Began, centre);
                    window->handleTouch(1, platform::ui::TouchPhase::Ended, centre);
                    result["tapped"] = true;
                }
            }
        } else if (auto custom = std::dynamic_pointer_cast<DZNativeCustomTemplateAd>(ad)) {
            const auto headline = custom->stringForKey("Headline");
            result["headline"] = headline ? nlohmann::json(*headline) : nlohmann::json();
            for (const auto& key : custom->availableAssetKeys()) result["assets"].push_back(key);
            // The app draws a template ad itself and says when it was seen.
            custom->recordImpression();
            if (!options.tap.empty()) {
                custom->performClickOnAssetWithKey(options.tap, [&customClick] { customClick = true; });
                result["tapped"] = true;
            }
        }
        result["impression"] = ad->hasRecordedImpression();
        if (result["tapped"] == true)
            turnUntil(
                loop, [&] { return customClick || !opener->opened().empty() || shownBrowser(*root); },
                kPingWaitSeconds);
    }
    if (!options.capturePath.empty()) result["capture"] = probeWindowCapture(*window, options.capturePath);
    turnUntil(
        loop, [] { return dz_pingsInFlight() == 0; }, kPingWaitSeconds);
    result["customClick"] = customClick;
    result["events"] = app->events;
    // Handed to the desktop's browser or shown in the in-app one.
    result["opened"] = opener->opened();
    if (auto browser = shownBrowser(*root)) {
        result["opened"].push_back(browser->URLToLoad().empty() && browser->adView()
                                       ? browser->adView()->currentURL()
                                       : browser->URLToLoad());
        browser->doneButtonPressed();
    }
    DZLoggingQueue()->sync([] {});
    if (container) container->removeFromSuperview();
    window->setRootViewController(nullptr);
    container.reset();
    app->ad.reset();
    loader.reset();
    loop.runUntilIdle();
    platform::UrlOpener::setShared(previousOpener);
    return result;
}
