#pragma once
// What the headless tests of a game with ads share: the game pointed at a local ad server for the
// life of a test, and the command line of a game on level 20, seed 7, whose script lies in the
// test's folder as "play.txt" (the script's "10 tilt 2" ends the game at tick 328). A loaded machine
// gets more time for the announcement list than a player would.
#include <cstdlib>
#include <string>

#include "app/CommandLine.h"
#include "support/TempDir.h"

namespace tikoleap::test {

class AdServerEnvironment {
  public:
    explicit AdServerEnvironment(const std::string& baseURL) {
        ::setenv("TIKOLEAP_AD_SERVER", baseURL.c_str(), 1);
        ::setenv("TIKOLEAP_WEB_URL", baseURL.c_str(), 1);
    }
    ~AdServerEnvironment() {
        ::unsetenv("TIKOLEAP_AD_SERVER");
        ::unsetenv("TIKOLEAP_WEB_URL");
    }
    AdServerEnvironment(const AdServerEnvironment&) = delete;
    AdServerEnvironment& operator=(const AdServerEnvironment&) = delete;
};

inline CommandLine adGameCommandLine(const TempDir& tmp) {
    CommandLine cl;
    cl.headless = true;
    cl.home = (tmp.path() / "home").string();
    cl.seed = 7;
    cl.level = 20;
    cl.resources = TIKOLEAP_RESOURCES_DIR;
    cl.input = (tmp.path() / "play.txt").string();
    cl.announceWaitSeconds = 30;
    return cl;
}

}  // namespace tikoleap::test
