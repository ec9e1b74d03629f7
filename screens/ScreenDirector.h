#pragma once
// The screens around the game and the turns between them: which screen is the window's root,
// the title, level chooser, pause, game-over and tools screens made from their interface files
// once per interface orientation, and the cover that holds the last game frame while the
// announcements' pop-up runs. The app core drives it through ScreenFlow; the screens reach it
// through their app door.
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/ScreenFlow.h"

namespace platform::ui {
class UiResources;
class ViewController;
}  // namespace platform::ui
class AppDoor;
class AnnounceManager;
class DiDazSupport;
class GameOverView;
class PauseView;
class SimpleSelectView;
class TitleView;
class ToolViewControllerBase;
class ViewControllerBase;

class ScreenDirector : public ScreenFlow {
  public:
    // What the screens use of the services the app made: the announcement manager (its banner on
    // the game-over screen) and the ad banner; either may answer null.
    struct Services {
        std::function<AnnounceManager*()> announcements;
        std::function<std::shared_ptr<DiDazSupport>()> banner;
    };
    // The screens of one interface orientation, each made on first use and reused afterwards.
    struct OrientationScreens {
        std::shared_ptr<TitleView> titleView;
        std::shared_ptr<PauseView> pauseView;
        std::shared_ptr<GameOverView> gameOverView;
        std::shared_ptr<platform::ui::ViewController> toolsView;
        std::shared_ptr<SimpleSelectView> simpleSelectView;
    };

    // `door` outlives the director (the app core owns both).
    ScreenDirector(AppDoor& door, Services services);
    ~ScreenDirector() override;

    // The director behind a door's screen flow; null when the door has none (or another kind).
    static ScreenDirector* of(const AppDoor* door);

    // --- ScreenFlow
    void startTitleView() override;
    void startPauseView() override;
    void showPopupAdsOverLastFrame(int context, std::function<void()> then) override;
    void startGameOverViewWithLevelScores(std::shared_ptr<LevelScores> scores,
                                          std::shared_ptr<LevelScoreElem> currentScore) override;
    void startToolsView() override;
    void stopToolsView() override;
    void leaveForGame() override { rootViewController_.reset(); }
    void stopScreens() override;
    std::string currentScreenName() const override;
    void releaseScreens() override;

    AnnounceManager* announceManager() const;
    std::shared_ptr<DiDazSupport> diDazSupport() const;
    std::shared_ptr<SimpleSelectView> simpleSelectView();
    // The screen at the root of the window (null while a game runs).
    const std::shared_ptr<ViewControllerBase>& rootViewController() const { return rootViewController_; }
    void setRootViewController(std::shared_ptr<ViewControllerBase> controller) {
        rootViewController_ = std::move(controller);
    }
    OrientationScreens& screensFor(int orientation);
    const OrientationScreens& current() const;
    // The tools area: one tab per controller of createToolsViewContents, each in its navigation
    // controller.
    virtual std::vector<std::shared_ptr<ToolViewControllerBase>> createToolsViewContents();
    virtual std::shared_ptr<TitleView> createTitleView();
    virtual std::shared_ptr<GameOverView> createGameOverView();
    virtual std::shared_ptr<PauseView> createPauseView();
    virtual std::shared_ptr<SimpleSelectView> createSimpleSelectView();
    bool viewControllerIsUnloaded(const platform::ui::ViewController* controller) const;

  private:
    // "_Landscape" or "_Portrait".
    std::string nibSuffixRotation() const;
    std::shared_ptr<ViewControllerBase> startDummyView();
    // The slot's screen, made (and given the app door) when it is empty or its view was unloaded.
    template <class T, class Make>
    std::shared_ptr<T> getOrCreate(std::shared_ptr<T>& slot, Make make);

    AppDoor& door_;
    Services services_;
    // Where the screens' interface files and pictures are: resources/ui, then resources.
    std::shared_ptr<platform::ui::UiResources> uiResources_;
    std::shared_ptr<ViewControllerBase> rootViewController_;
    std::shared_ptr<ViewControllerBase> dummyView_;
    std::array<OrientationScreens, 4> screens_;
};
