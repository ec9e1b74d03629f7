#include "screens/GameOverView.h"

#include "appbase/JTLevelManager.h"
#include "platform/ui/Label.h"
#include "screens/ScreenDirector.h"
#include "services/AnnounceManager.h"
#include "services/DiDazSupport.h"
#include "shell/AppDoor.h"
#include "shell/LevelInfo.h"
#include "shell/LevelScores.h"

GameOverView::GameOverView(std::string interfaceName) : ViewControllerBase(std::move(interfaceName)) {
    registerOutlet("currentScoreLabel", currentScoreLabel_);
    registerOutlet("contentView", contentView_);
    registerOutlet("nextLevelButton", nextLevelButton_);
    registerOutlet("nextLevelButtonIcon", nextLevelButtonIcon_);
    registerOutlet("moreLevelsButton", moreLevelsButton_);
    registerOutlet("moreLevelsButtonIcon", moreLevelsButtonIcon_);
    registerOutlet("announceAltanativeView", announceAltanativeView_);
    registerAction("onNextLevelBtn", [this](platform::ui::Control&) { onNextLevelBtn(); });
    registerAction("onReplayBtn", [this](platform::ui::Control&) { onReplayBtn(); });
    registerAction("onSubmitScoreBtn", [this](platform::ui::Control&) { onSubmitScoreBtn(); });
    registerAction("onMoreLevelsBtn", [this](platform::ui::Control&) { onMoreLevelsBtn(); });
    registerAction("onOtherGamesBtn", [this](platform::ui::Control&) { onOtherGamesBtn(); });
    registerAction("onBackToTitleBtn", [this](platform::ui::Control&) { onBackToTitleBtn(); });
}

void GameOverView::setup() {
    ViewControllerBase::setup();
    scoresViewer_ = std::make_unique<ScoresViewer>(this);
}

std::shared_ptr<LevelInfo> GameOverView::levelInfo() const {
    return scoresViewer_ && scoresViewer_->levelScores() ? scoresViewer_->levelScores()->levelInfo()
                                                         : nullptr;
}

void GameOverView::startWithLevelScores(std::shared_ptr<LevelScores> scores,
                                        std::shared_ptr<LevelScoreElem> currentScore) {
    if (!scoresViewer_) setup();
    view();
    const int score = currentScore ? currentScore->score() : 0;
    scoresViewer_->startWithLevelScores(std::move(scores));
    scoresViewer_->setCurrentScore(std::move(currentScore));
    scoresViewer_->updateView();
    if (currentScoreLabel_) currentScoreLabel_->setText(std::to_string(score) + " pts.");
    startAsRootView();
    // The levels this game unlocked, in the order the level manager queued them.
    AppDoor* core = appCore();
    auto* manager = core ? core->levelManager() : nullptr;
    if (!manager) return;
    if (auto messages = manager->takePendingMessages()) {
        for (const auto& [title, message] : *messages) core->showOkAlert(title, message);
    }
}

void GameOverView::viewWillAppear(bool) {
    AppDoor* core = appCore();
    // The announcement banner takes the slot at the bottom (the right edge in landscape); without
    // one the interface file's alternative view stays. The ad banner takes the top 50 points.
    if (core) {
        const bool landscape = core->landscape();
        ScreenDirector* screens = ScreenDirector::of(core);
        if (AnnounceManager* announcements = screens ? screens->announceManager() : nullptr) {
            announcements->showBannerOn(contentView_, announceAltanativeView_,
                                        landscape ? platform::Point{480, 160} : platform::Point{160, 480},
                                        landscape ? 1 : 0, landscape ? 0 : 1);
        }
        if (const std::shared_ptr<DiDazSupport> ads = screens ? screens->diDazSupport() : nullptr)
            ads->showInViewController(weak_from_this().lock(), contentView_);
    }
    auto* manager = core ? core->levelManager() : nullptr;
    if (!manager || !(manager->supportsNextLevel() || manager->canDownloadLevels())) return;
    const bool hasNext = nextLevelId() != 0;
    if (nextLevelButton_) nextLevelButton_->setHidden(!hasNext);
    if (nextLevelButtonIcon_) nextLevelButtonIcon_->setHidden(!hasNext);
    const bool moreLevels = !hasNext && manager->canDownloadLevels();
    if (moreLevelsButton_) moreLevelsButton_->setHidden(!moreLevels);
    if (moreLevelsButtonIcon_) moreLevelsButtonIcon_->setHidden(!moreLevels);
}

void GameOverView::viewWillDisappear(bool) {
    AppDoor* core = appCore();
    if (!core) return;
    ScreenDirector* screens = ScreenDirector::of(core);
    if (!screens) return;
    if (AnnounceManager* announcements = screens->announceManager()) announcements->closeBanner();
    if (const std::shared_ptr<DiDazSupport> ads = screens->diDazSupport()) ads->close();
}

int GameOverView::nextLevelId() const {
    AppDoor* core = appCore();
    auto* manager = core ? core->levelManager() : nullptr;
    auto current = core ? core->currentLevelInfo() : nullptr;
    if (!manager || !current) return 0;
    auto next = manager->getNextLevelInfo(JTCore::Ref<JTAppBase::JTLevelInfo>(current->impl()));
    return next ? next->getLevelId() : 0;
}

void GameOverView::onNextLevelBtn() {
    AppDoor* core = appCore();
    if (!core) return;
    stop();
    core->setCurrentLevelId(nextLevelId());
    core->saveSettings();
    core->startGameView();
}

void GameOverView::onReplayBtn() {
    stop();
    if (appCore()) appCore()->startGameView();
}

void GameOverView::onSubmitScoreBtn() {
    AppDoor* core = appCore();
    auto scores = scoresViewer_ ? scoresViewer_->levelScores() : nullptr;
    if (!core || !scores || !scoresViewer_->currentScore()) return;
    ScoresViewer::submitScore(*core, *scoresViewer_->currentScore(), scores->levelInfo()->webLevelId(),
                              scores->previousHighScore().get());
}

void GameOverView::onMoreLevelsBtn() {
    AppDoor* core = appCore();
    if (!core) return;
    auto level = core->currentLevelInfo();
    core->webJump(7, level ? level->webLevelId() : 0);
}

void GameOverView::onOtherGamesBtn() {
    if (appCore()) appCore()->webJump(3);
}

void GameOverView::onBackToTitleBtn() {
    AppDoor* core = appCore();
    if (!core) return;
    stop();
    core->startTitleView();
    core->transitionAnimation(1, 0.5);
}
