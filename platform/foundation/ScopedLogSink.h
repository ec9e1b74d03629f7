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
    // Collects every line into lines().
    ScopedLogSink() : previous_(setLogSink([this](const std::string& line) { lines_.push_back(line); })) {}
    explicit ScopedLogSink(LogSink sink) : previous_(setLogSink(std::move(sink))) {}
    ~ScopedLogSink() { setLogSink(std::move(previous_)); }
    ScopedLogSink(const ScopedLogSink&) = delete;
    ScopedLogSink& operator=(const ScopedLogSink&) = delete;

    const std::vector<std::string>& lines() const { return lines_; }
    void clear() { lines_.clear(); }

  private:
    std::vector<std::string> lines_;
    LogSink previous_;
};

}  // namespace platform
