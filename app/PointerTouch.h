#pragma once
#include "appbase/ShellLinks.h"

// The one finger a mouse or an input script has: the same object from touch-down to touch-up,
// as the game view follows touches by identity.
class PointerTouch : public JTAppBase::TouchLink {
  public:
    platform::Point locationInView() const override { return location_; }
    int phase() const override { return phase_; }
    void set(platform::Point location, int phase) {
        location_ = location;
        phase_ = phase;
    }

  private:
    platform::Point location_;
    int phase_ = 3;
};
