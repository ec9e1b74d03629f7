#pragma once
// Installs a log sink for the lifetime of a scope and puts the previous one back afterwards;
// tests use it to capture log lines.
#include <string>
#include <utility>
#include <vector>

#include "platform/foundation/Log.h"

namespace platform {

class ScopedLogSink {
  public:
    // Collects every line into lines(); with `withDebugLines`, the debug (level 1) lines too,
    // labelled "[]".
    explicit ScopedLogSink(bool withDebugLines = false)
        : previous_(setLogSink([this](const std::string& line) { lines_.push_back(line); })),
          previousDebug_(setLogDebugLines(withDebugLines)) {}
    explicit ScopedLogSink(LogSink sink)
        : previous_(setLogSink(std::move(sink))), previousDebug_(setLogDebugLines(false)) {}
    ~ScopedLogSink() {
        setLogDebugLines(previousDebug_);
        setLogSink(std::move(previous_));
    }
    ScopedLogSink(const ScopedLogSink&) = delete;
    ScopedLogSink& operator=(const ScopedLogSink&) = delete;

    const std::vector<std::string>& lines() const { return lines_; }
    void clear() { lines_.clear(); }

  private:
    std::vector<std::string> lines_;
    LogSink previous_;
    bool previousDebug_;
};

}  // namespace platform
