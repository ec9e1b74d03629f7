#pragma once
// The shell's side of the calls the game core makes. The application shell (app core, game view,
// tilt input, touches) implements these; the game core sees nothing else of it, and tests drive
// the game core through fakes of them.
#include <memory>
#include <string>

#include "platform/geometry/Geometry.h"

class Texture2D;

namespace JTAppBase {

class JTScene;
class JTLevelInfo;

// One finger on the game view, followed by identity from touch-down to touch-up.
class TouchLink {
  public:
    virtual ~TouchLink() = default;
    // Location in the game view's own coordinates (points, y downward).
    virtual platform::Point locationInView() const = 0;
    // 0 began, 1 moved, 2 stationary, 3 ended, 4 cancelled.
    virtual int phase() const = 0;
};

// The tilt sensor as the game view exposes it.
class AccelerometerLink {
  public:
    virtual ~AccelerometerLink() = default;
    virtual double accelerationFromNeutralH() const = 0;
    virtual void getAnglesFromNeutral(float* outRotH, float* outRotV) const = 0;
};

class AppCoreLink {
  public:
    virtual ~AppCoreLink() = default;
    virtual int currentLevelId() const = 0;
    virtual void setCurrentLevelId(int levelId) = 0;
    virtual void saveSettings() = 0;
    virtual void startTitleView() = 0;
    virtual void transitionAnimation(int transition, double duration) = 0;
    virtual bool isIPad() const = 0;
    virtual float contentsScaleValue() const = 0;
    // Texture n of the game's table; null when there is none.
    virtual Texture2D* texture(int n) const = 0;
    // Starts sound effect n / music n (the sound object's start).
    virtual void playSound(int n) = 0;
    virtual void playMusic(int n) = 0;
    virtual void stopLoopingEffects(bool effects, bool music) = 0;
    virtual bool musicIsEnabled() const = 0;
    virtual void showOkAlert(const std::string& title, const std::string& message) = 0;
};

class GameViewLink {
  public:
    virtual ~GameViewLink() = default;
    virtual AppCoreLink* appCore() const = 0;
    virtual int interfaceOrientation() const = 0;
    virtual void setLevelInfo(JTLevelInfo* levelInfo) = 0;
    virtual void startGameScene(JTScene* scene) = 0;
    virtual void gameOverWithScore(int score) = 0;
    virtual void stop() = 0;
    virtual void setPauseBtnPos(platform::Point pos) = 0;
    // Null when the app runs without tilt calibration.
    virtual const AccelerometerLink* accelerometerHelper() const = 0;
    virtual platform::Point convertPointFromRawView(platform::Point p) const = 0;
    virtual void setMultipleTouchEnabled(bool on) = 0;
};

}  // namespace JTAppBase
