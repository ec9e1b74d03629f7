#pragma once
// Fakes of the shell's side, recording what the game core asks of it.
#include <string>
#include <vector>

#include "appbase/JTScene.h"
#include "appbase/ShellLinks.h"

namespace fakes {

class FakeAppCore : public JTAppBase::AppCoreLink {
  public:
    int currentLevelId() const override { return levelId; }
    void setCurrentLevelId(int id) override { levelId = id; }
    void saveSettings() override { ++saves; }
    void startTitleView() override { calls.push_back("startTitleView"); }
    void transitionAnimation(int transition, double duration) override {
        calls.push_back("transition " + std::to_string(transition));
    }
    bool isIPad() const override { return false; }
    float contentsScaleValue() const override { return scale; }
    Texture2D* texture(int n) const override { return n >= 0 && n < 32 ? textures[n] : nullptr; }
    void playSound(int n) override { sounds.push_back(n); }
    void playMusic(int n) override { music.push_back(n); }
    void stopLoopingEffects(bool, bool) override { ++stops; }
    bool musicIsEnabled() const override { return true; }
    void showOkAlert(const std::string& title, const std::string& message) override {
        alerts.push_back(title + "|" + message);
    }

    int levelId = 20;
    int saves = 0;
    int stops = 0;
    float scale = 1.0f;
    Texture2D* textures[32] = {};
    std::vector<std::string> calls;
    std::vector<int> sounds;
    std::vector<int> music;
    std::vector<std::string> alerts;
};

class FakeTilt : public JTAppBase::AccelerometerLink {
  public:
    double accelerationFromNeutralH() const override { return accel; }
    void getAnglesFromNeutral(float* h, float* v) const override {
        *h = rotH;
        *v = rotV;
    }
    double accel = 0;
    float rotH = 0;
    float rotV = 0;
};

class FakeGameView : public JTAppBase::GameViewLink {
  public:
    explicit FakeGameView(FakeAppCore* core) : core_(core) {}
    JTAppBase::AppCoreLink* appCore() const override { return core_; }
    int interfaceOrientation() const override { return orientation; }
    void setLevelInfo(JTAppBase::JTLevelInfo* info) override { levelInfo = info; }
    void startGameScene(JTAppBase::JTScene* s) override {
        scene = JTCore::Ref<JTAppBase::JTScene>(s);
        ++sceneStarts;
    }
    void gameOverWithScore(int score) override { gameOvers.push_back(score); }
    void stop() override { ++stops; }
    void setPauseBtnPos(platform::Point p) override { pauseBtn = p; }
    const JTAppBase::AccelerometerLink* accelerometerHelper() const override { return tilt; }
    platform::Point convertPointFromRawView(platform::Point p) const override { return p; }
    void setMultipleTouchEnabled(bool on) override { multiTouch = on; }

    int orientation = 1;
    JTAppBase::JTLevelInfo* levelInfo = nullptr;
    JTCore::Ref<JTAppBase::JTScene> scene;
    int sceneStarts = 0;
    std::vector<int> gameOvers;
    int stops = 0;
    platform::Point pauseBtn;
    const JTAppBase::AccelerometerLink* tilt = nullptr;
    bool multiTouch = false;

  private:
    FakeAppCore* core_;
};

class FakeTouch : public JTAppBase::TouchLink {
  public:
    FakeTouch(float x, float y, int phase = 0) : where{x, y}, ph(phase) {}
    platform::Point locationInView() const override { return where; }
    int phase() const override { return ph; }
    platform::Point where;
    int ph;
};

}  // namespace fakes
