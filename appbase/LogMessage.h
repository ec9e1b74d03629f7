#pragma once
// The log helper: LogMessage(function, level, text) writes one line, "[LABEL] function" and,
// when the text is not empty, the text on the next line. Level 1 is silent (debug lines), 2
// "INFO", 3 "WARN", 4 "ERROR", any other level an empty label. Lines go to stderr; tests
// capture them with platform::setLogSink or platform::ScopedLogSink.
#include <string_view>

#include "platform/foundation/Log.h"
#include "platform/foundation/ScopedLogSink.h"

void LogMessage(const char* function, int level, std::string_view text = {});
