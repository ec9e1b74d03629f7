// AppCoreBase: the start-up chain, the application's life cycle, URLs opened into the app and the
// shell's own alerts.
#include <sys/utsname.h>

#include <cstdlib>
#include <vector>

#include "appbase/JTLevelManager.h"
#include "appbase/LogMessage.h"
#include "platform/defaults/MainBundle.h"
#include "platform/runloop/RunLoop.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/Window.h"
#include "platform/url/Url.h"
#include "screens/ViewControllerBase.h"
#include "services/AnnounceManager.h"
#include "services/DiDazSupport.h"
#include "services/DlLevelsSupport.h"
#include "shell/AppCoreBase.h"
#include "shell/DeviceAccountId.h"
#include "shell/GameIdentity.h"
#include "shell/GameViewBase.h"
#include "shell/MiscUtil.h"
#include "shell/PlistFiles.h"
#include "shell/UiUtil.h"

namespace {

constexpr const char* kHandleOpenURLName = "-[AppCoreBase application:handleOpenURL:]";
constexpr const char* kWebUrlEnvironment = "TIKOLEAP_WEB_URL";

// The web base URL to use: http or https, ending in "/". Nothing for anything else.
std::optional<std::string> usableWebBaseUrl(const std::string& text) {
    std::optional<platform::Url> url = platform::Url::parse(text);
    if (!url || !url->isWeb() || url->host().empty()) return std::nullopt;
    std::string base = url->text();
    if (base.back() != '/') base += '/';
    return base;
}

}  // namespace

void AppCoreBase::init() {
    LogMessage("-[AppCoreBase init]", 1);
    setup();
    setup2();
    loadSettings();
    if (!bundleVersionOfLoadedSettings_ || *bundleVersionOfLoadedSettings_ != appVersionString_)
        saveSettings();
}

void AppCoreBase::loadInfoDictionary() {
    const std::string path = resourcesDir_ + "/Info.plist";
    std::optional<platform::PlistDict> info = ReadDictionaryFromPlistFile(path);
    if (!info) {
        LogMessage("-[AppCoreBase setup]", 3, "no bundle information in " + path);
        info.emplace();
    }
    // The ad component describes the app to its servers from the same information.
    platform::MainBundle::setInfoDictionary(*info);
    infoDictionary_ = std::move(*info);
}

std::string AppCoreBase::infoString(const char* key, const std::string& fallback) const {
    std::optional<std::string> value = infoDictionary_.getString(key);
    return value ? *value : fallback;
}

int64_t AppCoreBase::infoInt(const char* key, int64_t fallback) const {
    std::optional<int64_t> value = infoDictionary_.getInt(key);
    return value ? *value : fallback;
}

void AppCoreBase::setup() {
    // The shared URL cache and the banner glue join here once they exist; the GL context comes
    // from the frontend (window or headless) before the chain runs.
    defaultLevelId_ = 0;
    loadInfoDictionary();
    iphoneWebUrl_ = infoString(GameIdentity::kWebBaseUrlKey, GameIdentity::kWebBaseUrl);
    if (const char* override = std::getenv(kWebUrlEnvironment); override != nullptr && *override != '\0') {
        iphoneWebUrl_ = override;
    }
    if (std::optional<std::string> base = usableWebBaseUrl(iphoneWebUrl_)) {
        iphoneWebUrl_ = *base;
    } else {
        LogMessage("-[AppCoreBase setup]", 3,
                   "the web base URL \"" + iphoneWebUrl_ + "\" is not an http or https URL; using " +
                       GameIdentity::kWebBaseUrl);
        iphoneWebUrl_ = GameIdentity::kWebBaseUrl;
    }
    accelerometerCalibrationType_ = 0;
    appVersionString_ = infoString("CFBundleShortVersionString", "");
    appDisplayName_ = infoString("CFBundleDisplayName", "");
    soundVolume_ = 2;
    for (OrientationDependedInfo& info : orientationDependedInfo_) info = newOrientationDependedInfo();
    struct utsname name {};
    deviceTypeName_ = uname(&name) == 0 ? name.machine : "";
    LogMessage("deviceTypeName", 1, deviceTypeName_);
    bgMusicMode_ = 1;
    contentsScaleIndexSetting_ = 0;
    diDazSupport_ = DiDazSupport::create(this);
    diDazSupport_->setDiDazPublisherId(DiDazSupport::kDefaultPublisherId);
    dlLevelsSupport_ = DlLevelsSupport::initWithAppCore(this);
    setInApplicationWillEnterForeground(false);
}

void AppCoreBase::setup2() {
    for (int index = 0; index < 4; ++index)
        resetNeutralAcceleromterValueFor(interfaceOrientationOfIndex(index));
}

bool AppCoreBase::applicationDidFinishLaunchingWithOptions(const std::optional<std::string>& launchUrl) {
    // The audio session starts with the sound engine; the window was sized by its frontend.
    setCurrentEAGLContext();
    start();
    announceManager().setAppCore(this);
    LogMessage("Bundle Identifier", 1, infoString("CFBundleIdentifier", ""));
    LogMessage("Documents Dir", 1, DocumentsDirectory());
    willResume();
    // A system that multitasks delivers the launch URL through applicationHandleOpenURL itself.
    if (!systemSupportsMultitasking() && launchUrl) applicationHandleOpenURL(*launchUrl);
    if (window_) window_->makeKeyAndVisible();
    // With the settings of the last list already known (a launch whose check is not due yet brings
    // no new ones), the first game over has its interstitial too.
    announceManager().requestInterstitialAd();
    return true;
}

void AppCoreBase::start() {
    updateInterfaceOrientation();
    startTitleView();
}

void AppCoreBase::willResume() {
    announceManager().startDownload();
}

void AppCoreBase::willSuspend() {
    announceManager().shutdown();
}

AnnounceManager& AppCoreBase::announceManager() const {
    return announceManager_ ? *announceManager_ : AnnounceManager::sharedAnnounceManager();
}

void AppCoreBase::setAnnounceManager(std::shared_ptr<AnnounceManager> manager) {
    announceManager_ = std::move(manager);
}

bool AppCoreBase::interstitialAdPresenting() const {
    return announceManager().interstitialAdPresenting();
}

void AppCoreBase::observeApplication() {
    using namespace platform::ui;
    NotificationCenter& center = Application::shared().notificationCenter();
    center.addObserver(
        kApplicationWillEnterForegroundNotification,
        [this](const Notification&) { applicationWillEnterForeground(); }, this);
    center.addObserver(
        kApplicationDidEnterBackgroundNotification,
        [this](const Notification&) { applicationDidEnterBackground(); }, this);
    center.addObserver(
        kApplicationWillTerminateNotification, [this](const Notification&) { applicationWillTerminate(); },
        this);
}

void AppCoreBase::applicationWillEnterForeground() {
    setInApplicationWillEnterForeground(true);
    willResume();
    setInApplicationWillEnterForeground(false);
}

void AppCoreBase::applicationDidEnterBackground() {
    willSuspend();
}

void AppCoreBase::applicationWillTerminate() {
    willSuspend();
}

std::weak_ptr<platform::ui::AlertViewDelegate> AppCoreBase::alertDelegate() {
    return alertDelegateHandle_;
}

bool AppCoreBase::applicationHandleOpenURL(const std::string& text) {
    if (interstitialAdPresenting() && pendingHandleOpenURLCount_ < kMaxPendingOpenURLRetries) {
        ++pendingHandleOpenURLCount_;
        platform::RunLoop::main().scheduleOnce(
            kPendingOpenURLRetryDelay, alertDelegateHandle_,
            [this, text](platform::Timer&) { applicationHandleOpenURL(text); });
        return true;
    }
    LogMessage(kHandleOpenURLName, 1,
               "pendingHandleOpenURLCount:" + std::to_string(pendingHandleOpenURLCount_));
    pendingHandleOpenURLCount_ = 0;

    std::string error;
    std::optional<platform::Url> url = platform::Url::parse(text, &error);
    if (!url) {
        LogMessage(kHandleOpenURLName, 3, "ignoring a URL: " + error);
        return true;
    }
    // URLs come from outside the app: each leaves a trace (a parsed URL holds no control bytes).
    LogMessage(kHandleOpenURLName, 2, "opened into the app: " + url->text());
    const std::string& path = url->path();
    if (path.empty()) return true;
    if (path.rfind("/announceManager/", 0) == 0) {
        announceManager().processAmUrl(url->text());
        return true;
    }
    if (path == "/deleteAridOfThisDevice") {
        auto alert = std::make_shared<platform::ui::AlertView>(
            "Warning",
            "Are you sure to delete the account ID of this device? This means you can't access your data "
            "(scores etc.) on our server any more.",
            alertDelegate(), "Cancel", std::vector<std::string>{"DELETE"});
        alert->setTag(kDeleteAridAlertTag);
        alert->show();
        return true;
    }
    if (handleLevelDownloadURL(*url)) return true;
    if (path == "/startTitle") {
        stopAllViews();
        startTitleView();
    }
    return true;
}

bool AppCoreBase::handleLevelDownloadURL(const platform::Url& url) {
    return dlLevelsSupport_ && dlLevelsSupport_->handleOpenURL(url);
}

void AppCoreBase::stopAllViews() {
    if (rootViewController_) {
        rootViewController_->stop();
        if (window_) window_->setRootViewController(nullptr);
        rootViewController_.reset();
    }
    const auto& tools = currentOrientationDependedInfo()->toolsView;
    if (tools && tools->isViewLoaded()) {
        stopToolsView();
        if (window_ && window_->rootViewController() == tools) window_->setRootViewController(nullptr);
    }
    GameViewBase* game = gameView();
    if (game && game->started()) game->stop();
    if (!window_) return;
    for (const auto& old : window_->contentSubviews()) {
        LogMessage("-[AppCoreBase stopAllViews]", 3, "old subview exists: " + old->description());
        old->removeFromSuperview();
    }
}

void AppCoreBase::alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int buttonIndex) {
    if (alert.tag() != kDeleteAridAlertTag || buttonIndex != 1) return;
    if (DeviceAccountId::remove()) {
        ShowOkAlert("Done",
                    "The account ID of this device was deleted. Shutdown the device now to clear the cached "
                    "account ID.");
    } else {
        ShowOkAlert("Error", "Deletion faiure");
    }
}

void AppCoreBase::showAlertWithMessage(const std::string& message) {
    ShowOkAlert(appDisplayName_, message);
}

void AppCoreBase::showOkAlert(const std::string& title, const std::string& message) {
    ShowOkAlert(title, message);
}

std::string AppCoreBase::appCopyrightString() const {
    return infoString("NSHumanReadableCopyright", "");
}
