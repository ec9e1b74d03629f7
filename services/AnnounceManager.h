#pragma once
// The one object that talks to the game's web server about announcements. At launch and at every
// return to the foreground it checks, no more often than the server allows, for a new list; a
// download thread fetches the list and each file it names into a private cache folder, checks
// each by CRC-32 and keeps a small status file. On the main thread it builds the banner of the
// game-over screen from the cached list and runs the banner's actions, and it takes the app URLs
// under "/announceManager/".
//
// Locks: readFileLock guards the list file and the clean-up against the banner build and
// deleteCacheFiles; shutdownLock guards the shutdown flag and every write into the cache folder.
// They are always taken in that order. The check times, the banner's dirty flag and the server's
// settings are guarded by the manager's own monitor, which is taken last and never held while
// another lock is taken.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ads/public/DZInterstitial.h"
#include "platform/geometry/Geometry.h"
#include "platform/image/Image.h"
#include "platform/plist/PlistDict.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "shell/Announcements.h"
#include "shell/SignedLinks.h"

class AppDoor;
class AnnounceInfo;
namespace platform::ui {
class View;
}

class AnnounceManager : public Announcements,
                        public std::enable_shared_from_this<AnnounceManager>,
                        public platform::ui::ActionSheetDelegate,
                        public platform::ui::AlertViewDelegate,
                        public DZInterstitialDelegate {
  public:
    // A failed check is tried again after this long.
    static constexpr double kRetryAfterFailure = 60;
    static constexpr double kDownloadTimeout = 30;
    // Bounds of what a check receives.
    static constexpr std::size_t kMaxListBytes = 1u << 20;
    static constexpr std::size_t kMaxFileBytes = 4u << 20;
    static constexpr int kMaxImageSide = 2048;
    static constexpr const char* kListFileName = "announce.plist";
    static constexpr const char* kStatusFileName = "status.plist";
    static constexpr const char* kCacheDirPrefix = "corvane_announce_cache";

    struct Options {
        // Where the cache folder is made; empty: the app's temporary folder.
        std::filesystem::path temporaryDirectory;
        // Seconds since 1970; empty: the system clock. Called from the download thread too.
        std::function<double()> clock;
    };

    // The process's manager, made on first use. It lives until the process ends.
    static AnnounceManager& sharedAnnounceManager();
    static std::shared_ptr<AnnounceManager> create(Options options = {});
    // The system clock, in seconds since 1970.
    static double systemNow();
    // Exactly the six ad settings the server may set.
    static bool isValidAmPropertyKey(const std::string& key);

    ~AnnounceManager() override;
    AnnounceManager(const AnnounceManager&) = delete;
    AnnounceManager& operator=(const AnnounceManager&) = delete;

    // Set once at launch; the manager never owns the core. Null forgets it.
    void setAppCore(AppDoor* core) override;
    AppDoor* appCore() const override { return appCore_; }
    double now() const;

    // --- checks (main thread) ---
    // Clears the shutdown flag, loads the status and, unless the last check is too recent, starts
    // the download thread. Never runs two threads: a thread still running after a shutdown is
    // waited for (it stops at once), and one running without a shutdown makes this call skip.
    void startDownload() override;
    // The app goes to the background or ends: from now on the download thread writes nothing,
    // and a transfer in progress is given up.
    void shutdown() override;
    bool isShutdown() const;
    bool isDownloading() const { return downloading_.load(); }
    // Waits until the download thread has ended (tests, and the app's end).
    void waitForDownload() override;
    // The same for at most `seconds` of real time; past that, one WARN, and the check is shut down
    // (it gives up its transfer and writes nothing) so the caller goes on without it. False then.
    bool waitForDownload(double seconds);

    double nextCheckAfter() const;
    double previousCheckAt() const;
    bool bannerIsDirty() const;

    // --- status and cache ---
    void saveState();
    // The state and the cache belong to the web base URL that answered them: under another one
    // (or one not recorded) they are dropped, and the next check is due at once.
    void loadState();
    // The private cache folder (mode 0700), made when missing; nothing when it cannot be made or
    // is not a folder of this user's.
    std::optional<std::filesystem::path> prepareCacheDir() const;
    std::filesystem::path cacheDirPath() const;
    std::filesystem::path statusFilePath() const;
    // Base URL + "cmd/announce"; empty without an app core.
    std::string announceCmdUrl() const;
    // Under readFileLock, then shutdownLock, and only while not shut down: deletes every regular
    // file of the cache folder whose name does not begin with ".". The check times stay.
    void deleteCacheFiles();

    // What a "Fi" item names: the file name (nothing unless a string), its CRC-32 (element 3 read
    // as hexadecimal; 0 when missing) and the cache file name "<name>.<crc as 8 hex digits>".
    struct FileCmd {
        std::optional<std::string> fname;
        uint32_t crc32 = 0;
        std::optional<std::string> cacheFilename;
    };
    static FileCmd processFileCmd(const platform::PlistArray& item);

    // --- URLs ---
    // A URL whose path begins "/announceManager/" is handled here; any other http or https URL
    // opens in the user's browser (never through a shell); anything else is refused.
    void openUrl(const std::string& url);
    void processAmUrl(const std::string& url) override;

    // --- the server's ad settings ---
    std::string amPropertyAsStringForKey(const std::string& key, const std::string& defaultVal) const;
    int amPropertyAsIntForKey(const std::string& key, int defaultVal) const;
    std::optional<std::map<std::string, std::string>> amProperties() const override;
    std::optional<platform::PlistArray> popupAdInfo() const;
    int popupAdDoneSerial() const;

    // --- the banner (main thread) ---
    // Shows the banner built from the cached list on parent, its centre placed by position and
    // the alignments (0 centres it on the position, 1 puts its right or bottom edge there). When
    // no banner can be built, the alternative view stays; otherwise it is taken away.
    void showBannerOn(const std::shared_ptr<platform::ui::View>& parent,
                      const std::shared_ptr<platform::ui::View>& alternativeView, platform::Point position,
                      int alignX, int alignY);
    void closeBanner();
    void clearBanner();
    bool buildBanner();
    const std::shared_ptr<platform::ui::View>& bannerView() const { return bannerView_; }
    const std::shared_ptr<AnnounceInfo>& currentAnnounceInfo() const { return currentAnnounceInfo_; }
    // A banner button was pushed: runs the action its item names.
    void buttonAction(int tag);
    // "AU" opens its URL; "AS" opens a choice sheet of further actions.
    void doAction(const platform::PlistArray& action);
    void actionSheetClickedButtonAtIndex(platform::ui::ActionSheet& sheet, int buttonIndex) override;
    void actionSheetCancel(platform::ui::ActionSheet& sheet) override;
    const std::shared_ptr<platform::ui::ActionSheet>& selectActionSheet() const { return selectActionSheet_; }

    // --- interstitial and pop-up (main thread) ---
    // A pop-up never shows more buttons than this, its own "OK" aside.
    static constexpr int kMaxPopupButtons = 10;
    // A load older than this counts as lost.
    static constexpr double kInterstitialLoadTimeout = 600;

    // Keeps one interstitial loading or ready while the server names an ad unit.
    void requestInterstitialAd() override;
    bool interstitialAdPresenting() const override { return interstitialAdPresenting_; }
    // Whether the current interstitial has been asked for and has neither arrived nor failed.
    bool interstitialAdLoading() const { return interstitialAdLoading_; }
    // Interstitials whose presentation started, since the manager was made.
    int interstitialsPresented() const { return interstitialsPresented_; }
    // context: 1 game over, 2 or 4 from the title. Shows the interstitial when due, then for a
    // game over the pop-up, and runs onDone once when the interstitial part is over.
    void showPopupAds(int context, const std::function<void()>& onDone) override;
    void showInterstitualAdSub(int context, std::function<void()> onDone);
    void showPopupAdSub();
    void removeInterstitialAd();
    std::string istAdStatus() const;
    const std::shared_ptr<DZInterstitial>& interstitialAd() const { return interstitialAd_; }
    const std::shared_ptr<platform::ui::AlertView>& popupAdAlertView() const { return popupAdAlertView_; }
    // Makes the interstitial and its request (tests put a fake engine's ones here).
    void setInterstitialFactory(std::function<std::shared_ptr<DZInterstitial>(const std::string&)> make,
                                std::function<std::shared_ptr<DZRequest>()> request = nullptr) {
        makeInterstitial_ = std::move(make);
        makeInterstitialRequest_ = std::move(request);
    }

    void interstitialDidReceiveAd(DZInterstitial& ad) override;
    void interstitialDidFailToReceiveAd(DZInterstitial& ad, const DZRequestError::Ref& error) override;
    void interstitialDidDismissScreen(DZInterstitial& ad) override;
    void alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int buttonIndex) override;

  private:
    explicit AnnounceManager(Options options);

    // What the download thread needs of the app core, taken on the main thread.
    struct DownloadJob {
        SignedLinks::Identity identity;
        std::filesystem::path cacheDir;
    };
    // A finished transfer: the body and the URL that answered (after redirects).
    struct Download {
        std::string body;
        std::string finalUrl;
    };

    void downloadTaskMain(DownloadJob job);
    void doDownloadTasks(const DownloadJob& job);
    std::optional<Download> downloadWithUrl(const std::string& url, std::size_t maxBytes);
    // Checks (and, unless cached whole, downloads and saves) one "Fi" file; false ends the task.
    bool fetchFile(const DownloadJob& job, const std::string& base, const FileCmd& file);
    void deleteUnwantedFiles(const std::filesystem::path& dir, const std::set<std::string>& wanted) const;
    // Drops the state and every cached file, which were another server's; the serial of the pop-up
    // shown last, which is what the player saw, stays.
    void forgetState(const std::string& webUrl);
    // Writes the status file (mode 0600) into the cache folder dir.
    void writeStatus(const std::filesystem::path& dir, const platform::PlistDict& status);
    // Once the cache was emptied, with shutdownLock_ held and not shut down: a status holding only
    // the serial of the pop-up shown last (and the web base URL it is kept under), as the pop-up
    // the player has seen stays seen whatever launch comes next. Nothing while none was shown.
    void keepPopupAdDoneSerial();
    // The status file's serial of the pop-up shown last; with monitor_ held.
    void loadPopupAdDoneSerial(const platform::PlistDict& status);
    bool buildBannerSub();
    std::shared_ptr<const platform::Image> getImageForKey(
        const std::string& key, const std::filesystem::path& cacheDir, const AnnounceInfo& info,
        std::map<std::string, std::shared_ptr<const platform::Image>>& images) const;
    // Runs fn on the main run loop while the manager lives.
    void postToMain(std::function<void(AnnounceManager&)> fn);

    Options options_;
    AppDoor* appCore_ = nullptr;
    std::atomic<int> gameId_;  // the app core's, for the cache folder's name

    // These three are shared with the download thread (the order is in the header's first note).
    std::mutex readFileLock_;
    mutable std::mutex shutdownLock_;
    bool shutdown_ = false;  // shutdownLock_
    // Set by the destructor: the thread gives up whatever it waits for.
    std::atomic<bool> abort_{false};
    std::thread downloadThread_;
    std::atomic<bool> downloading_{false};
    std::mutex downloadEndLock_;
    std::condition_variable downloadEnded_;  // downloading_ went false

    mutable std::mutex monitor_;
    double nextCheckAfter_ = 0;                                       // monitor_
    double previousCheckAt_ = 0;                                      // monitor_
    bool bannerIsDirty_ = false;                                      // monitor_
    std::optional<std::map<std::string, std::string>> amProperties_;  // monitor_
    std::optional<platform::PlistArray> popupAdInfo_;                 // monitor_
    int popupAdDoneSerial_ = 0;                                       // monitor_
    // The web base URL whose answers the state and the cache hold.
    std::string stateWebUrl_;  // monitor_

    // Banner state: main thread only.
    std::shared_ptr<platform::ui::View> bannerView_;
    std::shared_ptr<AnnounceInfo> currentAnnounceInfo_;
    std::weak_ptr<platform::ui::View> parentView_;
    platform::Point bannerPosition_;
    int bannerAlignX_ = 0;
    int bannerAlignY_ = 0;
    std::optional<platform::PlistArray> selectOptions_;
    std::shared_ptr<platform::ui::ActionSheet> selectActionSheet_;

    // Interstitial and pop-up: main thread only.
    void callOnDoneInterstitualAd();
    std::function<std::shared_ptr<DZInterstitial>(const std::string&)> makeInterstitial_;
    std::function<std::shared_ptr<DZRequest>()> makeInterstitialRequest_;
    std::shared_ptr<DZInterstitial> interstitialAd_;
    // The server's unit the current interstitial was asked for.
    std::string interstitialAdUnitId_;
    double interstitialAdRequestAt_ = 0;
    double interstitialAdShownAt_ = 0;
    bool interstitialAdLoading_ = false;
    bool interstitialAdPresenting_ = false;
    int interstitialsPresented_ = 0;
    std::function<void()> onDoneInterstitualAd_;
    std::shared_ptr<platform::ui::AlertView> popupAdAlertView_;
    // The URL of each pop-up button after the cancel button; empty: opens nothing.
    std::vector<std::string> popupAdButtons_;
};
