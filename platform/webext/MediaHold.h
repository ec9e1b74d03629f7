#pragma once
// Holds the media of a page whose view nobody sees: while the host says its view is hidden (and
// until it first says it is shown), every audio or video element of every frame that starts
// playing is paused at once, and those playing as the view is hidden are paused too; shown again,
// the view plays what was held. Works from a script world of its own, out of the pages' reach,
// in each frame's new window before any script of the page runs, and in the page's own world
// besides, with the players taken before the page can reach them: a play asked for while hidden
// (of an element outside the document or in a shadow root too), what starts in a shadow root a
// script attaches, a WebAudio context and words spoken wait until the view is shown. The host
// mutes the view's sound besides, which holds what neither sees (an element outside the document
// or in a shadow root the markup declares that its `autoplay` starts, one a `MediaController`
// starts, and what plays through the players of a frame that may run no script, whose window the
// engine never tells of).
// Main thread of the web process.
#include <cstdint>
#include <map>

typedef struct _WebKitScriptWorld WebKitScriptWorld;
typedef struct _WebKitWebPage WebKitWebPage;
typedef struct _WebKitFrame WebKitFrame;
typedef struct _JSCValue JSCValue;

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
    // Tells the scripts of the page's frames whether it is shown.
    void setShown(std::uint64_t page, bool shown);

    // A live frame: its page, and what tells its window's scripts (in our world and the page's).
    struct Frame {
        std::uint64_t page;
        JSCValue* tellWorld;
        JSCValue* tellPage;
    };

    WebKitScriptWorld* world_;
    std::map<std::uint64_t, bool> shown_;  // by page id; a page not told yet is hidden
    std::map<WebKitFrame*, Frame> frames_;
};

}  // namespace webext
