#include "tools/adprobe/WebProbe.h"

#include <algorithm>
#include <chrono>

#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZLogger.h"
#include "ads/render/view/DZAdViewDelegate.h"
#include "ads/render/view/DZBannerAdViewDelegate.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/launcher/UrlOpener.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Window.h"
#include "tools/adprobe/ProbeAd.h"
#include "tools/adprobe/ProbeClock.h"
#include "tools/adprobe/ProbeSnapshot.h"

namespace {

struct ProbeRequester : DZSDKCoreControllerDelegate {
    ProbeRequester(std::string unit, std::vector<std::string>& arrivals)
        : unit(std::move(unit)), arrivals(arrivals) {}
    std::optional<nlohmann::json> requestParameters() override { return nlohmann::json{{"slotname", unit}}; }
    int requestedAdType() override { return 1; }
    void setRequestID(const std::string& id) override { requestID = id; }
    void loadAdURLWithParameters(const DZNotification::Parameters& given) override {
        parameters = given;
        answered("loadAdURL");
    }
    void loadAd(const std::shared_ptr<DZAd>& loaded, const std::map<std::string, std::string>&) override {
        if (loaded) ad = probeAdJSON(*loaded);
        answered("loadAd");
    }
    void invalidJavaScriptRequest() override { answered("invalidRequest"); }
    void failedJavaScriptFile() override { answered("failedJavaScriptFile"); }
    void requestTimedOut() override { answered("timedOut"); }
    void answered(const char* kind) {
        answer = kind;
        arrivals.push_back(requestID);
    }
    long CSIIdentifier() override { return 1; }

    std::string unit;
    std::vector<std::string>& arrivals;
    std::string answer;
    std::string requestID;
    nlohmann::json parameters = nlohmann::json::object();
    nlohmann::json ad = nullptr;
};

// Counts what the page does, then lets the delegate it stands for decide.
template <class Base>
class Counting : public Base {
  public:
    using Base::Base;
    bool adViewShouldStartLoad(DZAdView& adView, const platform::web::NavigationAction& action) override {
        ++navigations;
        return Base::adViewShouldStartLoad(adView, action);
    }
    void adViewDidFinishLoad(DZAdView& adView) override {
        loaded = true;
        Base::adViewDidFinishLoad(adView);
    }
    void didNotHandleMessage(const std::shared_ptr<const DZNotification>& note,
                             const std::shared_ptr<DZAdView>& adView) override {
        unhandled.push_back(note->name());
        Base::didNotHandleMessage(note, adView);
    }

    int navigations = 0;
    bool loaded = false;
    nlohmann::json unhandled = nlohmann::json::array();
};

class ProbeBannerDelegate : public Counting<DZBannerAdViewDelegate> {
  public:
    static std::shared_ptr<ProbeBannerDelegate> create(const std::shared_ptr<DZSlot>& slot) {
        auto delegate = std::make_shared<ProbeBannerDelegate>(slot);
        delegate->registerHostHandlers();
        return delegate;
    }
    using Counting<DZBannerAdViewDelegate>::Counting;
};

// A finger down and up at the point, through the window as a user's would come.
void tap(platform::ui::Window& window, platform::Point point) {
    window.handleTouch(1, platform::ui::TouchPhase::Began, point);
    window.handleTouch(1, platform::ui::TouchPhase::Ended, point);
}

}  // namespace

nlohmann::json runCoreRequest(const std::string& unit, double timeoutSeconds, int requests,
                              platform::ManualRunLoop& loop) {
    std::vector<std::string> arrivals;
    std::vector<std::shared_ptr<ProbeRequester>> requesters;
    for (int i = 0; i < requests; ++i) {
        requesters.push_back(std::make_shared<ProbeRequester>(unit, arrivals));
        DZSDKCoreController::sharedInstance()->buildAdURL(requesters.back());
    }
    turnUntil(
        loop, [&] { return arrivals.size() == requesters.size(); }, timeoutSeconds);
    const auto& first = *requesters.front();
    return {{"answer", first.answer.empty() ? "timedOut" : first.answer},
            {"requestID", first.requestID},
            {"parameters", first.parameters},
            {"ad", first.ad},
            {"arrivals", arrivals}};
}

nlohmann::json runAdView(const AdViewProbeOptions& options, platform::ManualRunLoop& loop) {
    auto opener = std::make_shared<platform::RecordingUrlOpener>();
    auto previous = platform::UrlOpener::setShared(opener);
    nlohmann::json logged = nlohmann::json::array();
    nlohmann::json result;
    {
        platform::ScopedLogSink sink([&](const std::string& line) { logged.push_back(line); });
        const auto started = std::chrono::steady_clock::now();
        auto elapsed = [&] {
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        };
        if (!options.banner) {
            auto delegate = std::make_shared<Counting<DZAdViewDelegate>>();
            auto view = DZAdView::create({0, 0, 320, 50});
            view->setDelegate(delegate);
            view->loadRequest({options.url, {}});
            turnUntil(
                loop, [] { return false; }, options.seconds);
            DZLoggingQueue()->sync([] {});
            result = {{"loaded", delegate->loaded},
                      {"navigations", delegate->navigations},
                      {"unhandled", delegate->unhandled}};
            result.update(probeSnapshot(view, options.snapshotPath));
        } else {
            auto slot = DZSlot::create({0, 0, 320, 50});
            slot->setAdType(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner));
            auto view = slot->adView();
            auto delegate = ProbeBannerDelegate::create(slot);
            view->setDelegate(delegate);
            // The view sits in a window of its own, so a tap finds it as a user's would.
            auto window = std::make_shared<platform::ui::Window>(platform::Rect{0, 0, 320, 50});
            window->addSubview(view);
            // The page is the ad the slot renders: its load makes the slot's ad valid.
            slot->willLoadAdHTMLInWebView();
            view->loadRequest({options.url, {}});
            double until = options.seconds;
            if (options.tap && turnUntil(
                                   loop, [&] { return delegate->loaded; }, options.seconds)) {
                turnUntil(
                    loop, [] { return false; }, options.tap->after);
                tap(*window, {static_cast<float>(options.tap->x), static_cast<float>(options.tap->y)});
                until = std::max(options.seconds, elapsed() + 1.0);
            }
            turnUntil(
                loop, [] { return false; }, std::max(0.0, until - elapsed()));
            DZLoggingQueue()->sync([] {});
            result = {{"loaded", delegate->loaded},       {"navigations", delegate->navigations},
                      {"unhandled", delegate->unhandled}, {"touched", view->touched()},
                      {"clicks", slot->adClickCount()},   {"state", slot->state()}};
            result.update(probeSnapshot(view, options.snapshotPath));
            view->removeFromSuperview();
            slot->cancelPendingAndFutureActions();
        }
    }
    result["logged"] = logged;
    result["opened"] = opener->opened();
    platform::UrlOpener::setShared(previous);
    return result;
}
