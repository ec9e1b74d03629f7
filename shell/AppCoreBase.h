#pragma once
// The shell's one long-lived object: the start-up chain and the application's life cycle, the
// bundle information, the settings and the device account id, the signed server links, the URLs
// opened into the app, the OpenGL context, the game's textures, the game core's context and the
// game view, and the turns between the game and the screens around it. The screens and services
// are made above the shell (the game's app core hands them in) and reach this core through its
// door (AppDoor); it holds them through ScreenFlow and Announcements. Its methods are spread over
// units by concern: AppCoreBase.cpp (resources and sounds), AppCoreScreens.cpp (the game view and
// the turns between screens), AppCoreLaunch.cpp (start-up, life cycle, URLs, alerts),
// AppCoreSettings.cpp (settings, account id, orientation records) and AppCoreLinks.cpp (signed links).
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "appbase/JTAppContext.h"
#include "platform/geometry/Geometry.h"
#include "platform/plist/PlistDict.h"
#include "platform/ui/AlertView.h"
#include "shell/AccelerometerHelper.h"
#include "shell/AppDoor.h"
#include "shell/OrientationDependedInfo.h"
#include "shell/SignedLinks.h"

namespace platform {
class GLContext;
class Url;
}  // namespace platform
namespace platform::ui {
class View;
class ViewController;
class Window;
}  // namespace platform::ui
namespace JTAppBase {
class JTLevelManager;
}
class Texture2D;
class GameViewBase;
class SoundObj;
class LevelInfo;
class LevelScores;
class LevelScoreElem;
class Announcements;
class ScreenFlow;

class AppCoreBase : public JTAppBase::AppCoreLink,
                    public AppDoor,
                    public AccelerometerHelper::Owner,
                    public platform::ui::AlertViewDelegate {
  public:
    static constexpr int kTextureSlots = 18;
    static constexpr int kSoundSlots = 9;
    static constexpr int kMusicSlots = 0;
    static constexpr const char* kPauseIconTexture = "icon_pause_mini";
    // Tag of the alert that asks before the device account id is deleted.
    static constexpr int kDeleteAridAlertTag = 1;
    // How often a URL that came in while an interstitial is showing waits, and how long each time.
    static constexpr unsigned kMaxPendingOpenURLRetries = 15;
    static constexpr double kPendingOpenURLRetryDelay = 0.2;

    // `resourcesDir` holds the generated textures and the bundle information (Info.plist);
    // `eaglContext` is the one GL context of the app.
    AppCoreBase(std::string resourcesDir, std::shared_ptr<platform::GLContext> eaglContext);
    ~AppCoreBase() override;

    // --- start-up chain and life cycle (AppCoreLaunch.cpp)
    // setup, setup2, loadSettings; then saveSettings unless the settings were written by this
    // very version. Subclasses fix the game's identity in setup.
    void init();
    virtual void setup();
    virtual void setup2();
    // The launch is finished: the title shows, the window becomes key. Always true.
    bool applicationDidFinishLaunchingWithOptions(const std::optional<std::string>& launchUrl);
    virtual void start();
    virtual void willResume();
    virtual void willSuspend();
    void applicationWillEnterForeground();
    void applicationDidEnterBackground();
    void applicationWillTerminate();
    bool inApplicationWillEnterForeground() const { return inApplicationWillEnterForeground_; }
    void setInApplicationWillEnterForeground(bool on) { inApplicationWillEnterForeground_ = on; }
    // A URL opened into the app (always accepted). While an interstitial is showing it waits
    // kPendingOpenURLRetryDelay seconds on the main run loop, at most kMaxPendingOpenURLRetries
    // times. Its path decides: "/announceManager/...", "/deleteAridOfThisDevice", "/startLevel"
    // (the level download), "/startTitle"; anything else is ignored.
    bool applicationHandleOpenURL(const std::string& url);
    unsigned pendingHandleOpenURLCount() const { return pendingHandleOpenURLCount_; }
    // The level-download glue's turn at a URL ("/startLevel"); true when it took the URL.
    virtual bool handleLevelDownloadURL(const platform::Url& url);
    // Stops whatever shows: the screens and a running game.
    void stopAllViews() override;
    // Whether an interstitial ad covers the screen (the announcements answer).
    virtual bool interstitialAdPresenting() const;
    // The announcement service the core starts and stops; null: none (a core without services).
    Announcements* announcements() const override { return announcements_.get(); }
    void setAnnouncements(std::shared_ptr<Announcements> announcements) {
        announcements_ = std::move(announcements);
    }
    // The screens the core drives; null: none.
    ScreenFlow* screenFlow() const override { return screenFlow_.get(); }
    void setScreenFlow(std::shared_ptr<ScreenFlow> flow) { screenFlow_ = std::move(flow); }
    // The account-deletion alert's answer.
    void alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int buttonIndex) override;
    // One alert titled with the app's display name and an "OK" button.
    void showAlertWithMessage(const std::string& message);
    std::string appCopyrightString() const override;

    // --- bundle information
    const platform::PlistDict& infoDictionary() const { return infoDictionary_; }
    const std::string& appVersionString() const override { return appVersionString_; }
    void setAppVersionString(std::string version) { appVersionString_ = std::move(version); }
    // The game server's web base URL, ending in "/": the Info.plist key, or TIKOLEAP_WEB_URL.
    const std::string& iphoneWebUrl() const override { return iphoneWebUrl_; }
    void setIphoneWebUrl(std::string url) { iphoneWebUrl_ = std::move(url); }
    int authorization() const { return authorization_; }
    void setAuthorization(int value) { authorization_ = value; }
    const std::string& deviceTypeName() const { return deviceTypeName_; }
    // The machine name found at set-up; a test may stand in another device.
    void setDeviceTypeName(std::string name) { deviceTypeName_ = std::move(name); }

    // --- settings, account id, orientation records (AppCoreSettings.cpp)
    // Documents/settings.plist.
    std::string settingFileName() const;
    void loadSettings();
    void saveSettings() override;
    // One routine reads (isSave false) and writes the settings dictionary; a missing or wrongly
    // typed entry leaves its field as it is. Subclasses extend it and call the base.
    virtual void serializeWith(platform::PlistDict& dict, bool isSave);
    virtual void didLoadSettings();
    const std::optional<std::string>& bundleVersionOfLoadedSettings() const {
        return bundleVersionOfLoadedSettings_;
    }
    int soundVolume() const { return soundVolume_; }
    void setSoundVolume(int step) { soundVolume_ = step; }
    // "OFF" for step 0, else the step.
    std::string soundVolumeString() const override;
    // 2 -> 3 -> 0 -> 1 -> 2; returns the new step.
    int toggleSoundVolume() override;
    // The sound objects' volume for a step: 0, 20, 50, 100 (0 outside 0 to 3).
    static int soundObjectVolumeForStep(int step);
    // Hands the volume of the current step and the music switch to the sound objects; playing
    // effects change at once.
    void updateSoundSetting() override;
    int bgMusicMode() const override { return bgMusicMode_; }
    void setBgMusicMode(int mode) override { bgMusicMode_ = mode; }
    int contentsScaleIndexSetting() const override { return contentsScaleIndexSetting_; }
    void setContentsScaleIndexSetting(int setting) override { contentsScaleIndexSetting_ = setting; }
    // The screen's scale (points to pixels) that picks the default contents-scale index.
    void setMainScreenScale(float scale) { mainScreenScale_ = scale; }
    float mainScreenScale() const { return mainScreenScale_; }
    // The pixels per point the game could draw at: the screen's scale, doubled on an iPad whose
    // screen reports 1 (it shows phone apps at 2x).
    float displayContentsScale() const;
    // Whether there is more than one resolution to choose from (a scale above 1.01).
    bool supportsContentsScale() const override { return displayContentsScale() > 1.01f; }
    static int defaultContentsScaleIndex(float screenScale);
    // The contents-scale index in use, from the user's setting and the screen's scale; always 1
    // on a screen without contents-scale support.
    void updateContentsScaleIndex() override;
    // The 16-byte device account id; all zero when none could be had this launch.
    const std::vector<uint8_t>& arid() const { return arid_; }
    // Its lower-case hexadecimal text.
    std::string aridStr() const;
    // False while the id is the all-zero stand-in: nothing is signed with it.
    bool aridAvailable() const override { return aridAvailable_; }
    // The calibration tilt in radians: 30.01 degrees for calibration type 2, else 0.
    double neutralAccelerometerTilt() const;
    void resetNeutralAcceleromterValueFor(int orientation) override;
    // All three exactly 0 resets the record; anything else is stored.
    void setNeutralAcceleromterFor(int orientation, double x, double y, double z) override;
    // Orientation index: 0 portrait (1, and any unknown value), 1 landscape right (3), 2 portrait
    // upside down (2), 3 landscape left (4).
    static int indexOfInterfaceOrientation(int orientation);
    static int interfaceOrientationOfIndex(int index);
    OrientationDependedInfo& orientationDependedInfoFor(int orientation) override;
    static OrientationDependedInfo newOrientationDependedInfo() { return OrientationDependedInfo(); }

    // --- signed server links (AppCoreLinks.cpp)
    // Opens the server page `target` in the user's browser; false when nothing was opened.
    bool webJump(int target, int levelId = 0) override;
    // Opens the signed score submission; highScoreScore/Date stand for the high-score element
    // (nothing: no such element).
    using AppIdentity::ScoreLinkEntry;
    bool webSubmitScore(const ScoreLinkEntry& score, int levelId,
                        const std::optional<ScoreLinkEntry>& highScore, bool useHs) override;
    // The signed level-download link; nothing when the account id is unavailable.
    std::optional<std::string> downloadLevelUrlWithLevelId(int levelId, int64_t dh, int64_t tk) override;
    // "<device type>;<system version>", sent as tn with every link.
    std::string tnParamStr() const;
    // What every signed link carries: base URL, game id, version, account id, key and tn.
    SignedLinks::Identity linkIdentity() const override;

    // --- what the game core asks of the shell
    int currentLevelId() const override { return currentLevelId_; }
    // Stores the id and drops the cached level info.
    void setCurrentLevelId(int levelId) override;
    // The shell's view of the current level (cached); null for an id the catalog does not know.
    std::shared_ptr<LevelInfo> currentLevelInfo() override;
    JTAppBase::JTLevelManager* levelManager() const override;
    void transitionAnimation(int transition, double duration) override;
    void drawWindowAsItIs() override {
        if (windowFrameDrawer_) windowFrameDrawer_();
    }
    bool isIPad() const override { return deviceTypeName_.rfind("iPad", 0) == 0; }
    float contentsScaleValue() const override { return contentsScaleValueFromIndex(contentsScaleIndex_); }
    Texture2D* texture(int n) const override;
    void playSound(int n) override;
    void stopSound(int n);
    // The game has no music slots: music(n) is always null and there is nothing to play.
    void playMusic(int n) override;
    void stopLoopingEffects(bool effects, bool music) override;
    bool musicIsEnabled() const override;
    void showOkAlert(const std::string& title, const std::string& message) override;

    // --- resources
    static float contentsScaleValueFromIndex(int index);
    int contentsScaleIndex() const { return contentsScaleIndex_; }
    void setContentsScaleIndex(int index) { contentsScaleIndex_ = index; }
    // Null when no file of that name is there; one that does not decode throws
    // platform::ResourceFileError naming it.
    std::shared_ptr<Texture2D> newTextureWithName(const std::string& name) const;
    void loadImageAt(int index, const std::string& name);
    void cutEdgeImageAt(int index);
    virtual void loadResources() {}
    void releaseResources() override;
    Texture2D* texIconPause() const { return texIconPause_.get(); }
    void loadSEAt(int index, const std::string& name);
    void setSEVolumeAt(int index, int volume);
    // Sound effect n of the game's table; null when there is none.
    SoundObj* sound(int n) const;
    // The music table has kMusicSlots slots, none in this game: loading and setting a volume
    // address no slot, and music(n) is always null.
    void loadMusicAt(int index, const std::string& name);
    void setMusicVolumeAt(int index, int volume);
    SoundObj* music(int n) const { return nullptr; }
    bool hasMusicResources() const override { return false; }

    void checkLeaks();

    // --- screens
    void startTitleView() override;
    // Through the announcements' pop-up slot (nothing is due while it has no provider).
    void startGameViewFromTitle() override;
    void startGameView() override;
    void resumeGameView() override;
    void resetGameView();
    virtual void startPauseView();
    void startGameOverViewWithLevelScores(std::shared_ptr<LevelScores> scores,
                                          std::shared_ptr<LevelScoreElem> currentScore);
    // The tools area, made once per orientation and made the window's root.
    void startToolsView() override;
    void stopToolsView() override;
    virtual std::shared_ptr<GameViewBase> createGameView();
    // The tilt filter the game view runs while a game is played.
    virtual std::unique_ptr<AccelerometerHelper> createAccelerometerHelper();
    // The current orientation's game view, null before the first game.
    GameViewBase* gameView() const override;
    // The shell's view of the catalog's level of that id; null when there is none.
    std::shared_ptr<LevelInfo> levelInfoForId(int levelId) const;
    // "title", "select", "game", "pause", "gameover", "tools", or "" before any screen.
    std::string currentScreenName() const;
    // "_Landscape" or "_Portrait".
    std::string nibSuffixRotation() const { return landscape() ? "_Landscape" : "_Portrait"; }
    bool landscape() const override { return interfaceOrientation_ == 3 || interfaceOrientation_ == 4; }
    // Portrait unless the current level is laid out for landscape; true when it changed.
    bool updateInterfaceOrientation() override;
    void applyInterfaceOrientation(int orientation, platform::ui::View& view) const;

    const std::shared_ptr<platform::GLContext>& eaglContext() const { return eaglContext_; }
    // For a context that can only be made once the window is on the desktop.
    void setEaglContext(std::shared_ptr<platform::GLContext> context) { eaglContext_ = std::move(context); }
    void setCurrentEAGLContext();
    // The application window: the screens and the game view's container live on it.
    const std::shared_ptr<platform::ui::Window>& window() const override { return window_; }
    platform::Size screenSize() const;
    // Where a finished game frame goes: by default the game view presents its own framebuffer;
    // a window that composes the view tree takes the frame itself.
    void setGameFramePresenter(std::function<void()> presenter) {
        gameFramePresenter_ = std::move(presenter);
    }
    const std::function<void()>& gameFramePresenter() const { return gameFramePresenter_; }
    // Draws the window as it is now when the picture last drawn no longer shows it (what a
    // whole-window transition animates from is that picture): set by whoever draws the window.
    void setWindowFrameDrawer(std::function<void()> drawer) { windowFrameDrawer_ = std::move(drawer); }
    // The render policy of every game view that has none of its own (GameViewBase::
    // setRenderPolicy), from its start's frame on: a headless run sets it before any game starts,
    // so a game started by a tap draws no frame the run does not capture.
    void setGameRenderPolicy(std::function<bool(int frame)> policy) { gameRenderPolicy_ = std::move(policy); }
    const std::function<bool(int)>& gameRenderPolicy() const { return gameRenderPolicy_; }
    int interfaceOrientation() const override { return interfaceOrientation_; }
    void setInterfaceOrientation(int orientation) { interfaceOrientation_ = orientation; }
    const OrientationDependedInfo* currentOrientationDependedInfo() const override;
    int statusBarOrientation() const override { return interfaceOrientation_; }
    int accelerometerCalibrationType() const override { return accelerometerCalibrationType_; }
    void setAccelerometerCalibrationType(int type) { accelerometerCalibrationType_ = type; }
    // The accelerometer has one delegate, and each tilt helper's watchdog takes it back when its
    // readings stop: while the settings tab calibrates, the game views' helpers are stopped, and
    // when it ends, the helper of a game view still active starts again.
    void setTiltCalibrationRunning(bool running) override;
    AccelerometerHelper::Owner& accelerometerOwner() override { return *this; }
    bool tiltCalibrationRunning() const { return tiltCalibrationRunning_; }
    int gameId() const override { return gameId_; }
    void setGameId(int id) { gameId_ = id; }
    const std::string& webSecretKey() const override { return webSecretKey_; }
    void setWebSecretKey(std::string key) { webSecretKey_ = std::move(key); }
    const std::string& appDisplayName() const override { return appDisplayName_; }
    void setAppDisplayName(std::string name) { appDisplayName_ = std::move(name); }
    const std::string& resourcesDir() const override { return resourcesDir_; }
    JTAppBase::JTAppContext* appContext() const override { return appContext_.get(); }
    bool startedGameAfterLaunchingApp() const { return startedGameAfterLaunchingApp_; }
    // Seconds since 1970 for the dates of scores: the system clock unless a run fixes its own.
    double currentDate() const;
    void setDateSource(std::function<double()> source) { dateSource_ = std::move(source); }

    // The frontend (window or headless run) hears of the sounds the game plays.
    struct Frontend {
        std::function<void(int n)> onSound;
    };
    void setFrontend(Frontend frontend) { frontend_ = std::move(frontend); }

    // The shared pointer that alerts hold as their delegate (weakly); it never owns the core.
    std::weak_ptr<platform::ui::AlertViewDelegate> alertDelegate();

  protected:
    // What the destructor does first, while the screens and services the subclass made are
    // still there: the announcements let go of the core and the screens leave the window. A
    // subclass that owns services calls it from its own destructor; it runs once.
    void closeDown();
    void setAppContext(JTCore::Ref<JTAppBase::JTAppContext> context);
    // A string or integer of the bundle information, or the fallback when it lacks one.
    std::string infoString(const char* key, const std::string& fallback) const;
    int64_t infoInt(const char* key, int64_t fallback) const;

  private:
    // The application's life-cycle notices reach the delegate callbacks below.
    void observeApplication();
    void loadInfoDictionary();
    void establishAccountId();
    // False (with an "Error" alert) when links cannot be signed now.
    bool canSignLinks();
    bool openWebUrl(const std::string& url);

    std::string resourcesDir_;
    std::shared_ptr<platform::GLContext> eaglContext_;
    int defaultLevelId_ = 0;
    std::string iphoneWebUrl_;
    std::string appDisplayName_;
    std::string webSecretKey_;
    std::string appVersionString_;
    platform::PlistDict infoDictionary_;
    int gameId_ = 0;
    int authorization_ = 0;
    int accelerometerCalibrationType_ = 0;
    bool tiltCalibrationRunning_ = false;
    int interfaceOrientation_ = 1;
    std::shared_ptr<Texture2D> texIconPause_;
    std::vector<uint8_t> arid_ = std::vector<uint8_t>(16, 0);
    bool aridAvailable_ = false;
    int soundVolume_ = 2;
    int bgMusicMode_ = 1;
    std::array<std::shared_ptr<SoundObj>, kSoundSlots> sounds_;
    int contentsScaleIndex_ = 1;
    int contentsScaleIndexSetting_ = 0;
    float mainScreenScale_ = 1.0f;
    std::function<double()> dateSource_;
    std::shared_ptr<LevelInfo> currentLevelInfoCache_;
    int objectCountAtStart_ = 0;
    bool objectCountRecorded_ = false;
    std::string deviceTypeName_;
    int currentLevelId_ = 0;
    std::optional<std::string> bundleVersionOfLoadedSettings_;
    unsigned pendingHandleOpenURLCount_ = 0;
    bool inApplicationWillEnterForeground_ = false;
    std::array<std::shared_ptr<Texture2D>, kTextureSlots> textures_;
    JTCore::Ref<JTAppBase::JTAppContext> appContext_;
    bool resourceLoaded_ = false;
    bool startedGameAfterLaunchingApp_ = false;
    std::shared_ptr<platform::ui::Window> window_;
    std::shared_ptr<platform::ui::AlertViewDelegate> alertDelegateHandle_;
    std::function<void()> gameFramePresenter_;
    std::function<void()> windowFrameDrawer_;
    std::function<bool(int)> gameRenderPolicy_;
    std::array<OrientationDependedInfo, 4> orientationDependedInfo_;
    Frontend frontend_;
    std::shared_ptr<Announcements> announcements_;
    std::shared_ptr<ScreenFlow> screenFlow_;
    bool closedDown_ = false;
};
