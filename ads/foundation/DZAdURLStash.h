#pragma once
// The process-wide map from an ad's URL to the ad view that shows it, keyed by a canonical form
// of the URL so that small differences in how the same URL is written find the same view. Views
// are held weakly (a view that goes away without removing its entry is simply not found), and
// a view removes only its own entry, never a newer view's under the same URL. Ad views add and
// remove their entries on the main thread; a look-up may come from any thread, so one lock
// guards each access.
#include <memory>
#include <optional>

#include "platform/url/Url.h"

namespace platform::ui {
class View;
}

class DZAdURLStash {
  public:
    // A URL with an explicit port, or without a host, is its own canonical form. Otherwise the
    // host gets ":80" (whatever the scheme), the fragment goes (from the first "#"), and then
    // one trailing "/": http://h.com/a/#x and http://h.com/a both become http://h.com:80/a.
    static std::optional<platform::Url> canonicalURLForURL(const std::optional<platform::Url>& url);

    // Stores the view under the URL's canonical form, replacing any earlier view.
    static void add(const platform::Url& url, const std::shared_ptr<platform::ui::View>& view);
    // Removes the entry of the URL's canonical form when it is the given view's.
    static void remove(const platform::Url& url, const platform::ui::View* view);
    // The live view stored under the URL's canonical form, or null. Whichever thread drops the
    // last reference, the view is released on the main thread.
    static std::shared_ptr<platform::ui::View> viewForURL(const platform::Url& url);
    // Whether any entry's view is still alive.
    static bool hasStashedURLs();
};
