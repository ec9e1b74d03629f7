#pragma once
// The application's foreground/background state, its key window, and modal panels waiting for
// one. Going to the background posts will-resign-active then did-enter-background; coming back
// posts will-enter-foreground then did-become-active. Repeated reports of the same change (a
// window both minimised and unfocused) post once. The window and the headless runs report the
// launch and the end of the run the same way, so observers never know which of the two runs.
#include <atomic>
#include <deque>
#include <functional>
#include <memory>

namespace platform::ui {

class NotificationCenter;
class View;
class Window;

enum class ApplicationState { Active, Inactive, Background };

class Application {
  public:
    explicit Application(NotificationCenter& center);

    // The state and the launch are readable from any thread; everything else is the main thread's.
    ApplicationState state() const { return state_; }
    bool isActive() const { return state_ == ApplicationState::Active; }
    bool hasFinishedLaunching() const { return launched_; }
    void enterBackground();
    void enterForeground();
    // Launching is done: posts did-finish-launching, then did-become-active. Once per application.
    void finishLaunching();
    // The run is ending: posts will-terminate once; observers finish their saves before returning.
    void terminate();
    bool isTerminating() const { return terminating_; }
    // The system is short of memory: posts the memory warning (on the main thread).
    void receiveMemoryWarning();

    std::shared_ptr<Window> keyWindow() const { return keyWindow_.lock(); }
    // Shows the modal panels that waited for a window.
    void setKeyWindow(const std::shared_ptr<Window>& window);
    // On the key window, or queued until there is one.
    void presentModal(const std::shared_ptr<View>& panel);
    void forgetPendingModal(const View* panel);

    NotificationCenter& notificationCenter() { return center_; }

    // The interface orientation the status bar follows (1 portrait to 4 landscape left). A change
    // posts kApplicationDidChangeStatusBarOrientationNotification.
    int statusBarOrientation() const { return statusBarOrientation_; }
    void setStatusBarOrientation(int orientation);
    // The desktop shows no status bar; full-screen screens record that they would hide it.
    bool isStatusBarHidden() const { return statusBarHidden_; }
    void setStatusBarHidden(bool hidden) { statusBarHidden_ = hidden; }

    // With the idle timer disabled the desktop must not blank the screen or start its
    // screensaver. The window that shows the application installs the switch that does it and
    // is told the current setting at once; null removes it.
    bool isIdleTimerDisabled() const { return idleTimerDisabled_; }
    void setIdleTimerDisabled(bool disabled);
    void setIdleTimerSwitch(std::function<void(bool disabled)> idleSwitch);

    // The process's application, posting to NotificationCenter::defaultCenter().
    static Application& shared();

  private:
    NotificationCenter& center_;
    std::atomic<ApplicationState> state_{ApplicationState::Active};
    std::atomic<bool> launched_{false};
    bool terminating_ = false;
    std::weak_ptr<Window> keyWindow_;
    std::deque<std::shared_ptr<View>> pending_;
    int statusBarOrientation_ = 1;
    bool statusBarHidden_ = false;
    bool idleTimerDisabled_ = false;
    std::function<void(bool)> idleSwitch_;
};

}  // namespace platform::ui
