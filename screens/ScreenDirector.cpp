#include "screens/ScreenDirector.h"

#include <filesystem>

#include "appbase/JTLevelManager.h"
#include "appbase/LogMessage.h"
#include "platform/ui/SnapshotView.h"
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
#include "shell/Announcements.h"
#include "shell/AppDoor.h"
#include "shell/GameViewBase.h"
#include "shell/GameViewContainer.h"
#include "shell/LevelScores.h"
#include "shell/MiscUtil.h"
#include "shell/OrientationDependedInfo.h"

ScreenDirector::ScreenDirector(AppDoor& door, Services services)
    : door_(door),
      services_(std::move(services)),
      uiResources_(std::make_shared<platform::ui::UiResources>(std::vector<std::filesystem::path>{
          std::filesystem::path(door.resourcesDir()) / "ui", door.resourcesDir()})) {}

ScreenDirector::~ScreenDirector() = default;

ScreenDirector* ScreenDirector::of(const AppDoor* door) {
    return door ? dynamic_cast<ScreenDirector*>(door->screenFlow()) : nullptr;
}

AnnounceManager* ScreenDirector::announceManager() const {
    return services_.announcements ? services_.announcements() : nullptr;
}

std::shared_ptr<DiDazSupport> ScreenDirector::diDazSupport() const {
    return services_.banner ? services_.banner() : nullptr;
}

ScreenDirector::OrientationScreens& ScreenDirector::screensFor(int orientation) {
    return screens_[static_cast<size_t>(OrientationDependedInfo::indexOfInterfaceOrientation(orientation))];
}

const ScreenDirector::OrientationScreens& ScreenDirector::current() const {
    return screens_[static_cast<size_t>(
        OrientationDependedInfo::indexOfInterfaceOrientation(door_.interfaceOrientation()))];
}

std::string ScreenDirector::nibSuffixRotation() const {
    return door_.landscape() ? "_Landscape" : "_Portrait";
}

template <class T, class Make>
std::shared_ptr<T> ScreenDirector::getOrCreate(std::shared_ptr<T>& slot, Make make) {
    if (viewControllerIsUnloaded(slot.get())) slot.reset();
    if (!slot) {
        slot = make();
        slot->setResources(uiResources_);
        slot->setAppCore(&door_);
        slot->setup();
    }
    return slot;
}

bool ScreenDirector::viewControllerIsUnloaded(const platform::ui::ViewController* controller) const {
    // Only systems before 6 unload the views of hidden screens; this one never does.
    if (controller == nullptr || controller->isViewLoaded() || systemSupportsOS6()) return false;
    LogMessage("-[AppDoor viewControllerIsUnloaded:]", 1, "*** view controller is unloaded ***");
    return true;
}

void ScreenDirector::startTitleView() {
    auto title =
        getOrCreate(screensFor(door_.interfaceOrientation()).titleView, [this] { return createTitleView(); });
    title->startAsRootView();
}

void ScreenDirector::showPopupAdsOverLastFrame(int context, std::function<void()> then) {
    auto dummy = startDummyView();
    auto done = [this, context, dummy, then = std::move(then)] {
        // The game-over curtain comes down over the window as it is now: the picture last drawn
        // may still show an interstitial a few pixels from gone.
        if (context == 1) door_.drawWindowAsItIs();
        dummy->stop();
        if (dummyView_ == dummy) dummyView_.reset();
        then();
    };
    if (Announcements* announcements = door_.announcements()) {
        announcements->showPopupAds(context, done);
    } else {
        done();
    }
}

void ScreenDirector::startPauseView() {
    auto pause =
        getOrCreate(screensFor(door_.interfaceOrientation()).pauseView, [this] { return createPauseView(); });
    GameViewBase* game = door_.gameView();
    pause->setResumeBtnPos(game ? game->pauseBtnPosInView() : platform::Point{});
    pause->startAsRootView();
}

void ScreenDirector::startGameOverViewWithLevelScores(std::shared_ptr<LevelScores> scores,
                                                      std::shared_ptr<LevelScoreElem> currentScore) {
    showPopupAdsOverLastFrame(
        1, [this, scores = std::move(scores), currentScore = std::move(currentScore)]() mutable {
            auto gameOver = getOrCreate(screensFor(door_.interfaceOrientation()).gameOverView,
                                        [this] { return createGameOverView(); });
            gameOver->startWithLevelScores(std::move(scores), std::move(currentScore));
            door_.transitionAnimation(4, 0.5);
        });
}

std::shared_ptr<SimpleSelectView> ScreenDirector::simpleSelectView() {
    return getOrCreate(screensFor(door_.interfaceOrientation()).simpleSelectView,
                       [this] { return createSimpleSelectView(); });
}

void ScreenDirector::startToolsView() {
    auto& info = screensFor(door_.interfaceOrientation());
    if (!info.toolsView) {
        std::vector<std::shared_ptr<platform::ui::ViewController>> tabs;
        for (auto& content : createToolsViewContents()) {
            content->setAppCore(&door_);
            content->setResources(uiResources_);
            content->setEdgesForExtendedLayout(0);
            content->setup();
            auto nav = std::make_shared<MyNavigationController>(content);
            nav->setAppCore(&door_);
            nav->setResources(uiResources_);
            tabs.push_back(nav);
        }
        auto tabBar = std::make_shared<MyTabBarController>();
        tabBar->setAppCore(&door_);
        tabBar->setResources(uiResources_);
        tabBar->setViewControllers(std::move(tabs));
        info.toolsView = tabBar;
    }
    rootViewController_.reset();
    if (const auto& window = door_.window()) window->setRootViewController(info.toolsView);
}

void ScreenDirector::stopToolsView() {
    const auto& tools = current().toolsView;
    if (tools && tools->isViewLoaded()) tools->view()->removeFromSuperview();
}

void ScreenDirector::stopScreens() {
    const auto& window = door_.window();
    if (rootViewController_) {
        rootViewController_->stop();
        if (window) window->setRootViewController(nullptr);
        rootViewController_.reset();
    }
    const auto& tools = current().toolsView;
    if (tools && tools->isViewLoaded()) {
        stopToolsView();
        if (window && window->rootViewController() == tools) window->setRootViewController(nullptr);
    }
}

std::vector<std::shared_ptr<ToolViewControllerBase>> ScreenDirector::createToolsViewContents() {
    return {std::make_shared<ScoreToolViewController>("Scores" + nibSuffixRotation() + "_Free"),
            std::make_shared<MySettingsToolViewController>("SettingsTool" + nibSuffixRotation()),
            std::make_shared<AboutToolViewController>("AboutTool")};
}

std::shared_ptr<ViewControllerBase> ScreenDirector::startDummyView() {
    auto dummy = std::make_shared<ViewControllerBase>();
    dummy->setAppCore(&door_);
    const auto& window = door_.window();
    dummy->view()->setFrame({{0, 0}, window ? window->bounds().size : platform::Size{}});
    dummy->view()->setBackgroundColor(platform::ui::Color::black());
    // What the window showed stays under whatever comes over it meanwhile: a game's end leaves
    // its last frame, a screen (the title) a still picture of itself, as it goes with this view.
    std::shared_ptr<platform::ui::View> picture;
    if (GameViewBase* game = door_.gameView()) picture = game->takeLastPicture();
    if (!picture && window && window->rootViewController() && window->rootViewController()->isViewLoaded())
        picture = platform::ui::snapshotViewOf(*window->rootViewController()->view());
    if (picture) {
        picture->setFrame(dummy->view()->bounds());
        dummy->view()->addSubview(picture);
    }
    dummy->startAsRootView();
    dummyView_ = dummy;
    return dummy;
}

std::shared_ptr<TitleView> ScreenDirector::createTitleView() {
    auto* manager = door_.levelManager();
    const bool dl = manager && manager->canDownloadLevels();
    return std::make_shared<MyTitleView>("Title" + nibSuffixRotation() + (dl ? "_DlLevels" : ""));
}

std::shared_ptr<GameOverView> ScreenDirector::createGameOverView() {
    auto* manager = door_.levelManager();
    const bool dl = manager && (manager->supportsNextLevel() || manager->canDownloadLevels());
    return std::make_shared<MyGameOverView>("GameOver" + nibSuffixRotation() + "_Free" +
                                            (dl ? "_DlLevels" : ""));
}

std::shared_ptr<PauseView> ScreenDirector::createPauseView() {
    return std::make_shared<MyPauseView>("Pause" + nibSuffixRotation());
}

std::shared_ptr<SimpleSelectView> ScreenDirector::createSimpleSelectView() {
    return std::make_shared<SimpleSelectView>("SimpleSelect" + nibSuffixRotation());
}

std::string ScreenDirector::currentScreenName() const {
    const auto& window = door_.window();
    if (!window || !window->rootViewController()) return "";
    const auto& root = window->rootViewController();
    const auto& info = current();
    if (root == info.titleView) return "title";
    if (root == info.pauseView) return "pause";
    if (root == info.gameOverView) return "gameover";
    if (info.toolsView && root == info.toolsView) return "tools";
    if (info.simpleSelectView && root == info.simpleSelectView->containerVC()) return "select";
    return "";
}

void ScreenDirector::releaseScreens() {
    rootViewController_.reset();
    dummyView_.reset();
    for (auto& info : screens_) {
        if (info.simpleSelectView) info.simpleSelectView->releaseContainer();
    }
}
