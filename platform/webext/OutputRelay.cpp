#include "platform/webext/OutputRelay.h"

#include <fcntl.h>
#include <glib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <thread>

namespace webext {

namespace {

using Limits = platform::web::WebPageLimits;

struct Line {
    void (*tellHost)(const std::string& line);
    std::string text;
};

int onMainThread(void* data) {
    std::unique_ptr<Line> line(static_cast<Line*>(data));
    line->tellHost(line->text);
    return G_SOURCE_REMOVE;
}

}  // namespace

void OutputRelay::start(void (*tellHost)(const std::string& line)) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return;
    // A writer never waits for the relay: what a full pipe cannot take is dropped.
    fcntl(ends[1], F_SETFL, fcntl(ends[1], F_GETFL) | O_NONBLOCK);
    if (dup2(ends[1], STDERR_FILENO) < 0) {
        close(ends[0]);
        close(ends[1]);
        return;
    }
    close(ends[1]);
    // Lives as long as the process: the thread never ends before it.
    auto* relay = new OutputRelay(ends[0], tellHost);
    std::thread([relay] { relay->run(); }).detach();
}

OutputRelay::OutputRelay(int readEnd, void (*tellHost)(const std::string& line))
    : readEnd_(readEnd), tellHost_(tellHost), countedAt_(g_get_monotonic_time()) {}

void OutputRelay::run() {
    std::string line;
    bool cut = false;  // the rest of an overlong line is skipped
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(readEnd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        for (ssize_t i = 0; i < n; ++i) {
            const char c = buffer[i];
            if (c == '\n') {
                if (!line.empty()) pass(std::move(line));
                line.clear();
                cut = false;
            } else if (!cut && line.size() < Limits::kMaxLineBytes) {
                line.push_back(c);
            } else if (!cut) {
                pass(std::move(line));
                line.clear();
                cut = true;
            }
        }
    }
}

bool OutputRelay::admit() {
    const std::int64_t now = g_get_monotonic_time();
    tokens_ = std::min<double>(Limits::kBurstLines, tokens_ + static_cast<double>(now - countedAt_) * 1e-6 *
                                                                  Limits::kLinesPerSecond);
    countedAt_ = now;
    if (tokens_ < 1) return false;
    tokens_ -= 1;
    return true;
}

void OutputRelay::pass(std::string line) {
    if (!admit()) return;
    g_main_context_invoke(nullptr, &onMainThread, new Line{tellHost_, std::move(line)});
}

}  // namespace webext
