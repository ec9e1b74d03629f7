#pragma once
// The shell's one long-lived object: the OpenGL context, the game's textures, the game core's
// context and the game view. It grows with the screens and services that hang off it; what
// stands here is what a game needs: resources, the level start and the game view's hand-offs.
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "appbase/JTAppContext.h"
#include "platform/geometry/Geometry.h"
#include "shell/AccelerometerHelper.h"
#include "shell/OrientationDependedInfo.h"

namespace platform {
class GLContext;
}
namespace platform::ui {
class Window;
}
class Texture2D;
class GameViewBase;

class AppCoreBase : public JTAppBase::AppCoreLink, public AccelerometerHelper::Owner {
  public:
    static constexpr int kTextureSlots = 18;
    static constexpr const char* kPauseIconTexture = "icon_pause_mini";

    // `resourcesDir` holds the generated textures; `eaglContext` is the one GL context of the app.
    AppCoreBase(std::string resourcesDir, std::shared_ptr<platform::GLContext> eaglContext);
    ~AppCoreBase() override;

    // The set-up chain: setup, setup2 (subclasses fix the game's identity in setup).
    void init();
    virtual void setup();
    virtual void setup2() {}

    // --- what the game core asks of the shell
    int currentLevelId() const override { return currentLevelId_; }
    void setCurrentLevelId(int levelId) override { currentLevelId_ = levelId; }
    void saveSettings() override;
    void startTitleView() override;
    void transitionAnimation(int transition, double duration) override;
    bool isIPad() const override { return deviceTypeName_.rfind("iPad", 0) == 0; }
    float contentsScaleValue() const override { return contentsScaleValueFromIndex(contentsScaleIndex_); }
    Texture2D* texture(int n) const override;
    void playSound(int n) override;
    void playMusic(int n) override {}
    void stopLoopingEffects(bool effects, bool music) override {}
    bool musicIsEnabled() const override { return bgMusicMode_ != 0; }
    void showOkAlert(const std::string& title, const std::string& message) override;

    // --- resources
    static float contentsScaleValueFromIndex(int index);
    int contentsScaleIndex() const { return contentsScaleIndex_; }
    void setContentsScaleIndex(int index) { contentsScaleIndex_ = index; }
    std::shared_ptr<Texture2D> newTextureWithName(const std::string& name) const;
    void loadImageAt(int index, const std::string& name);
    void cutEdgeImageAt(int index);
    virtual void loadResources() {}
    void releaseResources();
    Texture2D* texIconPause() const { return texIconPause_.get(); }

    // --- the game view and its hand-offs
    void startGameView();
    void resumeGameView();
    void resetGameView();
    virtual void startPauseView();
    // The local score lists arrive with the game-over screen; until then only the score travels.
    virtual void startGameOverViewWithLevelScores(int currentScore);
    virtual std::shared_ptr<GameViewBase> createGameView();
    // The tilt filter the game view runs while a game is played.
    virtual std::unique_ptr<AccelerometerHelper> createAccelerometerHelper();
    GameViewBase* gameView() const { return gameView_.get(); }
    JTAppBase::JTLevelInfo* levelInfoForId(int levelId) const;

    const std::shared_ptr<platform::GLContext>& eaglContext() const { return eaglContext_; }
    // For a context that can only be made once the window is on the desktop.
    void setEaglContext(std::shared_ptr<platform::GLContext> context) { eaglContext_ = std::move(context); }
    void setCurrentEAGLContext();
    // The application window: the screens and the game view's container live on it.
    const std::shared_ptr<platform::ui::Window>& window() const { return window_; }
    platform::Size screenSize() const;
    // Where a finished game frame goes: by default the game view presents its own framebuffer;
    // a window that composes the view tree takes the frame itself.
    void setGameFramePresenter(std::function<void()> presenter) {
        gameFramePresenter_ = std::move(presenter);
    }
    const std::function<void()>& gameFramePresenter() const { return gameFramePresenter_; }
    int interfaceOrientation() const { return interfaceOrientation_; }
    // The record of an interface orientation (1 to 4); others read as portrait's.
    OrientationDependedInfo& orientationDependedInfo(int orientation);
    const OrientationDependedInfo* currentOrientationDependedInfo() const override;
    int statusBarOrientation() const override { return interfaceOrientation_; }
    int accelerometerCalibrationType() const { return accelerometerCalibrationType_; }
    void setAccelerometerCalibrationType(int type) { accelerometerCalibrationType_ = type; }
    int gameId() const { return gameId_; }
    void setGameId(int id) { gameId_ = id; }
    const std::string& webSecretKey() const { return webSecretKey_; }
    void setWebSecretKey(std::string key) { webSecretKey_ = std::move(key); }
    const std::string& appDisplayName() const { return appDisplayName_; }
    void setAppDisplayName(std::string name) { appDisplayName_ = std::move(name); }
    const std::string& resourcesDir() const { return resourcesDir_; }
    JTAppBase::JTAppContext* appContext() const { return appContext_.get(); }
    bool startedGameAfterLaunchingApp() const { return startedGameAfterLaunchingApp_; }

    // The frontend (window or headless run) hears of the screens the shell would show next.
    struct Frontend {
        std::function<void()> onTitle;
        std::function<void()> onPause;
        std::function<void(int score)> onGameOver;
        std::function<void(const std::string&, const std::string&)> onAlert;
        std::function<void(int n)> onSound;
    };
    void setFrontend(Frontend frontend) { frontend_ = std::move(frontend); }

  protected:
    void setAppContext(JTCore::Ref<JTAppBase::JTAppContext> context);

  private:
    std::string resourcesDir_;
    std::shared_ptr<platform::GLContext> eaglContext_;
    std::string appDisplayName_;
    std::string webSecretKey_;
    int gameId_ = 0;
    int accelerometerCalibrationType_ = 0;
    int interfaceOrientation_ = 1;
    std::shared_ptr<Texture2D> texIconPause_;
    int bgMusicMode_ = 1;
    int contentsScaleIndex_ = 1;
    std::string deviceTypeName_;
    int currentLevelId_ = 20;
    std::array<std::shared_ptr<Texture2D>, kTextureSlots> textures_;
    JTCore::Ref<JTAppBase::JTAppContext> appContext_;
    bool resourceLoaded_ = false;
    bool startedGameAfterLaunchingApp_ = false;
    std::shared_ptr<platform::ui::Window> window_;
    std::function<void()> gameFramePresenter_;
    std::shared_ptr<GameViewBase> gameView_;
    std::array<OrientationDependedInfo, 4> orientationDependedInfo_;
    Frontend frontend_;
};
