#pragma once
// The local ad server: stands in for everything outside the game that the ad component talks
// to. It answers ad requests by ad unit (a house banner and interstitial of our own, no fill, errors, slow
// and hostile answers, house mediation configurations, house native ads), serves the banner's landing page
// and creatives, the native ads' support page and pictures on
// their own, takes impression, click, report and mediation pings, and records every hit it gets: one JSON
// object a line in an optional log file, and the newest of them at GET /_log (HitLog bounds both).
// Listens on 127.0.0.1 only and takes only what RequestGate lets through. Tests run it in-process;
// tikoleap-adserver runs it alone.
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "tools/adserver/HitLog.h"
#include "tools/adserver/LocalHttpServer.h"

namespace tikoleap::adserver {

class AdServer {
  public:
    // Where the SDK core page is.
    static constexpr const char* kCorePagePath = "/zads/static/sdk/native/sdk-core-v40.html";
    // The longest "delay_ms" tikoleap-slow honours.
    static constexpr long kMaxDelayMs = 120000;
    // How many answers may be held back at once (tikoleap-slow, the delaying creative); more are
    // refused with 503 at once. Fewer than the server's workers, so other requests are answered.
    static constexpr int kMaxHolds = 8;
    static_assert(kMaxHolds < static_cast<int>(LocalHttpServer::kWorkers) / 2);
    // The house banner's Zadava Duru set-up, so that it is measured.
    static constexpr const char* kZadavaDuruConfiguration = "{\"visible_share\":0.5}";
    // The largest Zadava Duru unit the log keeps whole.
    static constexpr std::size_t kMaxUnitBytes = 65536;
    // How long the delaying creative holds the rest of its page back after its head.
    static constexpr long kDelayCreativeHoldMs = 1000;
    // How long it waits for the page to say its start has left, before holding anyway.
    static constexpr long kDelayHeardWaitMs = 10000;

    // The unit whose answers rotate when rotateBanner is on.
    static constexpr const char* kRotatingUnit = "tikoleap-banner";
    // Rich-media units are this prefix and a creative's name (MRAIDCreatives).
    static constexpr const char* kMRAIDUnitPrefix = "tikoleap-mraid-";
    // The rich-media interstitial whose taps run the device actions one at a time.
    static constexpr const char* kActionsUnit = "tikoleap-actions";

    AdServer() = default;
    ~AdServer();
    AdServer(const AdServer&) = delete;
    AdServer& operator=(const AdServer&) = delete;

    // Listens on 127.0.0.1:port (0: a free port), appending the log to logPath when it is not
    // empty. False, with the reason in error, when the port or the log file cannot be had.
    bool start(int port, const std::string& logPath, std::string* error = nullptr);
    // Stops listening and ends held answers; safe to call twice.
    void stop();

    // When on (set before start), kRotatingUnit answers in turn with the house banner and each
    // rich-media banner, so that a player sees them all; off, it is always the house banner.
    void setRotateBanner(bool on) { rotateBanner_ = on; }
    // The units the announcement list names for the game's banner and interstitial (set before
    // start). Only lower-case letters, digits and "-", at most 64: false otherwise, nothing changed.
    bool setAnnouncedUnits(const std::string& banner, const std::string& interstitial);
    static bool isUnitName(const std::string& name);
    // The seconds the announcement list gives for showing a received banner again instead of
    // asking anew (set before start): kMinRefreshInterval to kMaxRefreshInterval, false otherwise,
    // nothing changed.
    static constexpr int kMinRefreshInterval = 1;
    static constexpr int kMaxRefreshInterval = 3600;
    bool setRefreshInterval(int seconds);

    int port() const { return port_; }
    // "http://127.0.0.1:PORT/".
    std::string baseURL() const;

    // The hits kept (the newest ones), in order.
    std::vector<nlohmann::json> log() const;
    // Waits (real time) until at least n kept hits have the kind; false on time-out.
    bool waitForKind(const std::string& kind, std::size_t n, std::chrono::milliseconds timeout) const;

    // What a path is, as the log names it.
    static std::string kindOfPath(const std::string& path);
    // Whether a bad-ad report is well formed: JSON, an object holding only "debugHeader" (text
    // or null), at most kMaxReportBytes.
    static constexpr std::size_t kMaxReportBytes = 8u << 20;
    static bool isBadAdReport(const std::string& contentType, const std::string& body);
    // Where the test videos served at /video/green.ogv and /video/green.webm are.
    static constexpr const char* kVideoFolder = TIKOLEAP_VIDEO_DIR;
    // A test video's file, or 404 when the build has not made it.
    static void answerVideo(const std::string& name, httplib::Response& res);
    // Where the link of the creatives served alone leads.
    static constexpr const char* kCreativeLanding = "/landing?slot=creative&ad=0";
    // What the self-clicking creative runs: its own link clicked 0.5 s after the page loaded.
    static constexpr const char* kAutoClickScript =
        "window.addEventListener('load',function(){setTimeout(function(){"
        "document.querySelector('a').click();},500);});";

    // The house banner's page, running the script (when given) after its link.
    static std::string houseBannerHTML(const std::string& landingURL, const std::string& script = "");
    // The house interstitial's page: the whole page green, with one link across y 160 to 320.
    static std::string houseInterstitialHTML(const std::string& landingURL);
    // The announcement list the game's web server would send (an XML property list): it switches
    // the game's ad banner on with the unit tikoleap-banner, refreshed every refreshInterval s, shows the
    // interstitial tikoleap-interstitial after every game over (context flag 1, no interval), and
    // carries one pop-up (serial kPopupSerial, no expiry) whose button opens kPopupLanding under
    // baseURL ("http://127.0.0.1:PORT/").
    static std::string announceListXML(const std::string& baseURL,
                                       const std::string& bannerUnit = kRotatingUnit,
                                       const std::string& interstitialUnit = "tikoleap-interstitial",
                                       int refreshInterval = 60);
    static constexpr int kPopupSerial = 1;
    static constexpr const char* kPopupButton = "Show me";
    static constexpr const char* kPopupLanding = "landing?slot=popup";

  private:
    // Keeps the hit; a refused one with its status as "refused".
    void record(const httplib::Request& req, int refused = 0);
    void answerAdRequest(const httplib::Request& req, httplib::Response& res);
    // The ad's number.
    std::string answerHouseBanner(const httplib::Request& req, httplib::Response& res,
                                  const std::string& unit);
    void answerHouseInterstitial(httplib::Response& res, const std::string& unit);
    // The house banner as an ad dictionary (what the core page hands over for tikoleap-core-ad).
    nlohmann::json houseBannerAd();
    // "delayPageLoaded" start, then stop after "ms" (0 to kMaxDelayMs) milliseconds.
    void answerDelayCreative(const httplib::Request& req, httplib::Response& res);
    // The rich-media creative of the name as an ad answer; false for an unknown name.
    bool answerMRAID(const httplib::Request& req, httplib::Response& res, const std::string& name,
                     const std::string& unit);
    // The house mediation configuration a tikoleap-mediation-NAME unit names, if there is one.
    std::optional<std::string> mediationConfiguration(const std::string& unit) const;
    void answerHostile(const httplib::Request& req, httplib::Response& res, const std::string& unit);
    // Answers refused requests (recording them) before anything else reads them.
    httplib::Server::HandlerResponse admit(const httplib::Request& req, httplib::Response& res);
    // One of the kMaxHolds places for a held answer, given back when the token goes; null when
    // all are taken.
    std::shared_ptr<void> takeHold();
    // Holds the answer for ms, or until the server stops.
    void hold(long ms);

    LocalHttpServer server_;
    std::thread thread_;
    int port_ = 0;
    std::chrono::steady_clock::time_point started_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    HitLog hits_;
    bool stopping_ = false;
    int holds_ = 0;
    std::atomic<long> nextAd_{1};
    std::atomic<long> nextDelay_{1};
    bool rotateBanner_ = false;
    std::string announcedBanner_ = kRotatingUnit;
    std::string announcedInterstitial_ = "tikoleap-interstitial";
    int refreshInterval_ = 60;
    std::atomic<long> nextRotation_{0};
    std::set<std::string> delaysHeard_;
};

}  // namespace tikoleap::adserver
