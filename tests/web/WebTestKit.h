#pragma once
// What the real-engine tests share: one GLib loop and web host for the process (the engine
// starts once), the loopback HTTP server, a delegate that records what a view reports, and the
// engine's web processes.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sched.h>

#include "platform/runloop/GLibRunLoop.h"
#include "platform/web/WebEngineDelegate.h"
#include "platform/web/WebKitHost.h"
#include "support/LoopbackServer.h"

namespace webtest {

// Limits short enough for tests; individual tests change them through host(limits).
platform::web::WebLimits testLimits();
platform::GLibRunLoop& loop();
// The host, started with testLimits() on first use; with limits, those replace the view limits.
platform::web::WebKitHost& host();
platform::web::WebKitHost& host(const platform::web::WebLimits& limits);
// Runs the loop until pred() holds or the time is up; returns pred().
bool runUntil(const std::function<bool()>& pred, double timeoutSeconds = 10);
void runFor(double seconds);
// Runs what is due on the loop now without waiting: a released view's window goes there.
void settle();
// Web processes the engine runs for this process now, and their process ids.
int webProcessCount();
std::vector<int> webProcesses();
// The process's anonymous resident memory in MiB (what a page's own allocations occupy); nothing
// once it has gone.
std::optional<double> residentAnonymousMB(int pid);

// Holds the test process (and the web processes it starts) on the first `cores` cores it may
// run on, for as long as it lives.
class PinnedCores {
  public:
    explicit PinnedCores(int cores);
    ~PinnedCores();
    PinnedCores(const PinnedCores&) = delete;
    PinnedCores& operator=(const PinnedCores&) = delete;

  private:
    cpu_set_t all_;
};

// The loopback server of the whole test process. It is never stopped: the engine opens
// connections ahead of requests, and a stop waits for each of them to time out.
tikoleap::test::LoopbackServer& server();
void page(const std::string& path, const std::string& body, const std::string& type = "text/html");
// A page whose answer takes 20 s: one that never loads within a test.
void hang(const std::string& path);
// The header of the last request for the path ("" when none came).
std::string lastHeader(const std::string& path, const std::string& name);
// An address on 127.0.0.1 where nothing listens.
std::string closedPortUrl(const std::string& path);

struct Recorder : platform::web::WebEngineDelegate {
    std::vector<platform::web::NavigationAction> navigations;
    std::vector<platform::web::WebError> failures;
    std::vector<platform::web::ScriptDialog> dialogs;
    std::vector<platform::web::ContentSize> sizes;
    int started = 0;
    int finished = 0;
    bool allow = true;  // the answer to every navigation
    platform::web::DialogAnswer answer{true, "typed"};

    bool shouldStartNavigation(const platform::web::NavigationAction& action) override;
    void loadStarted() override { ++started; }
    void loadFinished() override { ++finished; }
    void loadFailed(const platform::web::WebError& error) override { failures.push_back(error); }
    void contentSizeChanged(platform::web::ContentSize size) override { sizes.push_back(size); }
    platform::web::DialogAnswer scriptDialog(const platform::web::ScriptDialog& dialog) override;

    bool sawNavigationTo(const std::string& prefix) const;
    const platform::web::NavigationAction* navigationTo(const std::string& prefix) const;
};

// A page message (a navigation to amsg://page/NAME?QUERY), its name and parameters decoded.
struct PageMessage {
    std::string name;
    std::map<std::string, std::string> params;
};
// The page messages among the navigations, in order.
std::vector<PageMessage> pageMessages(const std::vector<platform::web::NavigationAction>& navigations,
                                      std::size_t from = 0);

// Evaluates script in the engine and waits for the answer.
platform::web::ScriptResult evaluate(platform::web::WebEngine& engine, const std::string& script,
                                     double timeoutSeconds = 10);
// Evaluates script again and again until its value is `expected`; false when time runs out.
bool waitForValue(platform::web::WebEngine& engine, const std::string& script, const std::string& expected,
                  double timeoutSeconds = 5);

// One view of width x height with a recording delegate, and the server's hits forgotten and
// the limits put back after each test.
class ViewTest : public ::testing::Test {
  protected:
    ViewTest(int width, int height) : width_(width), height_(height) {}
    void SetUp() override;
    void TearDown() override;
    // Loads HTML with a base URL and waits for it to finish (a failed assertion otherwise).
    void load(const std::string& html, const std::string& baseUrl);

    tikoleap::test::LoopbackServer& server = webtest::server();
    Recorder recorder;
    std::shared_ptr<platform::web::WebEngine> engine;

  private:
    int width_;
    int height_;
};

}  // namespace webtest
