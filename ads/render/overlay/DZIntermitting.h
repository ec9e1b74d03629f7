#pragma once
// A screen that takes part in an ad's intermission: a full-screen ad controller, or the proxy of
// a system sheet shown for an ad. Held weakly by the intermission.
#include <functional>
#include <memory>

class DZIntermission;

class DZIntermitting {
  public:
    virtual ~DZIntermitting() = default;
    virtual std::shared_ptr<DZIntermission> intermission() const = 0;
    // Asked when the application comes back to the foreground: whether this screen closes then.
    virtual bool shouldDismissOnApplicationEnteringForeground() = 0;
    virtual void relinquishScreenWithCompletion(std::function<void()> completion) = 0;
    // Taken off the screen behind the intermission's back (the screen below it went): the
    // intermission counts it as gone.
    virtual bool hasLeftScreen() const { return false; }
};
