#pragma once
// Runs a shell command line for tests that drive the built programs as a user would.
#include <string>

namespace tikoleap::test {

struct CommandResult {
    int code = -1;    // the exit status, -1 when the command did not exit normally
    std::string out;  // what it printed on standard output
};

CommandResult runCommand(const std::string& command);

}  // namespace tikoleap::test
