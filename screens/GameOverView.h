#pragma once
// The screen after every game: the score just made, the level's recent local scores with their
// submit buttons, the levels the game unlocked, and the ways on (next level, replay, submit,
// more levels, other games, title).
#include <memory>

#include "screens/ScoresViewer.h"
#include "screens/ViewControllerBase.h"

class LevelInfo;
namespace platform::ui {
class Label;
class View;
}  // namespace platform::ui

class GameOverView : public ViewControllerBase, public ScoresViewerDelegate {
  public:
    explicit GameOverView(std::string interfaceName);

    void setup() override;
    void startWithLevelScores(std::shared_ptr<LevelScores> scores,
                              std::shared_ptr<LevelScoreElem> currentScore);
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

    // ScoresViewerDelegate
    AppDoor* appCore() const override { return ViewControllerBase::appCore(); }
    std::shared_ptr<platform::ui::View> scoreComponentsContainer() override { return view(); }

    std::shared_ptr<LevelInfo> levelInfo() const;
    int nextLevelId() const;
    ScoresViewer* scoresViewer() const { return scoresViewer_.get(); }

    void onNextLevelBtn();
    void onReplayBtn();
    void onSubmitScoreBtn();
    void onMoreLevelsBtn();
    void onOtherGamesBtn();
    void onBackToTitleBtn();

  private:
    std::unique_ptr<ScoresViewer> scoresViewer_;
    std::shared_ptr<platform::ui::Label> currentScoreLabel_;
    std::shared_ptr<platform::ui::View> contentView_;
    std::shared_ptr<platform::ui::View> nextLevelButton_;
    std::shared_ptr<platform::ui::View> nextLevelButtonIcon_;
    std::shared_ptr<platform::ui::View> moreLevelsButton_;
    std::shared_ptr<platform::ui::View> moreLevelsButtonIcon_;
    std::shared_ptr<platform::ui::View> announceAltanativeView_;
};
