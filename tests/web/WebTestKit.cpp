#include "WebTestKit.h"

#include <glib.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <limits>
#include <optional>

#include "platform/web/WebProcessList.h"

namespace webtest {

using platform::Timer;
using namespace platform::web;

WebLimits testLimits() {
    WebLimits limits;
    limits.maxViews = 4;
    limits.loadTimeoutSeconds = 10;
    limits.scriptTimeoutSeconds = 5;
    limits.dialogsAnswered = 5;
    limits.dialogsBeforeStop = 50;
    return limits;
}

platform::GLibRunLoop& loop() {
    static auto* loop = new platform::GLibRunLoop();
    return *loop;
}

WebKitHost& host() {
    WebKitHost* started = WebKitHost::current();
    return started ? *started : host(testLimits());
}

WebKitHost& host(const WebLimits& limits) {
    return WebKitHost::start(loop(), limits);
}

bool runUntil(const std::function<bool()>& pred, double timeoutSeconds) {
    if (pred()) return true;
    auto& l = loop();
    auto poll = l.scheduleRepeating(0.002, [&](Timer&) {
        if (pred()) l.quit();
    });
    auto limit = l.scheduleOnce(timeoutSeconds, [&](Timer&) { l.quit(); });
    l.run();
    poll->invalidate();
    limit->invalidate();
    return pred();
}

void runFor(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    runUntil([&] { return std::chrono::steady_clock::now() >= end; }, seconds + 1);
}

std::vector<int> webProcesses() {
    return platform::web::WebProcessList::of(getpid());
}

PinnedCores::PinnedCores(int cores) {
    CPU_ZERO(&all_);
    EXPECT_EQ(sched_getaffinity(0, sizeof all_, &all_), 0);
    cpu_set_t few;
    CPU_ZERO(&few);
    for (int cpu = 0; cpu < CPU_SETSIZE && CPU_COUNT(&few) < cores; ++cpu)
        if (CPU_ISSET(cpu, &all_)) CPU_SET(cpu, &few);
    EXPECT_EQ(sched_setaffinity(0, sizeof few, &few), 0);
}

PinnedCores::~PinnedCores() {
    sched_setaffinity(0, sizeof all_, &all_);
}

std::optional<double> residentAnonymousMB(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        if (key == "RssAnon:") {
            double kB = 0;
            status >> kB;
            return kB / 1024;
        }
        status.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    return std::nullopt;
}

void settle() {
    for (int i = 0; i < 20 && g_main_context_iteration(loop().context(), FALSE); ++i) {
    }
}

int webProcessCount() {
    return static_cast<int>(webProcesses().size());
}

tikoleap::test::LoopbackServer& server() {
    static auto* server = new tikoleap::test::LoopbackServer();
    return *server;
}

void page(const std::string& path, const std::string& body, const std::string& type) {
    server().get(
        path, [body, type](const httplib::Request&, httplib::Response& res) { res.set_content(body, type); });
}

void hang(const std::string& path) {
    server().slow(path, 20, 200, "late");
}

std::string lastHeader(const std::string& path, const std::string& name) {
    const auto hits = server().hits(path);
    return hits.empty() ? std::string() : hits.back().header(name);
}

std::string closedPortUrl(const std::string& path) {
    tikoleap::test::LoopbackServer closed;
    closed.stop();
    return closed.url(path);
}

bool Recorder::shouldStartNavigation(const NavigationAction& action) {
    navigations.push_back(action);
    return allow;
}

DialogAnswer Recorder::scriptDialog(const ScriptDialog& dialog) {
    dialogs.push_back(dialog);
    return answer;
}

const NavigationAction* Recorder::navigationTo(const std::string& prefix) const {
    for (const auto& n : navigations) {
        if (n.url.rfind(prefix, 0) == 0) return &n;
    }
    return nullptr;
}

bool Recorder::sawNavigationTo(const std::string& prefix) const {
    return navigationTo(prefix) != nullptr;
}

namespace {
std::string unescaped(const std::string& text) {
    char* raw = g_uri_unescape_string(text.c_str(), nullptr);
    std::string out = raw ? raw : "";
    g_free(raw);
    return out;
}
}  // namespace

std::vector<PageMessage> pageMessages(const std::vector<NavigationAction>& navigations, std::size_t from) {
    static const std::string prefix = "amsg://page/";
    std::vector<PageMessage> out;
    for (std::size_t i = from; i < navigations.size(); ++i) {
        const std::string& url = navigations[i].url;
        if (url.rfind(prefix, 0) != 0) continue;
        const std::size_t mark = url.find('?', prefix.size());
        PageMessage message{unescaped(url.substr(prefix.size(), mark - prefix.size())), {}};
        const std::string query = mark == std::string::npos ? "" : url.substr(mark + 1);
        std::size_t at = 0;
        while (at < query.size()) {
            std::size_t end = query.find('&', at);
            if (end == std::string::npos) end = query.size();
            const std::string pair = query.substr(at, end - at);
            const std::size_t eq = pair.find('=');
            message.params[unescaped(pair.substr(0, eq))] =
                eq == std::string::npos ? "" : unescaped(pair.substr(eq + 1));
            at = end + 1;
        }
        out.push_back(std::move(message));
    }
    return out;
}

ScriptResult evaluate(WebEngine& engine, const std::string& script, double timeoutSeconds) {
    auto result = std::make_shared<std::optional<ScriptResult>>();
    engine.evaluateScript(script, [result](const ScriptResult& r) { *result = r; });
    runUntil([&] { return result->has_value(); }, timeoutSeconds);
    return result->value_or(ScriptResult{false, {}, "no answer within the test's time"});
}

bool waitForValue(WebEngine& engine, const std::string& script, const std::string& expected,
                  double timeoutSeconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    while (evaluate(engine, script, timeoutSeconds).value != expected) {
        if (std::chrono::steady_clock::now() >= end) return false;
        runFor(0.02);
    }
    return true;
}

void ViewTest::SetUp() {
    engine = host().createView(width_, height_);
    ASSERT_TRUE(engine);
    engine->setDelegate(&recorder);
}

void ViewTest::TearDown() {
    if (engine) engine->setDelegate(nullptr);
    engine.reset();
    settle();
    server.clearHits();
    host(testLimits());
}

void ViewTest::load(const std::string& html, const std::string& baseUrl) {
    const int before = recorder.finished;
    engine->loadHTML(html, baseUrl);
    ASSERT_TRUE(runUntil([&] { return recorder.finished > before; })) << "the page did not load";
}

}  // namespace webtest
