#pragma once
// Runs one test of the current test executable in a fresh process, for what only a new process
// can show: state that survives a restart, or a crash that ends the process. The child's test is
// named DISABLED_... so that ordinary runs skip it.
#include <map>
#include <string>

namespace tikoleap::test {

struct ChildExit {
    bool exited = false;  // ended by exit(), with code
    int code = -1;
    bool signaled = false;  // ended by a signal
    int signal = 0;
};

// Runs test (a full "Suite.DISABLED_Name") with env added to the current environment, and waits.
ChildExit runTestInChild(const std::string& test, const std::map<std::string, std::string>& env);

}  // namespace tikoleap::test
