#include "app/HeadlessWaits.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ads/public/DZAdActivity.h"
#include "ads/public/DZInterstitial.h"
#include "app/MyAppCore.h"
#include "appbase/LogMessage.h"
#include "platform/runloop/MainContextPump.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/WebContentView.h"
#include "platform/web/WebViews.h"
#include "services/AnnounceManager.h"
#include "services/DiDazSupport.h"

namespace {

// A page's drawing is over once it has not drawn for this long: a frame follows the one before
// within a display refresh or two.
constexpr std::chrono::milliseconds kStillAfterRedraw{150};

const std::string kBesideTheGame = ": it goes on beside the game";

// Whether every page shown under view has painted at the capture's scale: the engine draws a page
// a moment after it has loaded, and again a moment after its scale changed (the first capture
// sets it), and a capture must not show the moment before. A page counts as painted once its
// bottom row is, so that a picture left over from another scale (which covers only the top left)
// does not count; a page that leaves its bottom clear (what is under it shows there) counts once
// the engine has drawn it at its size and scale.
bool pagesPainted(const platform::ui::View& view, float scale) {
    if (auto* page = dynamic_cast<const platform::web::WebContentView*>(&view); page && !view.isHidden()) {
        page->engine()->setScale(scale);
        const platform::Image image = page->engine()->snapshot();
        if (image.width <= 0 || image.height <= 0) return false;
        const std::size_t lastRow = static_cast<std::size_t>(image.height - 1) * image.width * 4;
        bool painted = page->engine()->drawnAtSize();
        for (std::size_t i = lastRow + 3; i < image.pixels.size() && !painted; i += 4)
            painted = image.pixels[i] != 0;
        if (!painted) return false;
    }
    for (const auto& child : view.subviews())
        if (!pagesPainted(*child, scale)) return false;
    return true;
}

// The engines of the pages shown under view, with their size and drawn frame now.
struct ShownPage {
    std::weak_ptr<platform::web::WebEngine> engine;
    int width = 0;
    int height = 0;
    std::uint64_t frame = 0;
};
void shownPages(const platform::ui::View& view, std::vector<ShownPage>& pages) {
    if (view.isHidden()) return;
    if (auto* page = dynamic_cast<const platform::web::WebContentView*>(&view); page && page->engine()) {
        const auto& engine = page->engine();
        pages.push_back({engine, engine->width(), engine->height(), engine->frameNumber()});
    }
    for (const auto& child : view.subviews()) shownPages(*child, pages);
}

template <typename Views>
std::vector<std::weak_ptr<platform::web::WebEngine>> shownEngines(const Views& views) {
    std::vector<ShownPage> pages;
    for (const auto& view : views) shownPages(*view, pages);
    std::vector<std::weak_ptr<platform::web::WebEngine>> engines;
    for (const ShownPage& page : pages) engines.push_back(page.engine);
    return engines;
}

}  // namespace

HeadlessWaits::HeadlessWaits(platform::ManualRunLoop& loop, MyAppCore& core, float scale, Limits limits,
                             long long adLoadsBefore)
    : loop_(loop),
      core_(core),
      scale_(scale),
      adWait_(limits.adWait),
      pageLoads_(limits.pageLoadsPerRun, "pages on their way", "pages now load beside the game"),
      adLoads_(kAdWaitsPerRun, "ads", "ads now load and paint beside the game"),
      toldPages_(kToldWaitsPerRun, "pages told a new state", "pages now draw beside the game"),
      adLoadsSeen_(adLoadsBefore),
      interstitialsSeen_(core.announceManager().interstitialsPresented()),
      statesSeen_(DZAdActivity::statesTold()) {}

bool HeadlessWaits::standStill(const std::function<bool()>& done, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        loop_.runUntilIdle();
        if (done()) break;
        // Replies from other threads come as posts to the loop, which does not wake GLib: short
        // slices keep both moving.
        if (platform::web::WebViews::engineRunning())
            platform::MainContextPump::waitUntil(done, 0.002);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool HeadlessWaits::standStillEachStep(const std::function<bool()>& done, double seconds, double most) {
    const auto start = std::chrono::steady_clock::now();
    const auto last = start + std::chrono::duration<double>(std::max(most, seconds));
    long long steps = DZAdActivity::loadsStarted();
    auto stepEnd = start + std::chrono::duration<double>(seconds);
    // Each slice ends at the step's deadline, or as soon as a new step starts.
    const auto moved = [&] { return done() || DZAdActivity::loadsStarted() != steps; };
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        const double slice = std::chrono::duration<double>(std::min(stepEnd, last) - now).count();
        if (slice <= 0) return done();
        if (standStill(moved, slice) && done()) return true;
        if (DZAdActivity::loadsStarted() != steps) {
            steps = DZAdActivity::loadsStarted();
            stepEnd = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        }
    }
}

void HeadlessWaits::afterTick() {
    waitForPageLoads();
    waitForBanner();
    waitForInterstitialLoad();
    waitForAdLoads();
    waitForInterstitialPaint();
    waitForResizedPages();
    waitForSlides();
    waitForToldPages();
}

// Web events come on real time, from GLib's default main context, which nothing else here runs.
// They are taken between ticks, never inside one, and the virtual clock stands still meanwhile:
// a page asked for in a tick has loaded (or failed) before the next, however long it took within
// the run's budget, so the game's code sees a page's end at the same tick in every run.
void HeadlessWaits::waitForPageLoads() {
    if (!platform::web::WebViews::engineRunning()) return;
    platform::MainContextPump::dispatchReady();
    if (!platform::web::WebViews::loading()) return;
    auto loaded = [] { return !platform::web::WebViews::loading(); };
    pageLoads_.wait(
        pageLoads_.left(), [&](double limit) { return platform::MainContextPump::waitUntil(loaded, limit); },
        "");
}

void HeadlessWaits::warnIfNoDisplay() {
    if (!platform::web::WebViews::displayNamed() && !std::exchange(warnedNoDisplay_, true))
        LogMessage("headless run", 3, "no display: the ads have no web view and fail");
}

bool HeadlessWaits::bannerDrawn() const {
    const std::shared_ptr<DiDazSupport>& ads = core_.diDazSupport();
    if (!ads || ads->bannerState() != DiDazSupport::BannerState::received || !ads->diDazAd()) return true;
    const std::shared_ptr<platform::ui::View> view = ads->diDazAd()->view();
    return !view || !platform::web::WebViews::engineRunning() || pagesPainted(*view, scale_);
}

bool HeadlessWaits::waitingToSlide() const {
    const auto& root = core_.window()->rootViewController();
    for (auto shown = root ? root->presentedViewController() : nullptr; shown;
         shown = shown->presentedViewController())
        if (shown->isWaitingToSlide()) return true;
    return false;
}

void HeadlessWaits::giveUpAdLoadsUnderWay() {
    adLoadsSeen_ = DZAdActivity::loadsStarted();
}

// A banner load started in a tick ends before the next one, so that the same run shows the same
// banner at the same tick; when received, its page has painted too.
void HeadlessWaits::waitForBanner() {
    const std::shared_ptr<DiDazSupport> ads = core_.diDazSupport();
    if (!ads || ads->diDazRequests() == bannerLoadsSeen_) return;
    bannerLoadsSeen_ = ads->diDazRequests();
    warnIfNoDisplay();
    // A load that started and now waits only on the component's own clock (a mediated banner's
    // network time-out or draw check) needs the clock to move on: the wait ends there, and the
    // wait for ad loads takes up each real-time step that follows.
    const long long before = adLoadsSeen_;
    auto ended = [this, &ads, before] {
        const bool onlyOnTheClock =
            DZAdActivity::loadsStarted() > before && DZAdActivity::loadsUnderWaySince(before) == 0;
        return (ads->bannerState() != DiDazSupport::BannerState::pending || onlyOnTheClock) && bannerDrawn();
    };
    if (!adLoads_.wait(
            adWait_, [&](double limit) { return standStillEachStep(ended, limit, adLoads_.left()); },
            "the ad banner did not load and paint", kBesideTheGame))
        giveUpAdLoadsUnderWay();
}

// The interstitial kept loaded for the next game over, likewise: each load has its answer before
// the next tick, so the same run finds it ready (or not) at the same game over.
void HeadlessWaits::waitForInterstitialLoad() {
    AnnounceManager& announcer = core_.announceManager();
    const std::shared_ptr<DZInterstitial>& ad = announcer.interstitialAd();
    if (!ad || ad == interstitialSeen_.lock() || !announcer.interstitialAdLoading()) return;
    interstitialSeen_ = ad;
    warnIfNoDisplay();
    auto ended = [this, &announcer] {
        return announcer.interstitialAd() != interstitialSeen_.lock() || !announcer.interstitialAdLoading();
    };
    if (!adLoads_.wait(
            adWait_, [&](double limit) { return standStill(ended, limit); }, "the interstitial did not load",
            kBesideTheGame))
        giveUpAdLoadsUnderWay();
}

// Every other ad load (a banner's refresh, a load started by a page or a retry) likewise: its
// time-outs (the core page's answer, the fetch, the render) run on the virtual clock, which would
// spend them in a few ticks while the page and the server answer in real time.
void HeadlessWaits::waitForAdLoads() {
    const long long started = DZAdActivity::loadsStarted();
    if (started == adLoadsSeen_) return;
    const long long since = std::exchange(adLoadsSeen_, started);
    warnIfNoDisplay();
    // A banner's new page is drawn before the next tick too, so that a capture shows it whole.
    auto ended = [this, since] { return DZAdActivity::loadsUnderWaySince(since) == 0 && bannerDrawn(); };
    adLoads_.wait(
        adWait_, [&](double limit) { return standStillEachStep(ended, limit, adLoads_.left()); },
        "an ad load did not end", kBesideTheGame);
}

// Once an interstitial comes on screen, its page is painted at the capture's scale before the
// next tick, so that every frame of it shows the page.
void HeadlessWaits::waitForInterstitialPaint() {
    AnnounceManager& announcer = core_.announceManager();
    if (announcer.interstitialsPresented() == interstitialsSeen_) return;
    interstitialsSeen_ = announcer.interstitialsPresented();
    if (!platform::web::WebViews::engineRunning()) return;
    // A look draws the whole page (milliseconds at a large scale); looking without a pause keeps
    // the engine from ever painting the page at the new scale.
    bool seenPainted = false;
    std::chrono::steady_clock::time_point lastLook;
    auto painted = [this, &seenPainted, &lastLook] {
        const auto now = std::chrono::steady_clock::now();
        if (seenPainted || now - lastLook < std::chrono::milliseconds(50)) return seenPainted;
        lastLook = now;
        const std::vector<std::shared_ptr<platform::ui::View>> shown = core_.window()->presentedViews();
        seenPainted = true;
        for (const auto& view : shown) seenPainted = seenPainted && pagesPainted(*view, scale_);
        return seenPainted;
    };
    if (!adLoads_.wait(
            adWait_, [&](double limit) { return standStill(painted, limit); },
            "the interstitial's page did not paint"))
        return;
    // The engine's window is redrawn at the new size at once, still with the picture laid out
    // before, which counts as drawn: a page answers a script sent now only once it has taken the
    // new size in, and draws it within a frame or two after, so the capture waits for that.
    if (!toldPages_.spent())
        waitForDrawsAfterAnAnswer(shownEngines(core_.window()->presentedViews()), false,
                                  "the interstitial's page did not answer");
}

// A page's view follows its ad's size (resized, expanded) only when laid out, which a run does
// only for its captures: laid out after each tick, a page that took a new size then has drawn at
// it before the next tick, so a capture never stretches the old picture over the new.
void HeadlessWaits::waitForResizedPages() {
    const auto& window = core_.window();
    std::vector<ShownPage> before;
    shownPages(*window, before);
    window->layoutIfNeeded();
    if (!platform::web::WebViews::engineRunning()) return;
    std::vector<ShownPage> resized;
    for (ShownPage& page : before) {
        const auto engine = page.engine.lock();
        if (engine && (engine->width() != page.width || engine->height() != page.height))
            resized.push_back({engine, engine->width(), engine->height(), engine->frameNumber()});
    }
    if (resized.empty()) return;
    auto drawn = [&resized] {
        for (const ShownPage& page : resized) {
            const auto engine = page.engine.lock();
            if (engine && !engine->drawnSince(page.frame)) return false;
        }
        return true;
    };
    adLoads_.wait(
        adWait_, [&](double limit) { return standStill(drawn, limit); },
        "a page did not draw at its new size");
}

// A presentation's slide waits for the pages it brings in to draw at their size: started from the
// frame heard while the run stands still, it starts at the same virtual time in every run.
void HeadlessWaits::waitForSlides() {
    if (!waitingToSlide()) return;
    adLoads_.wait(
        adWait_, [&](double limit) { return standStill([this] { return !waitingToSlide(); }, limit); },
        "a page sliding in did not draw");
}

// A page told its new state (expanded, resized, back to default) at the end of a slide on the
// virtual clock redraws in real time: before the next tick every shown page answers a script sent
// after the news, so its listeners have run, and then draws, so that a capture shows what the page
// made of it. A frame the engine had on its way when the page answered may arrive first and still
// show the page as it was, so the drawing counts as done once the pages have drawn and then stayed
// still a while. A page whose look did not change draws nothing: it is given up after a short
// while, quietly.
void HeadlessWaits::waitForToldPages() {
    if (DZAdActivity::statesTold() == statesSeen_) return;
    statesSeen_ = DZAdActivity::statesTold();
    if (!platform::web::WebViews::engineRunning() || toldPages_.spent()) return;
    waitForDrawsAfterAnAnswer(shownEngines(std::vector<std::shared_ptr<platform::ui::View>>{core_.window()}),
                              true, "a page told its new state did not answer");
}

void HeadlessWaits::waitForDrawsAfterAnAnswer(
    const std::vector<std::weak_ptr<platform::web::WebEngine>>& pages, bool mustDraw,
    const std::string& what) {
    struct Told {
        std::weak_ptr<platform::web::WebEngine> engine;
        std::optional<std::uint64_t> frameAtAnswer;
        std::uint64_t frameSeen = 0;
    };
    auto told = std::make_shared<std::vector<Told>>();
    for (const auto& page : pages) {
        const auto engine = page.lock();
        if (!engine) continue;
        const std::size_t index = told->size();
        told->push_back({engine, std::nullopt});
        // Held weakly: an answer after the wait finds nothing to note.
        engine->evaluateScript("0", [weak = std::weak_ptr(told), index](const platform::web::ScriptResult&) {
            const auto pages = weak.lock();
            if (!pages) return;
            Told& page = (*pages)[index];
            if (const auto e = page.engine.lock()) page.frameAtAnswer = page.frameSeen = e->frameNumber();
        });
    }
    auto answered = [&told] {
        for (const Told& page : *told)
            if (!page.engine.expired() && !page.frameAtAnswer) return false;
        return true;
    };
    if (!toldPages_.wait(
            adWait_, [&](double limit) { return standStill(answered, limit); }, what))
        return;
    auto lastDraw = std::chrono::steady_clock::now();
    auto drawnAndStill = [&told, &lastDraw, mustDraw] {
        const auto now = std::chrono::steady_clock::now();
        bool allDrew = true;
        for (Told& page : *told) {
            const auto engine = page.engine.lock();
            if (!engine) continue;
            if (engine->frameNumber() != page.frameSeen) {
                page.frameSeen = engine->frameNumber();
                lastDraw = now;
            }
            allDrew = allDrew && (!mustDraw || engine->drawnSince(*page.frameAtAnswer));
        }
        return allDrew && now - lastDraw >= kStillAfterRedraw;
    };
    toldPages_.wait(
        kRedrawAfterState, [&](double limit) { return standStill(drawnAndStill, limit); }, "");
}
