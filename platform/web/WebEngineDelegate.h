#pragma once
// What a web view tells its host. Every call arrives on the main loop's thread, between ticks.
#include <cstddef>

#include "platform/web/WebTypes.h"

namespace platform::web {

class WebEngineDelegate {
  public:
    virtual ~WebEngineDelegate() = default;

    // Asked for every navigation, of any scheme, before it starts; the answer is final for
    // http, https and about, while any other scheme is never loaded whatever the answer (the
    // host sees it to act on it: ad messages, mail links, app links).
    virtual bool shouldStartNavigation(const NavigationAction& action) { return true; }
    virtual void loadStarted() {}
    // Once per load that succeeds; a failed load is reported by loadFailed only.
    virtual void loadFinished() {}
    virtual void loadFailed(const WebError& error) {}
    virtual void contentSizeChanged(ContentSize size) {}
    // alert, confirm and prompt of the page; the page waits for the answer.
    virtual DialogAnswer scriptDialog(const ScriptDialog& dialog) { return {}; }
    // A navigation of this many bytes, past WebEngine::kMaxNavigationURLBytes, was refused where
    // it arrived: a page message too long for the bridge, which a host waiting for the page's
    // answer would otherwise wait out.
    virtual void oversizedNavigationRefused(std::size_t bytes) {}
};

}  // namespace platform::web
