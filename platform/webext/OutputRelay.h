#pragma once
// Takes what the web process writes to its standard error (the engine's, the media framework's
// and the toolkit's warnings, which a page's media elements or the desktop's missing services
// set off) off the game's own stream. The process's stderr becomes a pipe that a thread of its
// own drains; of its lines, a few at once and then a few a second are handed to the main thread,
// which passes each on to the view, whose host logs them as its page's within the page's budget.
// The rest is dropped, and a writer never waits: a full pipe drops what is written to it.
#include <cstdint>
#include <string>

#include "platform/web/WebPageLimits.h"

namespace webext {

class OutputRelay {
  public:
    // Runs for the rest of the process; `tellHost` is called on the main thread, once a line.
    // Leaves stderr as it was when no pipe can be made.
    static void start(void (*tellHost)(const std::string& line));

  private:
    OutputRelay(int readEnd, void (*tellHost)(const std::string& line));
    void run();
    // Counts one line; false when it is over the rate.
    bool admit();
    void pass(std::string line);

    int readEnd_;
    void (*tellHost_)(const std::string& line);
    double tokens_ = platform::web::WebPageLimits::kBurstLines;
    std::int64_t countedAt_ = 0;  // microseconds, monotonic
};

}  // namespace webext
