#include "support/ChildProcess.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <vector>

extern char** environ;

namespace tikoleap::test {

ChildExit runTestInChild(const std::string& test, const std::map<std::string, std::string>& env) {
    std::vector<std::string> args = {"/proc/self/exe", "--gtest_filter=" + test,
                                     "--gtest_also_run_disabled_tests"};
    std::vector<std::string> vars;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        if (env.count(entry.substr(0, entry.find('='))) == 0) vars.push_back(entry);
    }
    for (const auto& [k, v] : env) vars.push_back(k + "=" + v);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& v : vars) envp.push_back(v.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) {
        throw std::runtime_error("cannot start a child test process");
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    ChildExit out;
    if (WIFEXITED(status)) {
        out.exited = true;
        out.code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        out.signaled = true;
        out.signal = WTERMSIG(status);
    }
    return out;
}

}  // namespace tikoleap::test
