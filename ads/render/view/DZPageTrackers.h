#pragma once
// The trackers a page names (its "httpTrack" and "click" URLs, a deeplink+ link's tracking URLs,
// a purchase's report URLs) are the page's own pings, counted against the page. Of one message or
// link only the first kMaxPerLink are looked at, and of those only web URLs are taken, each once,
// and never one of the ad's own click or impression URLs, nor any redirect on the way that leads
// to one: those are billed, and only the component pings them, where a page naming one would bill
// it each time it named it. Both are read as the HTTP engine sends them. A tracker stands for such
// a URL when it reaches the same place (any spelling of the host's address, this machine under any
// of its names and addresses, a name the hosts file gives an address as that address, a final dot,
// and any address where the billed URL names its server, since no name server is asked), port and
// path (percent-decoded, slashes doubled or none at all, dot segments removed, decoded ones
// too) and carries every query parameter of it (in any order, decoded as a form's, with others or
// a fragment added): each still reaches it. Another name of the billed URL's server (one a page
// controls that resolves to the server's address) is only known by the address it reaches, so
// each hop is checked again once connected, before anything is sent on it: at an address and
// port of that server, the same path and those parameters stop it too. Main thread only, but for
// that check (see hopCheck).
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "ads/foundation/DZClickTracker.h"

class DZAdHost;
class DZAdView;

class DZPageTrackers {
  public:
    static constexpr std::size_t kMaxPerLink = 16;

    // What of `candidates` may be pinged, in their order, for a page of the ad `host` shows (null:
    // no ad). One line for those refused as the ad's own click or impression URLs.
    static std::vector<std::string> select(const std::vector<std::string>& candidates,
                                           const std::shared_ptr<DZAdHost>& host);
    // Whether `url` stands for one of `clickURLs`.
    static bool standsFor(const std::string& url, const std::vector<std::string>& clickURLs);
    // Whether `url` stands for one of the click or impression URLs of the ad `host` shows.
    static bool isOwnClick(const std::string& url, const std::shared_ptr<DZAdHost>& host);
    // What stops a tracker's chain, with one line, at a hop that stands for one of the click or
    // impression URLs of the ad `host` shows now, or that, connected, reaches one; empty when
    // there are none. The connected check runs on the HTTP engine's thread: a billed URL naming
    // its server by name has it looked up there (platform::HostLookup), and the hop waits for the
    // answer until a second after the lookup started, counting as the server's without one.
    static DZClickTracker::HopCheck hopCheck(const std::shared_ptr<DZAdHost>& host);
    // Pings what select keeps, against the page shown in `adView` (no one in particular without).
    static void ping(const std::vector<std::string>& candidates, const std::shared_ptr<DZAdView>& adView,
                     const std::shared_ptr<DZAdHost>& host);
};
