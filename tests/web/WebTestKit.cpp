#include "WebTestKit.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>

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

int webProcessCount() {
    const std::string self = std::to_string(getpid());
    int count = 0;
    DIR* proc = opendir("/proc");
    if (!proc) return -1;
    while (dirent* entry = readdir(proc)) {
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        if (!stat || !std::getline(stat, line)) continue;
        // pid (comm) state ppid ...; comm may hold spaces, so read after the last ')'.
        const auto open = line.find('(');
        const auto close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        const std::string comm = line.substr(open + 1, close - open - 1);
        std::istringstream rest(line.substr(close + 1));
        std::string state, ppid;
        rest >> state >> ppid;
        if (ppid == self && comm.rfind("WebKitWebProces", 0) == 0 && state != "Z") ++count;
    }
    closedir(proc);
    return count;
}

LocalServer& LocalServer::shared() {
    // Never destroyed: its thread ends with the process.
    static auto* server = new LocalServer();
    return *server;
}

LocalServer::LocalServer() {
    server_.set_logger([this](const httplib::Request& req, const httplib::Response&) {
        std::lock_guard lock(mutex_);
        hits_[req.path].push_back(req.headers);
    });
    server_.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
        std::unique_lock lock(mutex_);
        auto it = pages_.find(req.path);
        if (it == pages_.end()) {
            res.status = 404;
            return;
        }
        const Page page = it->second;
        if (page.hangs) {
            const std::uint64_t generation = generation_;
            released_.wait_for(lock, std::chrono::seconds(20), [&] { return generation_ != generation; });
        }
        res.set_content(page.body, page.type);
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    thread_.detach();
}

void LocalServer::page(const std::string& path, const std::string& body, const std::string& type) {
    std::lock_guard lock(mutex_);
    pages_[path] = {body, type, false};
}

void LocalServer::hang(const std::string& path) {
    std::lock_guard lock(mutex_);
    pages_[path] = {"late", "text/html", true};
}

void LocalServer::reset() {
    {
        std::lock_guard lock(mutex_);
        ++generation_;
        pages_.clear();
        hits_.clear();
    }
    released_.notify_all();
}

std::string closedPortUrl(const std::string& path) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 9;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    if (fd >= 0) close(fd);
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

std::string LocalServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

int LocalServer::hits(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto it = hits_.find(path);
    return it == hits_.end() ? 0 : static_cast<int>(it->second.size());
}

std::string LocalServer::header(const std::string& path, const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto it = hits_.find(path);
    if (it == hits_.end() || it->second.empty()) return {};
    auto h = it->second.back().find(name);
    return h == it->second.back().end() ? std::string() : h->second;
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

}  // namespace webtest
