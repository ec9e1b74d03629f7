#pragma once
// What one page may spend, in one place. WebLimits are the host's, given as the engine starts
// (and partly on later starts); WebPageLimits are fixed: those the host keeps for a page (its
// navigations, its process's lines, its pictures' copies) and those the extension keeps in the
// page's web process (its requests, its output). The ad component's own allowance of a page is
// DZPageAllowance's.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform::web {

struct WebLimits {
    // Live views at once; createView refuses more. Six hold what the ad component keeps at
    // once (a banner, a preloaded interstitial, the hidden core page, one extra ad view and a
    // full-screen page) and one spare view of the web-view cache.
    int maxViews = 6;
    double loadTimeoutSeconds = 30;   // a load still running then is stopped and fails
    double scriptTimeoutSeconds = 5;  // an evaluation not answered by then fails, and its page is stopped
    // A page that has not answered the host's probe within the time-out is stopped; probes go
    // every interval while a page is shown. A spinning page is stopped within their sum.
    double probeIntervalSeconds = 1;
    double probeTimeoutSeconds = 2;
    int dialogsAnswered = 20;     // per load: later dialogs are dismissed unasked
    int dialogsBeforeStop = 200;  // per load: a page opening more is stopped as hostile
    // Per page the host loads (its own reloads included): a page sending this many navigations
    // over WebEngine::kMaxNavigationURLBytes is stopped as hostile (each is refused).
    int oversizedNavigationsBeforeStop = 3;
    // Taken when the engine starts, for good. A web process (one view's) is held under the
    // limit: the extension in it measures it every watch interval while it grows or nears the
    // limit (less often at rest) and has it ended, as hostile, well before the limit (the
    // engine's own measure, a second old at worst, is only the last resort). The engine frees
    // what it can past half the limit.
    int webProcessMemoryLimitMB = 512;
    double memoryPollSeconds = 1;
    int memoryWatchMilliseconds = 10;
    // Taken when the engine starts, for good. A web process that used more than its share of the
    // processor on average over a whole span of real time (read once a second by the extension in
    // it) is ended as hostile when that costs the game: its main loop's ticks came late, or the
    // page drew next to no frames for its time (see PageCpuCost). The share is this fraction of
    // the cores the game may run on (its affinity), and at most webProcessCpuMostCores: a banner's
    // animations cost a tenth to a fifth of a core where the game has several, and half of one on
    // a machine of one core. A share of 0 turns the watch off.
    double webProcessCpuShare = 0.25;
    double webProcessCpuMostCores = 1;
    double webProcessCpuSpanSeconds = 10;
    // Last path components of script requests the views' responders may answer.
    std::vector<std::string> interceptedScripts{"mraid.js"};
};

struct WebPageLimits {
    // A page asking for more navigations than this within kNavigationWindowSeconds has its web
    // process ended as hostile. The engine spends the game's own time on every navigation a page
    // asks for, even one refused unseen, and pages' messages to the host travel as navigations:
    // whoever takes them takes far fewer (the ad bridge, 100 at once then 50 a second), so a page
    // this far past that only costs the game a core while its messages are dropped.
    static constexpr int kMaxNavigationsPerWindow = 1000;
    static constexpr double kNavigationWindowSeconds = 2;
    // The same for a page that keeps to twice the ad bridge's rate for seconds on end, under the
    // burst bound: at a few hundred a second it cost the game and its web process half a core
    // while it showed. Pages that mean well send a few a second.
    static constexpr int kMaxSustainedNavigations = 1200;
    static constexpr double kSustainedWindowSeconds = 12;
    // The same windows weigh the navigations' URLs too: the engine copies every byte of one
    // through both processes, so a page keeping under the counts with messages of a MiB each
    // cost the game most of a core and hundreds of MB while it showed. Pages that mean well send
    // a few KiB a second; one sending URLs over the size limit is stopped for that first.
    static constexpr std::size_t kMaxNavigationBytesPerWindow = 16u << 20;
    static constexpr std::size_t kMaxSustainedNavigationBytes = 20u << 20;
    // Lines of its web process's own output (which the extension passes on, a few a second) the
    // game logs for a page the host loads, then one saying the rest is dropped.
    static constexpr int kMaxProcessLinesPerPage = 20;
    // Of a page's address in the line saying why the page was stopped.
    static constexpr std::size_t kMaxStopLineURLBytes = 512;

    // How often, at most, a shown page's picture is taken again.
    static constexpr double kRefreshSeconds = 1.0 / 30;
    // The share of a core the copies of all pages' pictures, and the frames they ask for, may
    // cost the game on average: past it they come less often (see FrameCopyPace).
    static constexpr double kCopyCoreShare = 0.2;

    // Kept in the page's web process. A page may have this many requests (of any kind, its
    // frames' included) go through within each span; past either, the rest of that span's are
    // refused, and only those that went through count. Creatives ask a few dozen as they load,
    // then a few a second.
    static constexpr int kMaxBurstRequests = 400;
    static constexpr std::int64_t kBurstMicroseconds = 2'000'000;
    static constexpr int kMaxSustainedRequests = 1200;
    static constexpr std::int64_t kSustainedMicroseconds = 20'000'000;
    // Of what the web process writes to its stderr: lines passed on at once, then each second;
    // longer lines are cut.
    static constexpr int kBurstLines = 20;
    static constexpr double kLinesPerSecond = 2;
    static constexpr std::size_t kMaxLineBytes = 512;
};

}  // namespace platform::web
