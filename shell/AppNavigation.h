#pragma once
// How screens and services move the app between the title, the tools, the game and its pause:
// the window, the interface orientation and the transitions between them. The app core answers.
#include <memory>
#include <string>

namespace platform::ui {
class Window;
}
class GameViewBase;
class ScreenFlow;

class AppNavigation {
  public:
    virtual ~AppNavigation() = default;

    virtual void startTitleView() = 0;
    // Through the announcements' pop-up slot, then the game.
    virtual void startGameViewFromTitle() = 0;
    virtual void startGameView() = 0;
    virtual void resumeGameView() = 0;
    // Stops whatever shows: the screens and a running game.
    virtual void stopAllViews() = 0;
    virtual void startToolsView() = 0;
    virtual void stopToolsView() = 0;
    virtual void transitionAnimation(int transition, double duration) = 0;
    // Draws the window as it is now, where the picture last drawn may no longer show it (a
    // transition animates from that picture). Nothing where no one draws the window.
    virtual void drawWindowAsItIs() = 0;
    // Portrait unless the current level is laid out for landscape; true when it changed.
    virtual bool updateInterfaceOrientation() = 0;
    virtual int interfaceOrientation() const = 0;
    virtual bool landscape() const = 0;
    // The application window: the screens and the game view's container live on it.
    virtual const std::shared_ptr<platform::ui::Window>& window() const = 0;
    // The current orientation's game view, null before the first game.
    virtual GameViewBase* gameView() const = 0;
    // The screens the app core drives; null when it runs without any.
    virtual ScreenFlow* screenFlow() const = 0;
    virtual void stopLoopingEffects(bool effects, bool music) = 0;
    virtual void showOkAlert(const std::string& title, const std::string& message) = 0;
};
