#pragma once
#include <memory>
#include <vector>

#include "appbase/JTAccelerometerHelper.h"
#include "appbase/JTKeyHelper.h"
#include "appbase/JTSoundHelper.h"
#include "appbase/ShellLinks.h"
#include "core/JTString.h"

namespace JTAppBase {

class JTCanvas;
class JTTextLabel;
class JTLevelInfo;
class JTLevelManager;
class JTScene;

// The one way game-core code reaches the shell: start a level, start a scene, report game over,
// go back to the title. The shell owns one context for the whole run.
class JTAppContext : public JTCore::JTObject {
  public:
    JTAppContext();
    ~JTAppContext() override;

    virtual JTCore::Ref<JTTextLabel> createTextLabelFor(const JTCore::Ref<JTCanvas>& canvas);
    virtual JTCore::Ref<JTTextLabel> createTextLabel();
    virtual JTCore::Ref<JTSoundHelper> getSoundHelper() const { return soundHelper_; }
    virtual JTCore::Ref<JTKeyHelper> getKeyHelper() const { return keyHelper_; }
    virtual JTCore::Ref<JTAccelerometerHelper> getAccelerometerHelper() const { return accelerometerHelper_; }
    virtual JTCore::Ref<JTLevelInfo> getCurrentLevelInfo() const;
    virtual JTCore::Ref<JTCore::JTObject> getCurrentLevelData() const { return currentLevelData_; }
    virtual bool isLogEnabled() const { return logEnabled_; }
    virtual void setLogEnabled(bool on) { logEnabled_ = on; }
    virtual void logD(const JTCore::Ref<JTCore::JTString>& text);
    virtual JTCore::Ref<JTCanvas> getCanvas() const;
    virtual void gameOver(int score);
    virtual void startLevel(int levelId);
    virtual void startScene(const JTCore::Ref<JTScene>& scene);
    virtual void setLevelManager(const JTCore::Ref<JTLevelManager>& manager);
    virtual JTCore::Ref<JTLevelManager> getLevelManager() const;
    virtual void showAlert(const JTCore::Ref<JTCore::JTString>& title,
                           const JTCore::Ref<JTCore::JTString>& message);
    virtual void setPauseButtonPos(int x, int y);
    virtual void backToTitle();
    virtual JTCore::Ref<JTCore::JTObject> getExtraObject() { return nullptr; }
    virtual void setStartAborted(bool on) { startAborted_ = on; }
    virtual bool isStartAborted() const { return startAborted_; }
    virtual bool isIPad() const { return appCore_ != nullptr && appCore_->isIPad(); }

    // The shell's side; neither is owned by the context.
    void setAppCore(AppCoreLink* appCore) { appCore_ = appCore; }
    AppCoreLink* getAppCore() const { return appCore_; }
    void setGameView(GameViewLink* view);
    GameViewLink* getGameView() const { return gameView_; }

    // Touches currently down on the game view, in the order they went down; and the one touch
    // the single-touch mode follows. Filled by the game view.
    std::vector<std::shared_ptr<TouchLink>>& activeTouches() { return activeTouches_; }
    const std::shared_ptr<TouchLink>& getCurrentTouch() const { return currentTouch_; }
    void setCurrentTouch(std::shared_ptr<TouchLink> touch) { currentTouch_ = std::move(touch); }
    int getInterfaceOrientation() const { return interfaceOrientation_; }

  private:
    JTCore::Ref<JTSoundHelper> soundHelper_;
    JTCore::Ref<JTAccelerometerHelper> accelerometerHelper_;
    JTCore::Ref<JTLevelInfo> currentLevelInfo_;
    JTCore::Ref<JTCore::JTObject> currentLevelData_;
    bool logEnabled_ = false;
    JTCore::Ref<JTCanvas> canvas_;
    JTCore::Ref<JTLevelManager> levelManager_;
    JTCore::Ref<JTKeyHelper> keyHelper_;
    bool startAborted_ = false;
    GameViewLink* gameView_ = nullptr;
    AppCoreLink* appCore_ = nullptr;
    std::vector<std::shared_ptr<TouchLink>> activeTouches_;
    std::shared_ptr<TouchLink> currentTouch_;
    int interfaceOrientation_ = 1;
};

}  // namespace JTAppBase

namespace JTApp {

// The game's own context classes add nothing to the base.
class MyAppContext : public JTAppBase::JTAppContext {};
class MyAppContextIPhone : public MyAppContext {};

}  // namespace JTApp
