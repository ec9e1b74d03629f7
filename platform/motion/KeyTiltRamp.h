#pragma once
// Left/right keys as a sideways tilt: a held key tilts the device by kFullTilt g, reached and left
// again at a steady rate over kRampSeconds. A key is held at least kMinHoldSeconds, so even a tap
// too quick to span a reading tilts the device briefly.
namespace platform {

class KeyTiltRamp {
  public:
    static constexpr double kFullTilt = 0.5;
    static constexpr double kRampSeconds = 0.15;
    static constexpr double kMinHoldSeconds = 0.1;

    enum class Side { Left, Right };

    // Times are loop seconds and must not go backwards (an earlier time counts as the last one).
    void press(Side side, double now);
    void release(Side side, double now);
    void releaseAll(double now);

    // The tilt at `now`: negative to the left, positive to the right.
    double valueAt(double now);
    // True while a key is held or the tilt has not yet returned to 0.
    bool activeAt(double now);

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
    double targetAt(double t) const;
    void advanceTo(double t);

    Key keys_[2];
    double value_ = 0.0;
    double last_ = 0.0;
    bool started_ = false;
};

}  // namespace platform
