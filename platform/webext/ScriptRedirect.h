#pragma once
// Requests for the scripts the host may answer (by last path component, http and https only) are
// sent to the host's own scheme instead, carrying the original address, the page that asked, and
// the host's secret in a header the pages never see (so that a page asking the scheme itself is
// refused); everything else passes. Main thread of the web process.
#include <string>
#include <vector>

typedef struct _WebKitWebPage WebKitWebPage;

namespace webext {

class ScriptRedirect {
  public:
    ScriptRedirect(std::string scheme, std::string secretHeader, std::string secret,
                   std::vector<std::string> names);
    // Watches the page's requests; the redirect must outlive the page.
    void watch(WebKitWebPage* page);

  private:
    struct Signals;
    std::string scheme_;
    std::string secretHeader_;
    std::string secret_;
    std::vector<std::string> names_;
};

}  // namespace webext
