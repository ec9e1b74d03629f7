#pragma once
// A private app home with fresh user defaults and a virtual-clock main loop, for one test.
#include <memory>

#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/AppPaths.h"
#include "support/MainLoopPump.h"
#include "support/TempDir.h"

namespace tikoleap::test {

class AdsTestHome {
  public:
    AdsTestHome() {
        platform::AppPaths::setHome(home_.path());
        platform::UserDefaults::resetStandard();
    }
    ~AdsTestHome() {
        platform::UserDefaults::resetStandard();
        platform::AppPaths::setHome({});
    }
    AdsTestHome(const AdsTestHome&) = delete;
    AdsTestHome& operator=(const AdsTestHome&) = delete;

    const TempDir& home() const { return home_; }
    MainLoopPump& pump() { return pump_; }
    platform::ManualRunLoop& loop() { return pump_.loop(); }

  private:
    TempDir home_{"tikoleap-ads"};
    MainLoopPump pump_;
};

}  // namespace tikoleap::test
