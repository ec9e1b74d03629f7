#pragma once
// What the web layer counts of one page the host loads, its own reloads included, against
// WebPageLimits: made anew as the host loads a page (never when the page navigates itself), so
// that what a page makes the game log is said once a page. Counts kept for the page's web process
// instead (its navigation windows, its processor time) live as long as the process.
namespace platform::web {

struct WebPageState {
    int oversizedNavigations = 0;  // navigations refused for their size
    int processLines = 0;          // lines of its web process's output
    bool toldRefusedScript = false;
    bool toldRefusedRequests = false;
    bool toldCpuLeft = false;  // left alone past its processor share
};

}  // namespace platform::web
