#pragma once
// The trackers a page names (its "httpTrack" and "click" URLs, a deeplink+ link's tracking URLs,
// a purchase's report URLs) are the page's own pings, counted against the page. Of one message or
// link only the first kMaxPerLink are looked at, and of those only web URLs are taken, each once,
// and never one of the ad's own click URLs: those are billed, and the ad's open alone pings them,
// where a page naming one would bill a click each time it named it. A tracker stands for a click
// URL when it has its host, port and path and carries every query parameter of it (in any order,
// decoded as a form's, with others or a fragment added), its host with a final dot, its path
// with slashes doubled or none at all: each still reaches it. Main thread only.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class DZAdHost;
class DZAdView;

class DZPageTrackers {
  public:
    static constexpr std::size_t kMaxPerLink = 16;

    // What of `candidates` may be pinged, in their order, for a page of the ad `host` shows (null:
    // no ad). One line for those refused as the ad's own clicks.
    static std::vector<std::string> select(const std::vector<std::string>& candidates,
                                           const std::shared_ptr<DZAdHost>& host);
    // Whether `url` stands for one of the click URLs of the ad `host` shows.
    static bool isOwnClick(const std::string& url, const std::shared_ptr<DZAdHost>& host);
    // Pings what select keeps, against the page shown in `adView` (no one in particular without).
    static void ping(const std::vector<std::string>& candidates, const std::shared_ptr<DZAdView>& adView,
                     const std::shared_ptr<DZAdHost>& host);
};
