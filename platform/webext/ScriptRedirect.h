#pragma once
// Requests for the scripts the host may answer (by last path component, http and https only) are
// sent to the host's own scheme instead, carrying the original address, the page that asked, and
// the host's secret in a header the pages never see (so that a page asking the scheme itself is
// refused); everything else passes. A page asking far more than any creative does has its
// requests refused for the rest of the span, and its view is told. Main thread of the web process.
#include <glib.h>

#include <map>
#include <string>
#include <vector>

typedef struct _WebKitWebPage WebKitWebPage;

namespace webext {

class ScriptRedirect {
  public:
    // A page may have this many requests (of any kind, its frames' included) go through within each
    // span; past either, the rest of that span's are refused, and only those that went through
    // count. Creatives ask a few dozen as they load, then a few a second.
    static constexpr int kMaxBurstRequests = 400;
    static constexpr gint64 kBurstMicroseconds = 2'000'000;
    static constexpr int kMaxSustainedRequests = 1200;
    static constexpr gint64 kSustainedMicroseconds = 20'000'000;

    ScriptRedirect(std::string scheme, std::string secretHeader, std::string secret,
                   std::vector<std::string> names);
    // Watches the page's requests; the redirect must outlive the page.
    void watch(WebKitWebPage* page);

  private:
    struct Signals;
    struct Span {
        int most;
        gint64 length;
        int count = 0;
        gint64 start = 0;
    };
    struct Share {
        Span burst{kMaxBurstRequests, kBurstMicroseconds};
        Span sustained{kMaxSustainedRequests, kSustainedMicroseconds};
        bool told = false;  // the view heard of this span's refusals
    };
    // Counts one request of the page; false when it is refused.
    bool admit(WebKitWebPage* page);

    std::map<guint64, Share> shares_;  // by page id, never reused in a process
    std::string scheme_;
    std::string secretHeader_;
    std::string secret_;
    std::vector<std::string> names_;
};

}  // namespace webext
