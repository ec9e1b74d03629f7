#pragma once
// The "Scores" tab: the current level's local lists through the score viewer, clearing the local
// ranking (the recent entries stay) and the jump to the online ranking.
#include <memory>

#include "screens/ScoresViewer.h"
#include "screens/ToolViewControllerBase.h"

class ScoreToolViewController : public ToolViewControllerBase, public ScoresViewerDelegate {
  public:
    explicit ScoreToolViewController(std::string interfaceName);

    void setup() override;
    void viewWillAppear(bool animated) override;
    AppDoor* appCore() const override { return ToolViewControllerBase::appCore(); }
    std::shared_ptr<platform::ui::View> scoreComponentsContainer() override { return container_; }
    ScoresViewer* scoresViewer() const { return scoresViewer_.get(); }

    void onClearRankingBtn();
    // Index 0 (DELETE) clears the high scores and saves; any other index changes nothing.
    void onClearRankingAction(int buttonIndex);
    void onHighScoreRankingBtn();

  private:
    std::string levelName() const;

    std::shared_ptr<platform::ui::View> container_;
    std::unique_ptr<ScoresViewer> scoresViewer_;
};
