#pragma once
// Holds the media of a page whose view nobody sees: while the host says its view is hidden (and
// until it first says it is shown), every audio or video element of every frame that starts
// playing is paused at once, and those playing as the view is hidden are paused too; shown again,
// the view plays what was held. Works from a script world of its own, out of the pages' reach,
// in each frame's new window before any script of the page runs. The host mutes the view's sound
// besides, which holds what this cannot see (an element outside the document, a shadow root's).
// Main thread of the web process.
#include <cstdint>
#include <map>

typedef struct _WebKitScriptWorld WebKitScriptWorld;
typedef struct _WebKitWebPage WebKitWebPage;
typedef struct _WebKitFrame WebKitFrame;

namespace webext {

class MediaHold {
  public:
    // Runs for the rest of the process.
    static MediaHold& start();
    // Takes the host's word for the page's view (see extension::kMediaShownMessage).
    void watch(WebKitWebPage* page);

  private:
    struct Signals;
    MediaHold();
    void setShown(std::uint64_t page, bool shown);
    // Tells the frame's own script whether its page is shown.
    void tell(WebKitFrame* frame, bool shown);

    WebKitScriptWorld* world_;
    std::map<std::uint64_t, bool> shown_;           // by page id; a page not told yet is hidden
    std::map<WebKitFrame*, std::uint64_t> frames_;  // live frames and their pages
};

}  // namespace webext
