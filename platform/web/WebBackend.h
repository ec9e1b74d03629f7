#pragma once
// What the real web engine's library (libtikoleap-web.so, opened at the first web view) gives the
// platform layer: views, whether the engine runs, and the two things that need its toolkit. The
// library installs it with WebViews::installBackend as it loads. Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "platform/web/WebEngine.h"

namespace platform {
class GLibRunLoop;
}

namespace platform::web {

class WebBackend {
  public:
    virtual ~WebBackend() = default;

    // A view of width x height points, the engine started on `startOn` first when it does not run
    // yet (a loop on GLib's default main context that outlives the process; null when the engine
    // runs); null with the reason in `error`: an engine that could not start (it is not tried
    // again), or the cap on live views.
    virtual std::unique_ptr<WebEngine> createView(GLibRunLoop* startOn, int width, int height,
                                                  std::string* error) = 0;
    virtual bool running() const = 0;
    // Whether a live view has a page on its way.
    virtual bool anyViewLoading() const = 0;
    // The user agent views send unless told otherwise; nothing while the engine does not run.
    virtual std::optional<std::string> defaultUserAgent() = 0;
    // Offers UTF-8 text to the desktop clipboard, where the engine's toolkit runs on a display;
    // false when it did not.
    virtual bool offerToClipboard(const std::string& text) = 0;
};

}  // namespace platform::web
