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

#include "platform/web/WebPageLimits.h"

typedef struct _WebKitWebPage WebKitWebPage;

namespace webext {

class ScriptRedirect {
  public:
    ScriptRedirect(std::string scheme, std::string secretHeader, std::string secret,
                   std::vector<std::string> names);
    // Watches the page's requests; the redirect must outlive the page.
    void watch(WebKitWebPage* page);

  private:
    using Limits = platform::web::WebPageLimits;
    struct Signals;
    struct Span {
        int most;
        std::int64_t length;
        int count = 0;
        gint64 start = 0;
    };
    struct Share {
        Span burst{Limits::kMaxBurstRequests, Limits::kBurstMicroseconds};
        Span sustained{Limits::kMaxSustainedRequests, Limits::kSustainedMicroseconds};
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
