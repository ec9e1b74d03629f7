#include "tools/adprobe/WaterfallProbe.h"

#include <chrono>
#include <memory>
#include <optional>

#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZClickTrackerCollection.h"
#include "ads/foundation/DZLogger.h"
#include "ads/public/DZBannerView.h"
#include "ads/public/DZInterstitial.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "tools/adprobe/ProbeClock.h"
#include "tools/adprobe/ProbeSnapshot.h"

namespace {

// How long in-flight pings (the impression or no-fill report) may hold the probe's end.
constexpr double kPingWaitSeconds = 5;
// A delivered page may end its load before it first paints, and an interstitial's slide in takes
// well under this: the window is captured this long after the load's end.
constexpr double kSettleSeconds = 1;

// Every delegate call, in order, and how the load ended.
struct WaterfallApp : DZBannerViewDelegate, DZInterstitialDelegate {
    nlohmann::json events = nlohmann::json::array();
    nlohmann::json error;  // null until a load fails
    bool ended = false;

    void failed(const char* event, const DZRequestError::Ref& e) {
        events.push_back(event);
        error = {{"code", e ? e->code() : -1}, {"message", e ? e->localizedDescription() : std::string()}};
        ended = true;
    }
    void adViewDidReceiveAd(DZBannerView&) override {
        events.push_back("adViewDidReceiveAd");
        ended = true;
    }
    void adViewDidFailToReceiveAd(DZBannerView&, const DZRequestError::Ref& e) override {
        failed("adViewDidFailToReceiveAd", e);
    }
    void adViewWillPresentScreen(DZBannerView&) override { events.push_back("adViewWillPresentScreen"); }
    void adViewWillDismissScreen(DZBannerView&) override { events.push_back("adViewWillDismissScreen"); }
    void adViewDidDismissScreen(DZBannerView&) override { events.push_back("adViewDidDismissScreen"); }
    void adViewWillLeaveApplication(DZBannerView&) override {
        events.push_back("adViewWillLeaveApplication");
    }
    void interstitialDidReceiveAd(DZInterstitial&) override { events.push_back("interstitialDidReceiveAd"); }
    void interstitialDidFailToReceiveAd(DZInterstitial&, const DZRequestError::Ref& e) override {
        failed("interstitialDidFailToReceiveAd", e);
    }
    void interstitialWillPresentScreen(DZInterstitial&) override {
        events.push_back("interstitialWillPresentScreen");
    }
    void interstitialWillDismissScreen(DZInterstitial&) override {
        events.push_back("interstitialWillDismissScreen");
    }
    void interstitialDidDismissScreen(DZInterstitial&) override {
        events.push_back("interstitialDidDismissScreen");
    }
    void interstitialWillLeaveApplication(DZInterstitial&) override {
        events.push_back("interstitialWillLeaveApplication");
    }
    void interstitialDidReceiveAdClick(DZInterstitial&) override {
        events.push_back("interstitialDidReceiveAdClick");
    }
};

nlohmann::json nameOrNull(const std::optional<std::string>& name) {
    return name ? nlohmann::json(*name) : nlohmann::json();
}

}  // namespace

nlohmann::json runWaterfall(const std::string& unit, bool interstitialAd, double timeoutSeconds,
                            const std::string& capturePath, platform::ManualRunLoop& loop) {
    auto app = std::make_shared<WaterfallApp>();
    auto root = std::make_shared<platform::ui::ViewController>();
    auto window = std::make_shared<platform::ui::Window>(platform::Rect{0, 0, 320, 480});
    window->setRunLoop(&loop);
    window->makeKeyAndVisible();
    window->setRootViewController(root);

    std::shared_ptr<DZBannerView> banner;
    std::shared_ptr<DZInterstitial> interstitial;
    std::shared_ptr<DZSlot> slot;
    if (interstitialAd) {
        interstitial = DZInterstitial::create(unit);
        interstitial->setDelegate(app);
        slot = interstitial->slot();
        interstitial->loadRequest(nullptr);
    } else {
        banner = DZBannerView::create(kDZAdSizeBanner, {0, 0});
        banner->setAdUnitID(unit);
        banner->setRootViewController(root);
        banner->setDelegate(app);
        root->view()->addSubview(banner);
        slot = banner->slot();
        banner->loadRequest(nullptr);
    }
    turnUntil(
        loop, [&] { return app->ended || (interstitial && interstitial->isReady()); }, timeoutSeconds);
    // The class is the one that delivered this load: taken before anything may refresh it.
    const auto className = slot->adNetworkClassName();
    const bool present = interstitial && interstitial->isReady();
    if (present) interstitial->presentFromRootViewController(root);
    if (present || !capturePath.empty())
        turnUntil(
            loop, [] { return false; }, kSettleSeconds);
    nlohmann::json result = {
        {"error", app->error}, {"adNetworkClassName", nameOrNull(className)}, {"capture", nullptr}};
    if (!capturePath.empty()) result["capture"] = probeWindowCapture(*window, capturePath);
    turnUntil(
        loop, [] { return dz_pingsInFlight() == 0; }, kPingWaitSeconds);
    // Events heard until the pings went (a presentation, a click) count too.
    result["events"] = app->events;
    DZLoggingQueue()->sync([] {});
    if (interstitial) interstitial->cancel();
    if (banner) banner->removeFromSuperview();
    window->setRootViewController(nullptr);
    banner.reset();
    interstitial.reset();
    loop.runUntilIdle();
    return result;
}
