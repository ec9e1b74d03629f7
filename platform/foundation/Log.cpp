#include "platform/foundation/Log.h"

#include "platform/foundation/Utf8Text.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <utility>

namespace platform {

namespace {

std::recursive_mutex& logMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

LogSink& currentSink() {
    static LogSink sink;
    return sink;
}

std::atomic<bool> gDebugLines{false};

// Every line is made safe here, where all of them pass, whatever floor wrote it: any of its texts
// may hold a value from a server or a page.
std::string loggable(std::string_view text) {
    return escapedForLog(text, kMaxLoggedTextBytes);
}

void emit(const std::string& line) {
    std::lock_guard lock(logMutex());
    if (currentSink()) {
        currentSink()(line);
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
        std::fflush(stderr);
    }
}

}  // namespace

LogSink setLogSink(LogSink sink) {
    std::lock_guard lock(logMutex());
    return std::exchange(currentSink(), std::move(sink));
}

const char* logLevelLabel(int level) {
    switch (level) {
        case 2:
            return "INFO";
        case 3:
            return "WARN";
        case 4:
            return "ERROR";
        default:
            return "";
    }
}

std::string formatLogLine(const char* function, int level, std::string_view text) {
    std::string line = "[";
    line += logLevelLabel(level);
    line += "] ";
    line += function ? function : "(null)";
    if (!text.empty()) {
        line += '\n';
        line += text;
    }
    return line;
}

bool setLogDebugLines(bool on) {
    return gDebugLines.exchange(on);
}

void logMessage(const char* function, int level, std::string_view text) {
    if (level == 1 && !gDebugLines) return;
    const std::string line =
        formatLogLine(function ? loggable(function).c_str() : nullptr, level, loggable(text));
    if (level == 1) {
        std::lock_guard lock(logMutex());
        if (currentSink()) currentSink()(line);
        return;
    }
    std::lock_guard lock(logMutex());
    if (currentSink()) {
        currentSink()(line);
        return;
    }
    // A terminal shows one line an entry: the text follows the name after a colon there.
    std::string terminal = formatLogLine(function ? loggable(function).c_str() : nullptr, level, {});
    if (!text.empty()) terminal.append(": ").append(loggable(text));
    std::fprintf(stderr, "%s\n", terminal.c_str());
    std::fflush(stderr);
}

void logLine(std::string_view text) {
    emit(loggable(text));
}

}  // namespace platform
