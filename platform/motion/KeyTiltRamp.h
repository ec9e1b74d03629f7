#pragma once
// Left/right keys as a sideways tilt that grows the longer a key is held: kStartTilt g at once,
// kFullTilt g after kRampSeconds (rising slowly at first, so a short press steers finely); let
// go, the tilt falls back to 0 within kReleaseSeconds. A key counts as held at least
// kMinHoldSeconds, so even a tap too quick to span a reading tilts the device briefly. Both keys
// held cancel out.
namespace platform {

class KeyTiltRamp {
  public:
    static constexpr double kStartTilt = 0.1;
    static constexpr double kFullTilt = 0.5;
    static constexpr double kRampSeconds = 0.5;
    static constexpr double kReleaseSeconds = 0.08;
    static constexpr double kMinHoldSeconds = 0.05;

    enum class Side { Left, Right };

    // Times are loop seconds and must not go backwards (an earlier time counts as the last one).
    void press(Side side, double now);
    void release(Side side, double now);
    void releaseAll(double now);

    // The tilt at `now`: negative to the left, positive to the right.
    double valueAt(double now);
    // True while a key is held or the tilt has not yet returned to 0.
    bool activeAt(double now);

    // The tilt of a key held for `seconds`.
    static double heldTilt(double seconds);

  private:
    struct Key {
        bool down = false;
        double pressedAt = 0.0;
        double releaseAt = 0.0;  // held until then after the key came up
        bool pendingRelease = false;
    };

    bool heldAt(const Key& key, double t) const {
        return key.down || (key.pendingRelease && t < key.releaseAt);
    }
    int directionAt(double t) const;
    double valueOnceAdvanced(double t) const;
    void advanceTo(double t);

    Key keys_[2];
    double last_ = 0.0;
    bool started_ = false;
    int direction_ = 0;        // -1 left, 1 right, 0 neither (or both)
    double since_ = 0.0;       // when the present direction began
    double releasedFrom_ = 0;  // the tilt when the keys last let go
};

}  // namespace platform
