#pragma once
// The screens around the game as the app core drives them: which one is the window's root, and
// the turns from one to the next. They are made above the shell, and the app core holds them
// through this interface only.
#include <functional>
#include <memory>
#include <string>

class LevelScores;
class LevelScoreElem;

class ScreenFlow {
  public:
    virtual ~ScreenFlow() = default;

    virtual void startTitleView() = 0;
    virtual void startPauseView() = 0;
    // Covers the screen with the last game frame while the announcements' pop-up for `context`
    // runs; then takes the cover away and runs `then`.
    virtual void showPopupAdsOverLastFrame(int context, std::function<void()> then) = 0;
    // The announcements' pop-up for a game over, then the game-over screen with the scores.
    virtual void startGameOverViewWithLevelScores(std::shared_ptr<LevelScores> scores,
                                                  std::shared_ptr<LevelScoreElem> currentScore) = 0;
    virtual void startToolsView() = 0;
    virtual void stopToolsView() = 0;
    // The game takes the window: no screen is the root any more.
    virtual void leaveForGame() = 0;
    // Takes the root screen and the tools off the window (the game is stopped by the core).
    virtual void stopScreens() = 0;
    // "title", "select", "pause", "gameover", "tools", or "" when no screen is the root.
    virtual std::string currentScreenName() const = 0;
    // Lets go of every screen before the core goes.
    virtual void releaseScreens() = 0;
};
