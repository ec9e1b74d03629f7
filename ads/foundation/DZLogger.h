#pragma once
// The ad component's console log. Text is formatted at once on the caller's thread, then written
// in submission order on the serial queue "com.rerive.didaz.logging" (a queue for the work, not a
// lock): the caller never waits for the console. Lines go to standard error (or to the platform log's sink,
// where tests read them). There are no levels and no filtering.
//
// Logged values often come from servers and pages, so the log calls themselves bound them and no
// caller has to: DZLog cuts each text argument (%s) at kDZMaxLoggedValueBytes; DZLogText and
// logPublicMessage, whose text may hold such values anywhere, cut all of it at
// kDZMaxLoggedLineBytes. The platform's log line escapes every line it writes (see
// platform::escapedForLog), so no line here can break or disguise itself.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace platform {
class DispatchQueue;
}

// printf-style; writes the formatted text as one line, without a prefix.
void DZLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same for text that is already formatted (never read as a format).
void DZLogText(std::string text);
// A value from a server or a page (a class name, a URL, an identifier) as a log line shows it.
inline constexpr std::size_t kDZMaxLoggedValueBytes = 256;
// A whole text logged as it was given (a page's own log message, a message with values in it).
inline constexpr std::size_t kDZMaxLoggedLineBytes = 1024;
// The text cut at maxBytes on a character boundary, with "..." after a cut, and escaped as the log
// line escapes it (platform::escapedForLog), for a message that goes elsewhere than the log.
std::string dz_loggableText(std::string_view text, std::size_t maxBytes = kDZMaxLoggedValueBytes);
// The logging queue, made once on first use (tests wait on it to see what was written).
std::shared_ptr<platform::DispatchQueue> DZLoggingQueue();

class DZLogger {
  public:
    static std::shared_ptr<DZLogger> sharedInstance();

    // Writes "<Rerive> " followed by the message.
    void logPublicMessage(const std::string& message);
    // The same, printf-style, each text argument cut and escaped as DZLog does.
    void logPublicFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));

  private:
    DZLogger() = default;
};
