#pragma once
// The one log line of the game and its shell: "[LABEL] function" with an optional text on the
// next line (on stderr, after a colon on the same line). Level 1 marks debug lines and prints
// nothing; 2 is "INFO", 3 "WARN", 4 "ERROR". Lines go to stderr unless a sink is installed (tests
// capture lines that way).
//
// Any text logged may hold a value from a server or a page, so the log makes every one safe
// itself and no caller has to: the function name and the text of logMessage, and the whole line
// of logLine, are each cut at kMaxLoggedTextBytes and escaped (see escapedForLog): a line can
// neither flood the log nor break into lines that pass for others.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::size_t kMaxLoggedTextBytes = 4096;

// Receives each formatted line, without a trailing line feed. Called with the log lock held, so
// lines from several threads never interleave; a sink must not log itself.
using LogSink = std::function<void(const std::string& line)>;

// Installs a sink (null restores stderr) and returns the one it replaces.
LogSink setLogSink(LogSink sink);

// The label of a level: "INFO", "WARN", "ERROR", or "" for any other level.
const char* logLevelLabel(int level);

// "[%s] %s" or, with a non-empty text, "[%s] %s\n%s". A null function name prints "(null)".
std::string formatLogLine(const char* function, int level, std::string_view text);

// Formats and emits one line, its function name and text each cut and escaped; level 1 emits
// nothing, unless debug lines are on and a sink is installed: then the sink receives it with an
// empty label ("[] function"). On stderr the text stays on the line of the name:
// "[LABEL] function: text".
void logMessage(const char* function, int level, std::string_view text = {});

// Whether level-1 lines reach an installed sink (never stderr); off by default. Tests turn it on
// to read the debug lines. Returns the previous setting.
bool setLogDebugLines(bool on);

// Emits a line as given, cut and escaped, to the same sink (for components with a line format of
// their own).
void logLine(std::string_view line);

}  // namespace platform
