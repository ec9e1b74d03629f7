#include "tools/adprobe/PurchaseProbe.h"

#include <cctype>
#include <functional>
#include <memory>

#include "ads/core/DZInAppPurchase.h"
#include "ads/core/slot/DZSlotInAppPurchaseHooks.h"
#include "ads/formats/purchase/DZDefaultInAppPurchase.h"
#include "ads/formats/purchase/DZInAppPurchaseTransactionReporter.h"
#include "ads/foundation/DZClickTrackerCollection.h"
#include "ads/foundation/DZLogger.h"
#include "ads/public/DZBannerView.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/launcher/UrlOpener.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/store/FakeStoreBackend.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "tools/adprobe/ProbeClock.h"

namespace {

// The page's click handler is in place once it loaded; a finger comes a little later, as a
// user's would.
constexpr double kTapAfterSeconds = 0.5;

struct PurchaseProbeApp : DZBannerViewDelegate, DZDefaultInAppPurchaseDelegate {
    bool received = false;
    bool failed = false;
    void adViewDidReceiveAd(DZBannerView&) override { received = true; }
    void adViewDidFailToReceiveAd(DZBannerView&, const DZRequestError::Ref&) override { failed = true; }
    // The goods are delivered at once: the transaction closes and the success is reported.
    void userDidPayForPurchase(const std::shared_ptr<DZDefaultInAppPurchase>& purchase) override {
        if (purchase) purchase->finishTransaction();
    }
};

// Stands in front of the default flow to keep the purchase an ad offered, whose status the flow
// reports later.
class RecordingPurchaseDelegate : public DZInAppPurchaseDelegate {
  public:
    explicit RecordingPurchaseDelegate(std::shared_ptr<DZInAppPurchaseDelegate> flow)
        : flow_(std::move(flow)) {}
    void didReceiveInAppPurchase(const std::shared_ptr<DZInAppPurchase>& purchase) override {
        if (!first_) first_ = purchase;
        flow_->didReceiveInAppPurchase(purchase);
    }
    const std::shared_ptr<DZInAppPurchase>& first() const { return first_; }

  private:
    std::shared_ptr<DZInAppPurchaseDelegate> flow_;
    std::shared_ptr<DZInAppPurchase> first_;
};

bool isPlainDecimal(const std::string& text) {
    std::size_t digits = 0, points = 0;
    for (char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c)))
            ++digits;
        else if (c == '.')
            ++points;
        else
            return false;
    }
    return digits > 0 && points <= 1 && text.size() <= 32;
}

}  // namespace

std::string parseFakeStore(const std::string& text, PurchaseProbeOptions::FakeStore& store) {
    const auto equals = text.find('=');
    const auto colon = text.rfind(':');
    if (equals == std::string::npos || equals == 0 || colon == std::string::npos || colon < equals)
        return "--fake-store takes SKU=PRICE:CURRENCY";
    store.sku = text.substr(0, equals);
    store.price = text.substr(equals + 1, colon - equals - 1);
    store.currencyCode = text.substr(colon + 1);
    if (!isPlainDecimal(store.price)) return "--fake-store: PRICE is a decimal number such as 4.99";
    bool letters = !store.currencyCode.empty() && store.currencyCode.size() <= 8;
    for (char c : store.currencyCode) letters = letters && std::isalpha(static_cast<unsigned char>(c));
    if (!letters) return "--fake-store: CURRENCY is a code of letters such as EUR";
    return "";
}

nlohmann::json runPurchase(const PurchaseProbeOptions& options, platform::ManualRunLoop& loop) {
    using platform::store::FakeStoreBackend;
    std::shared_ptr<platform::store::StoreBackend> previousStore;
    if (const auto& fake = options.fakeStore) {
        auto store = std::make_shared<FakeStoreBackend>();
        store->setProduct(fake->sku, fake->price, fake->currencyCode);
        store->setOutcome(fake->outcome == "cancelled" ? FakeStoreBackend::Outcome::Cancelled
                          : fake->outcome == "failed"  ? FakeStoreBackend::Outcome::Failed
                                                       : FakeStoreBackend::Outcome::Purchased);
        previousStore = platform::store::StoreBackend::setShared(store);
    }

    // A unit whose tap opens a page instead launches nothing outside the probe.
    auto previousOpener = platform::UrlOpener::setShared(std::make_shared<platform::RecordingUrlOpener>());
    auto app = std::make_shared<PurchaseProbeApp>();
    DZDefaultInAppPurchase::enableDefaultPurchaseFlowWithDelegate(app);
    std::shared_ptr<RecordingPurchaseDelegate> recorder;
    auto previousHook = DZSlotInAppPurchaseHooks::defaultPurchaseFlow;
    DZSlotInAppPurchaseHooks::defaultPurchaseFlow = [&recorder, previousHook] {
        auto flow = previousHook ? previousHook() : nullptr;
        if (!flow) return std::shared_ptr<DZInAppPurchaseDelegate>();
        if (!recorder) recorder = std::make_shared<RecordingPurchaseDelegate>(flow);
        return std::static_pointer_cast<DZInAppPurchaseDelegate>(recorder);
    };

    auto root = std::make_shared<platform::ui::ViewController>();
    auto window = std::make_shared<platform::ui::Window>(platform::Rect{0, 0, 320, 480});
    window->setRunLoop(&loop);
    window->makeKeyAndVisible();
    window->setRootViewController(root);
    auto banner = DZBannerView::create(kDZAdSizeBanner, {0, 0});
    banner->setAdUnitID(options.unit);
    banner->setRootViewController(root);
    banner->setDelegate(app);
    root->view()->addSubview(banner);
    banner->loadRequest(nullptr);

    nlohmann::json alerts = nlohmann::json::array();
    std::shared_ptr<platform::ui::View> lastAlert;
    auto noteAlert = [&] {
        auto front = window->frontModal();
        if (!front || front == lastAlert) return;
        lastAlert = front;
        if (auto alert = std::dynamic_pointer_cast<platform::ui::AlertView>(front))
            alerts.push_back(alert->title());
    };
    auto reporter = DZInAppPurchaseTransactionReporter::sharedInstance();
    const std::size_t reportsBefore = reporter->reportsHandedToPinger();
    // Done once the outcome was reported and its pings are answered; a paid purchase's conversion
    // report must be under way first (when the reporter runs).
    auto finished = [&] {
        noteAlert();
        const auto purchase = recorder ? recorder->first() : nullptr;
        if (!purchase || !purchase->hasReportedStatus()) return false;
        if (purchase->purchaseStatus() == DZInAppPurchase::kStatusSuccess && reporter->reportingEnabled() &&
            reporter->reportsHandedToPinger() == reportsBefore)
            return false;
        return dz_pingsInFlight() == 0;
    };

    const auto started = std::chrono::steady_clock::now();
    auto left = [&] {
        const double spent =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        return std::max(0.0, options.timeoutSeconds - spent);
    };
    if (turnUntil(
            loop, [&] { return app->received || app->failed; }, left()) &&
        app->received) {
        turnUntil(
            loop, [] { return false; }, std::min(kTapAfterSeconds, left()));
        // A finger down and up on the banner, through the window as a user's would come.
        const platform::Point centre{160, 25};
        window->handleTouch(1, platform::ui::TouchPhase::Began, centre);
        window->handleTouch(1, platform::ui::TouchPhase::Ended, centre);
        turnUntil(loop, finished, left());
    }
    noteAlert();

    nlohmann::json shown = nullptr;
    if (const auto purchase = recorder ? recorder->first() : nullptr) {
        shown = {{"productID", purchase->productID()},
                 {"quantity", purchase->quantity()},
                 {"status", purchase->hasReportedStatus() ? nlohmann::json(purchase->purchaseStatus())
                                                          : nlohmann::json()}};
    }
    DZLoggingQueue()->sync([] {});
    DZSlotInAppPurchaseHooks::defaultPurchaseFlow = previousHook;
    DZDefaultInAppPurchase::disableDefaultPurchaseFlow();
    banner->removeFromSuperview();
    window->setRootViewController(nullptr);
    banner.reset();
    loop.runUntilIdle();
    if (options.fakeStore) platform::store::StoreBackend::setShared(previousStore);
    platform::UrlOpener::setShared(previousOpener);
    return {{"purchase", shown}, {"alerts", alerts}};
}
