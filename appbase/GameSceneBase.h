#pragma once
#include <cstdint>

#include "appbase/JTScene.h"

namespace JTAppBase {
class JTCanvas;
class JTTextLabel;
class JTSoundHelper;
}  // namespace JTAppBase

namespace JTApp {

// Base of every level scene: canvas, level id, the intro/playing/game-over state machine with
// tick counters, the score and its label, a timed message and the game-over wait.
class GameSceneBase : public JTAppBase::JTScene {
  public:
    enum State { kStateNone = -1, kStatePlaying = 0, kStateGameOver = 1, kStateIntro = 2 };

    explicit GameSceneBase(JTAppBase::JTAppContext* context);
    ~GameSceneBase() override;

    int getCanvasWidth() const override { return 320; }
    int getCanvasHeight() const override { return 480; }
    void tick() override { advanceTick(); }

    virtual void enterState(int state) {}
    virtual void leaveState(int state) {}
    virtual void updateState(int state);
    virtual void updatePlaying() = 0;
    virtual void setGameOverDelay(int ms);
    virtual void updateGameOver();
    virtual void drawGameOver(int y);
    virtual void start();
    virtual void setState(int state);
    virtual float getElapsedMillis() const;
    virtual float getStateElapsedMillis() const;

    JTCore::Ref<JTAppBase::JTCanvas> getCanvas() const;
    JTCore::Ref<JTAppBase::JTSoundHelper> getSoundHelper() const;
    int getLevelId() const { return levelId_; }
    int getState() const { return state_; }
    int getTickCount() const { return tickCount_; }
    int getStateTicks() const { return tickCount_ - stateStartTick_; }
    int getGameOverDelay() const { return gameOverDelay_; }
    void advanceTick();

    int getScore() const { return score_; }
    void addScore(int delta);
    void createScoreLabel(float fontSize, uint32_t color, uint32_t shadowColor, float shadowOffset);
    void drawScore(int x, int y);
    void createMessageLabel(float fontSize, uint32_t color, uint32_t shadowColor, float shadowOffset);
    void showMessage(const JTCore::Ref<JTCore::JTString>& text, int ticks);
    void drawMessage(float y);
    JTCore::Ref<JTAppBase::JTTextLabel> getMessageLabel() const;
    JTCore::Ref<JTAppBase::JTTextLabel> getScoreLabel() const;

  private:
    JTCore::Ref<JTAppBase::JTTextLabel> newLabel(float fontSize, uint32_t color, int alignment,
                                                 float boxWidth, uint32_t shadowColor, float shadowOffset);

    JTCore::Ref<JTAppBase::JTCanvas> canvas_;
    int levelId_ = 0;
    int state_ = kStateNone;
    int tickCount_ = 0;
    int stateStartTick_ = 0;
    int score_ = 0;
    bool scoreChanged_ = true;
    JTCore::Ref<JTAppBase::JTTextLabel> scoreLabel_;
    int messageUntil_ = 0;
    JTCore::Ref<JTAppBase::JTTextLabel> messageLabel_;
    int gameOverDelay_ = 0;
};

}  // namespace JTApp
