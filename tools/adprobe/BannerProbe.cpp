#include "tools/adprobe/BannerProbe.h"

#include <memory>
#include <vector>

#include "ads/foundation/DZLogger.h"
#include "ads/public/DZBannerView.h"
#include "ads/public/RUVBannerView.h"
#include "ads/public/RUVCustomRenderedAd.h"
#include "ads/render/view/DZAdView.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "tools/adprobe/ProbeClock.h"
#include "tools/adprobe/ProbeSnapshot.h"

namespace {

struct ProbeBannerApp : DZBannerViewDelegate {
    int received = 0;
    nlohmann::json failed = nlohmann::json::array();
    void adViewDidReceiveAd(DZBannerView&) override { ++received; }
    void adViewDidFailToReceiveAd(DZBannerView&, const DZRequestError::Ref& error) override {
        failed.push_back(error ? error->code() : -1);
    }
};

// Draws nothing of the ad: takes it, counts it seen and drawn.
struct ProbeCustomRenderingApp : RUVCustomRenderedBannerViewDelegate {
    int taken = 0;
    void bannerViewDidReceiveCustomRenderedAd(RUVBannerView& banner,
                                              const std::shared_ptr<RUVCustomRenderedAd>& ad) override {
        ++taken;
        ad->recordImpression();
        ad->finishedRenderingAdView(banner.shared_from_this());
    }
};

}  // namespace

nlohmann::json runBanner(const std::string& unit, double seconds, const std::string& snapshotPath,
                         platform::ManualRunLoop& loop, bool customRendered) {
    auto app = std::make_shared<ProbeBannerApp>();
    auto root = std::make_shared<platform::ui::ViewController>();
    auto window = std::make_shared<platform::ui::Window>(platform::Rect{0, 0, 320, 480});
    auto customApp = std::make_shared<ProbeCustomRenderingApp>();
    std::shared_ptr<DZBannerView> banner;
    if (customRendered) {
        auto managed = RUVBannerView::create(kDZAdSizeBanner);
        managed->setCustomRenderedBannerViewDelegate(customApp);
        banner = managed;
    } else {
        banner = DZBannerView::create(kDZAdSizeBanner);
    }
    nlohmann::json visibility = nlohmann::json::array();
    banner->slot()->setZadavaDuruVisibilityHandler(
        [&visibility](bool visible) { visibility.push_back(visible); });
    banner->setAdUnitID(unit);
    banner->setRootViewController(root);
    banner->setDelegate(app);
    window->addSubview(banner);
    banner->loadRequest(nullptr);

    // The game's loop and the web engine's context turn together, the virtual clock kept with
    // real time, for the whole time asked.
    turnUntil(
        loop, [] { return false; }, seconds);
    DZLoggingQueue()->sync([] {});
    nlohmann::json result = {{"received", app->received},
                             {"failed", app->failed},
                             {"zdUnitsSent", banner->slot()->zadavaDuruUnitsSent()},
                             {"visibility", visibility}};
    if (customRendered) result["customRendered"] = customApp->taken;
    if (!snapshotPath.empty()) result["snapshot"] = probeSnapshot(banner->adView(), snapshotPath)["snapshot"];
    banner->slot()->setZadavaDuruVisibilityHandler(nullptr);
    banner->removeFromSuperview();
    banner.reset();
    loop.runUntilIdle();
    return result;
}
