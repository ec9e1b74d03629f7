#pragma once
// Counts the address changes a page's frames make themselves (history.pushState, replaceState).
// The host sees the main frame's as its view's address and weighs them as navigations; a frame's
// it never sees, though the engine carries each through both processes and into the view's
// history just the same (a frame replacing its address 90 times a second with a MiB each cost the
// game a quarter of a core). Each frame's window gets, before any script of its own runs, the two
// functions that count the address they are given (its length, as the page's string, once), and
// the counts go to the host every kFlushMilliseconds, which weighs them as navigations. Main
// thread of the web process.
#include <cstdint>
#include <map>

typedef struct _WebKitScriptWorld WebKitScriptWorld;
typedef struct _WebKitWebPage WebKitWebPage;
typedef struct _WebKitFrame WebKitFrame;

namespace webext {

class FrameHistory {
  public:
    static constexpr unsigned kFlushMilliseconds = 100;

    // Runs for the rest of the process; `tellHost` is called with each page's counts since the last.
    static void start(void (*tellHost)(std::uint64_t page, std::uint32_t changes, std::uint64_t characters));

  private:
    struct Signals;
    struct Counted {
        std::uint32_t changes = 0;
        std::uint64_t characters = 0;
    };
    explicit FrameHistory(void (*tellHost)(std::uint64_t, std::uint32_t, std::uint64_t))
        : tellHost_(tellHost) {}
    void count(std::uint64_t page, double characters);
    void flush();

    void (*tellHost_)(std::uint64_t page, std::uint32_t changes, std::uint64_t characters);
    std::map<std::uint64_t, Counted> counted_;
    bool flushing_ = false;
};

}  // namespace webext
