#include "shell/AppCoreBase.h"

#include "services/AnnounceManager.h"

#include <cstdio>
#include <filesystem>
#include <numbers>

#include "appbase/JTLevelManager.h"
#include "appbase/LogMessage.h"
#include "appbase/Texture2D.h"
#include "core/JTObject.h"
#include "platform/gl/GLContext.h"
#include "platform/image/PngCodec.h"
#include "platform/ui/Application.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/UiResources.h"
#include "platform/ui/Window.h"
#include "screens/AboutToolViewController.h"
#include "screens/GameOverView.h"
#include "screens/MyGameOverView.h"
#include "screens/MyNavigationController.h"
#include "screens/MyPauseView.h"
#include "screens/MySettingsToolViewController.h"
#include "screens/MyTabBarController.h"
#include "screens/MyTitleView.h"
#include "screens/ScoreToolViewController.h"
#include "screens/SimpleSelectView.h"
#include "services/LevelInfo.h"
#include "services/LevelScores.h"
#include "shell/GameViewBase.h"
#include "shell/GameViewContainer.h"
#include "shell/MiscUtil.h"
#include "shell/MyGameView.h"
#include "shell/TextureVariant.h"
#include "sound/SoundObj.h"

AppCoreBase::AppCoreBase(std::string resourcesDir, std::shared_ptr<platform::GLContext> eaglContext)
    : resourcesDir_(std::move(resourcesDir)),
      eaglContext_(std::move(eaglContext)),
      window_(std::make_shared<platform::ui::Window>(platform::Rect(0, 0, 320, 480))),
      // Alerts hold their delegate weakly: this handle owns nothing and dies with the core.
      alertDelegateHandle_(this, [](platform::ui::AlertViewDelegate*) {}),
      uiResources_(std::make_shared<platform::ui::UiResources>(
          std::vector<std::filesystem::path>{std::filesystem::path(resourcesDir_) / "ui", resourcesDir_})) {
    SoundObj::setBundleDirectory(resourcesDir_);
    observeApplication();
}

platform::Size AppCoreBase::screenSize() const {
    return window_ ? window_->bounds().size : platform::Size{};
}

AppCoreBase::~AppCoreBase() {
    platform::ui::Application::shared().notificationCenter().removeObserversOf(this);
    // The download thread works from what it took at its start; it only has to end before the
    // manager forgets this core.
    AnnounceManager& announcements = announceManager();
    if (announcements.appCore() == this) {
        announcements.shutdown();
        announcements.waitForDownload();
        announcements.setAppCore(nullptr);
    }
    // The game view and the textures hold GL names: free them while the context is current.
    setCurrentEAGLContext();
    if (appContext_) appContext_->setGameView(nullptr);
    if (window_) window_->setRootViewController(nullptr);
    rootViewController_.reset();
    dummyView_.reset();
    for (auto& info : orientationDependedInfo_) {
        if (info.simpleSelectView) info.simpleSelectView->releaseContainer();
    }
    for (auto& info : orientationDependedInfo_) info.gameView.reset();
    releaseResources();
    // The app core is the engine's one user: with it goes the sound device.
    SoundObj::teardown();
}

void AppCoreBase::setAppContext(JTCore::Ref<JTAppBase::JTAppContext> context) {
    appContext_ = std::move(context);
    appContext_->setAppCore(this);
}

void AppCoreBase::transitionAnimation(int transition, double duration) {
    if (window_) window_->transition(static_cast<platform::ui::WindowTransition>(transition), duration);
}

void AppCoreBase::setCurrentLevelId(int levelId) {
    currentLevelId_ = levelId;
    currentLevelInfoCache_.reset();
}

std::shared_ptr<LevelInfo> AppCoreBase::currentLevelInfo() {
    if (!currentLevelInfoCache_) currentLevelInfoCache_ = levelInfoForId(currentLevelId_);
    return currentLevelInfoCache_;
}

JTAppBase::JTLevelManager* AppCoreBase::levelManager() const {
    return appContext_ ? appContext_->getLevelManager().get() : nullptr;
}

double AppCoreBase::currentDate() const {
    return dateSource_ ? dateSource_() : LevelScoreElem::now();
}

Texture2D* AppCoreBase::texture(int n) const {
    return n >= 0 && n < kTextureSlots ? textures_[static_cast<size_t>(n)].get() : nullptr;
}

void AppCoreBase::playSound(int n) {
    if (SoundObj* s = sound(n)) s->start();
    if (frontend_.onSound) frontend_.onSound(n);
}

void AppCoreBase::stopSound(int n) {
    if (SoundObj* s = sound(n)) s->stop();
}

void AppCoreBase::playMusic(int n) {
    if (SoundObj* m = music(n)) m->start();
}

void AppCoreBase::stopLoopingEffects(bool effects, bool music) {
    SoundObj::stopLoopingEffects(effects, music);
}

bool AppCoreBase::musicIsEnabled() const {
    return SoundObj::musicIsEnabled();
}

void AppCoreBase::loadSEAt(int index, const std::string& name) {
    if (index < 0 || index >= kSoundSlots) return;
    sounds_[static_cast<size_t>(index)] = SoundObj::newEffectWithResourceName(name, "wav");
}

void AppCoreBase::setSEVolumeAt(int index, int volume) {
    if (SoundObj* s = sound(index)) s->setVolume(volume);
}

void AppCoreBase::loadMusicAt(int /*index*/, const std::string& /*name*/) {
    // The music table has kMusicSlots slots, none in this game: no index names one, and no track
    // (type "caf") is loaded.
}

void AppCoreBase::setMusicVolumeAt(int index, int volume) {
    if (SoundObj* m = music(index)) m->setVolume(volume);
}

SoundObj* AppCoreBase::sound(int n) const {
    return n >= 0 && n < kSoundSlots ? sounds_[static_cast<size_t>(n)].get() : nullptr;
}

float AppCoreBase::contentsScaleValueFromIndex(int index) {
    return TextureVariant::scaleForIndex(index);
}

std::shared_ptr<Texture2D> AppCoreBase::newTextureWithName(const std::string& name) const {
    auto variant = TextureVariant::find(resourcesDir_, name, contentsScaleIndex_);
    if (!variant) return nullptr;
    std::string error;
    auto image = platform::loadPng(variant->path, &error);
    if (!image) {
        LogMessage("newTextureWithName", 3, error);
        return nullptr;
    }
    return Texture2D::initWithImage(*image, variant->contentsScale);
}

void AppCoreBase::loadImageAt(int index, const std::string& name) {
    if (index < 0 || index >= kTextureSlots) return;
    textures_[static_cast<size_t>(index)] = newTextureWithName(name);
}

void AppCoreBase::cutEdgeImageAt(int index) {
    Texture2D* t = texture(index);
    if (t == nullptr) return;
    t->setEdgeMarginH(0.5f / static_cast<float>(t->pixelsWide()));
    t->setEdgeMarginV(0.5f / static_cast<float>(t->pixelsHigh()));
}

void AppCoreBase::releaseResources() {
    if (!resourceLoaded_) return;
    resourceLoaded_ = false;
    texIconPause_.reset();
    if (appContext_) appContext_->setGameView(nullptr);
    for (auto& info : orientationDependedInfo_) info.gameView.reset();
    for (auto& t : textures_) t.reset();
    for (auto& s : sounds_) {
        if (s) s->dispose();
        s.reset();
    }
}

void AppCoreBase::setCurrentEAGLContext() {
    if (eaglContext_ && !eaglContext_->makeCurrent()) {
        std::fprintf(stderr, "Failed to set current context %p in %s\n",
                     static_cast<void*>(eaglContext_.get()), "-[AppCoreBase setCurrentEAGLContext]");
    }
}

template <class T, class Make>
std::shared_ptr<T> AppCoreBase::getOrCreate(std::shared_ptr<T>& slot, Make make) {
    if (viewControllerIsUnloaded(slot.get())) slot.reset();
    if (!slot) {
        slot = make();
        slot->setResources(uiResources_);
        slot->setAppCore(this);
        slot->setup();
    }
    return slot;
}

bool AppCoreBase::viewControllerIsUnloaded(const platform::ui::ViewController* controller) const {
    // Only systems before 6 unload the views of hidden screens; this one never does.
    if (controller == nullptr || controller->isViewLoaded() || systemSupportsOS6()) return false;
    LogMessage("-[AppCoreBase viewControllerIsUnloaded:]", 1, "*** view controller is unloaded ***");
    return true;
}

void AppCoreBase::startTitleView() {
    auto& info = orientationDependedInfoFor(interfaceOrientation_);
    auto title = getOrCreate(info.titleView, [this] { return createTitleView(); });
    title->startAsRootView();
    resetGameView();
}

void AppCoreBase::startGameViewFromTitle() {
    auto dummy = startDummyView();
    const int context = (bundleVersionOfLoadedSettings_ || startedGameAfterLaunchingApp_) ? 2 : 4;
    announceManager().showPopupAds(context, [this, dummy] {
        dummy->stop();
        if (dummyView_ == dummy) dummyView_.reset();
        startGameView();
    });
}

void AppCoreBase::startGameView() {
    if (!resourceLoaded_) {
        if (!texIconPause_) texIconPause_ = newTextureWithName(kPauseIconTexture);
        loadResources();
        resourceLoaded_ = true;
    }
    resetGameView();
    updateSoundSetting();
    auto& info = orientationDependedInfoFor(interfaceOrientation_);
    if (!info.gameView) info.gameView = createGameView();
    appContext_->setGameView(info.gameView.get());
    auto level = currentLevelInfo();
    appContext_->startLevel(level ? level->levelId() : currentLevelId_);
    if (!appContext_->isStartAborted()) {
        info.gameView->start();
        if (window_) window_->setRootViewController(nullptr);
        rootViewController_.reset();
        startedGameAfterLaunchingApp_ = true;
    } else {
        startTitleView();
    }
}

void AppCoreBase::resumeGameView() {
    if (GameViewBase* game = gameView()) game->resume();
    if (window_) window_->setRootViewController(nullptr);
    rootViewController_.reset();
}

void AppCoreBase::resetGameView() {
    GameViewBase* game = gameView();
    if (game && game->gameScene()) game->startGameScene(nullptr);
    if (appContext_ && appContext_->getGameView() != nullptr) {
        appContext_->setGameView(nullptr);
        checkLeaks();
    }
}

void AppCoreBase::checkLeaks() {
    if (!objectCountRecorded_) {
        objectCountAtStart_ = JTCore::getObjectCount();
        objectCountRecorded_ = true;
        return;
    }
    JTCore::checkObjectLeaks();
}

void AppCoreBase::startPauseView() {
    auto& info = orientationDependedInfoFor(interfaceOrientation_);
    auto pause = getOrCreate(info.pauseView, [this] { return createPauseView(); });
    pause->setResumeBtnPos(info.gameView ? info.gameView->pauseBtnPosInView() : platform::Point{});
    pause->startAsRootView();
}

void AppCoreBase::startGameOverViewWithLevelScores(std::shared_ptr<LevelScores> scores,
                                                   std::shared_ptr<LevelScoreElem> currentScore) {
    auto dummy = startDummyView();
    announceManager().showPopupAds(
        1, [this, dummy, scores = std::move(scores), currentScore = std::move(currentScore)]() mutable {
            // The curtain comes down over the window as it is now: the picture last drawn may
            // still show an interstitial a few pixels from gone.
            if (windowFrameDrawer_) windowFrameDrawer_();
            dummy->stop();
            if (dummyView_ == dummy) dummyView_.reset();
            auto& info = orientationDependedInfoFor(interfaceOrientation_);
            auto gameOver = getOrCreate(info.gameOverView, [this] { return createGameOverView(); });
            gameOver->startWithLevelScores(std::move(scores), std::move(currentScore));
            transitionAnimation(4, 0.5);
        });
}

std::shared_ptr<SimpleSelectView> AppCoreBase::simpleSelectView() {
    auto& info = orientationDependedInfoFor(interfaceOrientation_);
    return getOrCreate(info.simpleSelectView, [this] { return createSimpleSelectView(); });
}

void AppCoreBase::startToolsView() {
    auto& info = orientationDependedInfoFor(interfaceOrientation_);
    if (!info.toolsView) {
        std::vector<std::shared_ptr<platform::ui::ViewController>> tabs;
        for (auto& content : createToolsViewContents()) {
            content->setAppCore(this);
            content->setResources(uiResources_);
            content->setEdgesForExtendedLayout(0);
            content->setup();
            auto nav = std::make_shared<MyNavigationController>(content);
            nav->setAppCore(this);
            nav->setResources(uiResources_);
            tabs.push_back(nav);
        }
        auto tabBar = std::make_shared<MyTabBarController>();
        tabBar->setAppCore(this);
        tabBar->setResources(uiResources_);
        tabBar->setViewControllers(std::move(tabs));
        info.toolsView = tabBar;
    }
    rootViewController_.reset();
    if (window_) window_->setRootViewController(info.toolsView);
}

void AppCoreBase::stopToolsView() {
    const auto& tools = currentOrientationDependedInfo()->toolsView;
    if (tools && tools->isViewLoaded()) tools->view()->removeFromSuperview();
}

std::vector<std::shared_ptr<ToolViewControllerBase>> AppCoreBase::createToolsViewContents() {
    return {std::make_shared<ScoreToolViewController>("Scores" + nibSuffixRotation() + "_Free"),
            std::make_shared<MySettingsToolViewController>("SettingsTool" + nibSuffixRotation()),
            std::make_shared<AboutToolViewController>("AboutTool")};
}

std::shared_ptr<ViewControllerBase> AppCoreBase::startDummyView() {
    auto dummy = std::make_shared<ViewControllerBase>();
    dummy->setAppCore(this);
    dummy->view()->setFrame({{0, 0}, screenSize()});
    dummy->view()->setBackgroundColor(platform::ui::Color::black());
    // A game's end leaves its last frame: it stays under whatever comes over it meanwhile.
    if (GameViewBase* game = gameView()) {
        if (auto picture = game->takeLastPicture()) {
            picture->setFrame(dummy->view()->bounds());
            dummy->view()->addSubview(picture);
        }
    }
    dummy->startAsRootView();
    dummyView_ = dummy;
    return dummy;
}

std::shared_ptr<TitleView> AppCoreBase::createTitleView() {
    auto* manager = levelManager();
    const bool dl = manager && manager->canDownloadLevels();
    return std::make_shared<MyTitleView>("Title" + nibSuffixRotation() + (dl ? "_DlLevels" : ""));
}

std::shared_ptr<GameOverView> AppCoreBase::createGameOverView() {
    auto* manager = levelManager();
    const bool dl = manager && (manager->supportsNextLevel() || manager->canDownloadLevels());
    return std::make_shared<MyGameOverView>("GameOver" + nibSuffixRotation() + "_Free" +
                                            (dl ? "_DlLevels" : ""));
}

std::shared_ptr<PauseView> AppCoreBase::createPauseView() {
    return std::make_shared<MyPauseView>("Pause" + nibSuffixRotation());
}

std::shared_ptr<SimpleSelectView> AppCoreBase::createSimpleSelectView() {
    return std::make_shared<SimpleSelectView>("SimpleSelect" + nibSuffixRotation());
}

GameViewBase* AppCoreBase::gameView() const {
    return currentOrientationDependedInfo()->gameView.get();
}

void AppCoreBase::setTiltCalibrationRunning(bool running) {
    tiltCalibrationRunning_ = running;
    for (const auto& info : orientationDependedInfo_) {
        if (!info.gameView) continue;
        if (running) {
            info.gameView->stopAccelerometerHelper();
        } else {
            info.gameView->startAccelerometerHelper();
        }
    }
}

std::string AppCoreBase::currentScreenName() const {
    if (!window_) return "";
    const auto& root = window_->rootViewController();
    if (!root) {
        GameViewBase* game = gameView();
        return game && game->active() ? "game" : "";
    }
    const auto& info = *currentOrientationDependedInfo();
    if (root == info.titleView) return "title";
    if (root == info.pauseView) return "pause";
    if (root == info.gameOverView) return "gameover";
    if (info.toolsView && root == info.toolsView) return "tools";
    if (info.simpleSelectView && root == info.simpleSelectView->containerVC()) return "select";
    return "";
}

bool AppCoreBase::updateInterfaceOrientation() {
    constexpr int kCanvasLayoutStatic = 0;
    int layout = kCanvasLayoutStatic;
    if (auto level = currentLevelInfo(); level && level->canvasLayout() >= 0) layout = level->canvasLayout();
    const int orientation = layout == 1 ? 3 : 1;
    if (orientation == interfaceOrientation_) return false;
    interfaceOrientation_ = orientation;
    return true;
}

void AppCoreBase::applyInterfaceOrientation(int orientation, platform::ui::View& view) const {
    if (!window_ || orientation < 1 || orientation > 4) return;
    const platform::Size size = window_->bounds().size;
    const bool sideways = orientation == 3 || orientation == 4;
    const float w = sideways ? size.height : size.width;
    const float h = sideways ? size.width : size.height;
    double angle = 0;
    if (orientation == 2) angle = std::numbers::pi;
    if (orientation == 3) angle = std::numbers::pi / 2;
    if (orientation == 4) angle = -std::numbers::pi / 2;
    view.setBounds({0, 0, w, h});
    view.setTransform(orientation == 1 ? platform::ui::AffineTransform::identity()
                                       : platform::ui::AffineTransform::rotation(static_cast<float>(angle)));
    view.setCenter({size.width / 2, size.height / 2});
}

std::unique_ptr<AccelerometerHelper> AppCoreBase::createAccelerometerHelper() {
    return std::make_unique<AccelerometerHelper>(this);
}

const OrientationDependedInfo* AppCoreBase::currentOrientationDependedInfo() const {
    return &orientationDependedInfo_[static_cast<size_t>(indexOfInterfaceOrientation(interfaceOrientation_))];
}

std::shared_ptr<GameViewBase> AppCoreBase::createGameView() {
    return std::make_shared<MyGameView>(this, interfaceOrientation_);
}

std::shared_ptr<LevelInfo> AppCoreBase::levelInfoForId(int levelId) const {
    JTAppBase::JTLevelManager* manager = levelManager();
    return manager ? LevelInfo::forLevel(manager->getLevelInfo(levelId)) : nullptr;
}
