// No web process outlives the process that started it, even one stopped at its memory limit,
// which runs nothing that could notice its host's end. The host here is a process of the test's
// own: the engine starts once per process, so this suite runs in a process of its own (as ctest
// runs it) and forks before the engine starts.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "WebTestKit.h"
#include "platform/web/WebKitHost.h"

using namespace platform::web;

namespace {

// The process's state letter (T stopped, Z a zombie), or 0 once it has gone.
char stateOf(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return 0;
    const auto close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() ? 0 : line[close + 2];
}

// The host: loads a page that grows while it holds its thread, so that its process halts itself at
// its memory limit, tells the test which process that is and exits.
[[noreturn]] void hostAPageThatStopsItsProcess(int tell) {
    WebLimits limits = webtest::testLimits();
    limits.webProcessMemoryLimitMB = 128;
    // Nothing of the host's own ends the page before the host exits.
    limits.probeIntervalSeconds = 60;
    limits.probeTimeoutSeconds = 60;
    std::unique_ptr<WebEngine> view = webtest::host(limits).createView(320, 50);
    if (!view) std::_Exit(2);
    view->loadHTML(
        "<html><body><script>var kept = []; onload = () => setTimeout(() => {"
        "while (kept.length < 1024) kept.push(new Uint8Array(1 << 20).fill(1));"
        "while (true) {} }, 50);</script></body></html>",
        "http://127.0.0.1/");
    int stopped = 0;
    webtest::runUntil(
        [&] {
            for (int pid : webtest::webProcesses())
                if (stateOf(pid) == 'T') stopped = pid;
            return stopped != 0;
        },
        30);
    if (stopped == 0 || write(tell, &stopped, sizeof stopped) != sizeof stopped) std::_Exit(3);
    std::exit(0);
}

}  // namespace

TEST(WebProcessLifetime, AWebProcessStoppedAtItsMemoryLimitEndsWithItsHost) {
    if (WebKitHost::current()) GTEST_SKIP() << "the engine started before: run this suite on its own";
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    const pid_t host = fork();
    ASSERT_GE(host, 0);
    if (host == 0) {
        close(channel[0]);
        hostAPageThatStopsItsProcess(channel[1]);
    }
    close(channel[1]);
    int stopped = 0;
    pollfd told{channel[0], POLLIN, 0};
    const bool heard =
        poll(&told, 1, 60'000) == 1 && read(channel[0], &stopped, sizeof stopped) == sizeof stopped;
    close(channel[0]);
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 200 && !(ended = waitpid(host, &status, WNOHANG) == host); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!ended) {
        kill(host, SIGKILL);
        waitpid(host, &status, 0);
    }
    ASSERT_TRUE(heard) << "the host saw no web process stop itself";
    EXPECT_TRUE(ended && WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // Gone, or a zombie that whoever took it over has not reaped yet.
    const auto gone = [&] { return stateOf(stopped) == 0 || stateOf(stopped) == 'Z'; };
    for (int i = 0; i < 100 && !gone(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(gone()) << "the stopped web process outlived its host (state " << stateOf(stopped) << ")";
    if (!gone()) kill(stopped, SIGKILL);
}
