#include "screens/ScoreToolViewController.h"

#include "platform/ui/ActionSheet.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/View.h"
#include "shell/AppDoor.h"
#include "shell/LevelInfo.h"
#include "shell/LevelScores.h"

ScoreToolViewController::ScoreToolViewController(std::string interfaceName)
    : ToolViewControllerBase(std::move(interfaceName)) {
    registerOutlet("scoreComponentsContainer", container_);
    registerAction("onClearRankingBtn", [this](platform::ui::Control&) { onClearRankingBtn(); });
    registerAction("onHighScoreRankingBtn", [this](platform::ui::Control&) { onHighScoreRankingBtn(); });
}

void ScoreToolViewController::setup() {
    ToolViewControllerBase::setup();
    tabBarItem().setImageName("icon_scores.png");
    tabBarItem().setTitle("Scores");
    scoresViewer_ = std::make_unique<ScoresViewer>(this);
}

std::string ScoreToolViewController::levelName() const {
    AppDoor* core = appCore();
    auto level = core ? core->currentLevelInfo() : nullptr;
    auto name = level ? level->name() : std::nullopt;
    return name.value_or("");
}

void ScoreToolViewController::viewWillAppear(bool animated) {
    ToolViewControllerBase::viewWillAppear(animated);
    const std::string name = levelName();
    navigationItem().setTitle(name.empty() ? "Scores" : name);
    AppDoor* core = appCore();
    auto level = core ? core->currentLevelInfo() : nullptr;
    if (!level || !scoresViewer_) return;
    scoresViewer_->startWithLevelScores(level->openLevelScores());
    scoresViewer_->updateView();
}

void ScoreToolViewController::onClearRankingBtn() {
    const std::string name = levelName();
    const std::string question = name.empty()
                                     ? "Are you sure to delete the local score ranking?"
                                     : "Are you sure to delete the local score ranking of\n" + name + " ?";
    auto sheet = std::make_shared<platform::ui::ActionSheet>(
        question, std::weak_ptr<platform::ui::ActionSheetDelegate>{}, "Cancel", "DELETE");
    // The sheet holds the controller weakly: a sheet outliving the tools area does nothing.
    std::weak_ptr<ScoreToolViewController> weak =
        std::static_pointer_cast<ScoreToolViewController>(shared_from_this());
    sheet->setClickHandler([weak](platform::ui::ActionSheet&, int index) {
        if (auto self = weak.lock()) self->onClearRankingAction(index);
    });
    platform::ui::TabBarController* tabs = tabBarController();
    sheet->showInView(tabs ? tabs->view() : view());
}

void ScoreToolViewController::onClearRankingAction(int buttonIndex) {
    if (buttonIndex != 0 || !scoresViewer_) return;
    const auto& scores = scoresViewer_->levelScores();
    if (!scores) return;
    scores->clearHighScores();
    scores->save();
    scoresViewer_->updateView();
}

void ScoreToolViewController::onHighScoreRankingBtn() {
    AppDoor* core = appCore();
    auto level = core ? core->currentLevelInfo() : nullptr;
    if (core) core->webJump(4, level ? level->webLevelId() : 0);
}
