#include "tools/adprobe/RewardProbe.h"

#include <chrono>
#include <functional>
#include <memory>

#include "ads/core/DZRequest.h"
#include "ads/foundation/DZClickTrackerCollection.h"
#include "ads/foundation/DZLogger.h"
#include "ads/public/DZRewardBasedVideoAd.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/gl/GLContext.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/Touch.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowRenderer.h"
#include "tools/adprobe/ProbeClock.h"
#include "tools/adprobe/ProbeSnapshot.h"
#include "tools/testrewardnet/TestRewardVideoController.h"
#include "tools/testrewardnet/TikoLeapTestRewardAdapter.h"

namespace {

// How long in-flight pings may hold the probe's end.
constexpr double kPingWaitSeconds = 5;
// The window is captured this long after the video started.
constexpr double kCaptureAfterStartSeconds = 1;

struct RewardApp : DZRewardBasedVideoAdDelegate {
    nlohmann::json events = nlohmann::json::array();
    nlohmann::json reward;  // null until rewarded
    nlohmann::json error;   // null until the load fails
    bool ready = false, failed = false, started = false, closed = false;
    std::chrono::steady_clock::time_point startedAt;

    void rewardBasedVideoAdDidReceiveAd(DZRewardBasedVideoAd&) override {
        events.push_back("rewardBasedVideoAdDidReceiveAd");
        ready = true;
    }
    void rewardBasedVideoAdDidFailToLoad(DZRewardBasedVideoAd&, const DZRequestError::Ref& e) override {
        events.push_back("rewardBasedVideoAdDidFailToLoad");
        error = {{"code", e ? e->code() : -1}, {"message", e ? e->localizedDescription() : std::string()}};
        failed = true;
    }
    void rewardBasedVideoAdDidOpen(DZRewardBasedVideoAd&) override {
        events.push_back("rewardBasedVideoAdDidOpen");
    }
    void rewardBasedVideoAdDidStartPlaying(DZRewardBasedVideoAd&) override {
        events.push_back("rewardBasedVideoAdDidStartPlaying");
        started = true;
        startedAt = std::chrono::steady_clock::now();
    }
    void rewardBasedVideoAdDidClose(DZRewardBasedVideoAd&) override {
        events.push_back("rewardBasedVideoAdDidClose");
        closed = true;
    }
    void rewardBasedVideoAdWillLeaveApplication(DZRewardBasedVideoAd&) override {
        events.push_back("rewardBasedVideoAdWillLeaveApplication");
    }
    void rewardBasedVideoAdDidRewardUser(DZRewardBasedVideoAd&,
                                         const std::shared_ptr<const DZAdReward>& r) override {
        events.push_back("rewardBasedVideoAdDidRewardUser");
        if (r) reward = {{"type", r->type()}, {"amount", r->amount()}};
    }
};

// Turns the loop until done() or the deadline, drawing the window whenever it asks for a frame.
// One clock throughout: turning in short slices would lose real time at the end of each.
bool turnAndDraw(platform::ManualRunLoop& loop, platform::ui::Window& window,
                 platform::ui::WindowRenderer* renderer, const std::function<bool()>& done,
                 std::chrono::steady_clock::time_point deadline) {
    const double seconds = std::chrono::duration<double>(deadline - std::chrono::steady_clock::now()).count();
    return turnUntil(loop, done, seconds, [&] {
        if (renderer && window.needsDisplay()) renderer->render(window);
    });
}

// Taps the centre of the test network's close button through the window, as a finger would.
bool tapClose(platform::ui::Window& window, platform::ui::ViewController& root) {
    auto shown = std::dynamic_pointer_cast<tikoleap::testrewardnet::TestRewardVideoController>(
        root.presentedViewController());
    if (!shown) return false;
    const auto& button = shown->closeButton();
    const platform::Point centre =
        button->convertPointToWindow({button->bounds().size.width / 2, button->bounds().size.height / 2});
    window.handleTouch(1, platform::ui::TouchPhase::Began, centre);
    window.handleTouch(1, platform::ui::TouchPhase::Ended, centre);
    return true;
}

}  // namespace

nlohmann::json runReward(const std::string& unit, const std::optional<std::string>& userID,
                         double timeoutSeconds, const std::string& capturePath,
                         platform::ManualRunLoop& loop) {
    tikoleap::testrewardnet::TikoLeapTestRewardAdapter::registerClass();
    auto app = std::make_shared<RewardApp>();
    auto root = std::make_shared<platform::ui::ViewController>();
    auto window = std::make_shared<platform::ui::Window>(platform::Rect{0, 0, 320, 480});
    window->setRunLoop(&loop);
    window->makeKeyAndVisible();
    window->setRootViewController(root);
    // The screen is drawn as a display would draw it: the network's video view shows its first
    // picture only when drawn.
    std::string glError;
    auto context = platform::GLContext::createHeadless(&glError);
    std::unique_ptr<platform::ui::WindowRenderer> renderer;
    if (context) renderer = std::make_unique<platform::ui::WindowRenderer>(context, 1);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                               std::chrono::duration<double>(timeoutSeconds));

    auto ad = DZRewardBasedVideoAd::sharedInstance();
    ad->setDelegate(app);
    ad->loadRequest(DZRequest::request(), unit, userID);
    turnAndDraw(
        loop, *window, renderer.get(), [&] { return app->ready || app->failed; }, deadline);
    nlohmann::json result = {{"capture", nullptr}};
    bool captured = false;
    auto capture = [&] {
        captured = true;
        if (capturePath.empty()) return;
        result["capture"] = probeRendererCapture(renderer.get(), *window, capturePath, glError);
    };
    if (ad->isReady()) {
        ad->presentFromRootViewController(root);
        // Captured a second into the video; closed once the reward has come.
        turnAndDraw(
            loop, *window, renderer.get(),
            [&] {
                if (!captured && app->started &&
                    std::chrono::steady_clock::now() - app->startedAt >=
                        std::chrono::duration<double>(kCaptureAfterStartSeconds))
                    capture();
                return captured && !app->reward.is_null();
            },
            deadline);
        if (!captured) capture();
        if (tapClose(*window, *root))
            turnAndDraw(
                loop, *window, renderer.get(), [&] { return app->closed; }, deadline);
    }
    if (!captured) capture();
    turnUntil(
        loop, [] { return dz_pingsInFlight() == 0; }, kPingWaitSeconds);
    result["events"] = app->events;
    result["reward"] = app->reward;
    result["error"] = app->error;
    DZLoggingQueue()->sync([] {});
    // The video's picture is a GL texture: it goes while the context that made it is current.
    if (context) context->makeCurrent();
    window->setRootViewController(nullptr);
    root.reset();
    loop.runUntilIdle();
    return result;
}
