#pragma once
#include <optional>
#include <string>
#include <vector>

// What one run reports in its closing JSON line.
struct RunResult {
    int level = 0;
    unsigned long long seed = 0;
    long long ticks = 0;
    long long frames = 0;    // frame-timer firings; equal to ticks on the virtual clock
    long long rendered = 0;  // frames drawn: the captured ones only
    int score = 0;
    std::string state = "intro";      // "intro", "playing" or "gameover"
    std::vector<std::string> opened;  // web pages the run would have opened, in order
    // The root screen at the end: "title", "select", "game", "pause", "gameover" or "tools".
    std::string screen;
    // --web-page: the page, the tick after which it had loaded (-1: it did not), and why it failed.
    struct WebPage {
        std::string url;
        long long loadedAtTick = -1;
        std::string error;
    };
    std::optional<WebPage> webPage;
    // The game-over screen's ad banner: "none" (never asked for), "pending", "received" or
    // "failed", and the ad fetches the run started; the interstitials that came on screen, and
    // whether one is still up at the end.
    struct Ads {
        std::string banner = "none";
        long long adRequests = 0;
        int interstitialsShown = 0;
        bool interstitialOnScreen = false;
    };
    Ads ads;
    // Store saves (scores, settings, unlocks, caches) that kept nothing during the run.
    long long storeWritesFailed = 0;

    std::string toJson() const;
};
