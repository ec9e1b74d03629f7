#include "ads/render/view/DZPageTrackers.h"

#include <algorithm>
#include <chrono>
#include <set>
#include <string_view>
#include <utility>

#include "ads/core/DZAd.h"
#include "ads/foundation/DZClickTrackerCollection.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZNSURLUtilities.h"
#include "ads/foundation/DZStringAdditions.h"
#include "ads/render/host/DZAdHost.h"
#include "ads/render/view/DZAdView.h"
#include "platform/http/HostLookup.h"
#include "platform/http/HttpUrl.h"

namespace {

// How long after its lookup started a hop that asks for a billed URL's resource waits, on the
// HTTP engine's thread, for the addresses of that URL's server: every transfer waits with it.
constexpr auto kLookupWait = std::chrono::milliseconds(1000);

// The port a URL reaches, written or not.
std::string portOf(const platform::UrlParts& url) {
    if (!url.port.empty()) return url.port;
    return url.scheme == "https" ? "443" : "80";
}

// The query's parameters, decoded as a form's: a "+" is a space, and a key alone is one with an
// empty value, as servers commonly take both.
std::multiset<std::pair<std::string, std::string>> parametersOf(const platform::UrlParts& url) {
    std::multiset<std::pair<std::string, std::string>> parameters;
    for (auto& pair : dz_queryPairs(url.query, "&", true))
        parameters.emplace(std::move(pair.key), std::move(pair.value));
    return parameters;
}

// The path without its "." and ".." segments. The sender removes those it reads, but not "%2e"
// and "%2e%2e", which servers that decode before they normalise read as dot segments too.
std::string withoutDotSegments(const std::string& path) {
    std::vector<std::string> kept;
    for (std::size_t start = path.starts_with('/') ? 1 : 0;;) {
        const auto end = path.find('/', start);
        const bool last = end == std::string::npos;
        std::string segment = path.substr(start, last ? std::string::npos : end - start);
        if (segment == ".." && !kept.empty()) kept.pop_back();
        if (segment != "." && segment != "..") {
            kept.push_back(std::move(segment));
        } else if (last) {
            kept.emplace_back();
        }
        if (last) break;
        start = end + 1;
    }
    std::string out;
    for (const auto& segment : kept) out += "/" + segment;
    return out;
}

// The path as a server commonly takes it: decoded, none is "/", a run of slashes is one, and
// without the dot segments the decoding spells.
std::string pathOf(const platform::UrlParts& url) {
    const auto decoded = dz_stringByRemovingPercentEncoding(url.path);
    std::string path;
    for (const char c : decoded.value_or(url.path)) {
        if (c != '/' || path.empty() || path.back() != '/') path.push_back(c);
    }
    path = withoutDotSegments(path);
    return path.empty() ? "/" : path;
}

// Read as the HTTP engine reads what it sends, not as the URL type does: the two differ on
// "http:/host/…", "http:///host/…" and other spellings, and only the engine's reading is billed.
std::optional<platform::UrlParts> sentReading(const std::string& text) {
    auto parts = platform::parseUrl(text);
    if (!parts || !platform::isHttpScheme(parts->scheme) || parts->place.empty()) return std::nullopt;
    return parts;
}

// The same place, or an address where the click URL names its server: the name is not looked up
// (that would wait on a name server), so any address does.
bool samePlace(const platform::UrlParts& url, const platform::UrlParts& click) {
    return url.place == click.place || (platform::isAddressPlace(url.place) && click.place != "loopback" &&
                                        !platform::isAddressPlace(click.place));
}

// What the click URL's server bills on: the port reached, the path and the parameters.
bool sameResource(const platform::UrlParts& url, const std::string& port, const platform::UrlParts& click) {
    if (port != portOf(click) || pathOf(url) != pathOf(click)) return false;
    const auto have = parametersOf(url);
    const auto needed = parametersOf(click);
    return std::includes(have.begin(), have.end(), needed.begin(), needed.end());
}

bool standsFor(const platform::UrlParts& url, const platform::UrlParts& click) {
    return samePlace(url, click) && sameResource(url, portOf(url), click);
}

// The place of an address as a connection or the resolver writes it ("::1" and not "[::1]").
std::string addressPlace(const std::string& address) {
    return platform::hostPlace(address.find(':') == std::string::npos ? address : "[" + address + "]");
}

// Whether `address` is one of the click URL's server: the address it names, this machine for
// this machine, or one its name resolves to. Without an answer in kLookupWait it counts as one:
// the hop asks for the billed resource already.
bool isServerOf(const std::string& address, const platform::UrlParts& click) {
    const auto place = addressPlace(address);
    if (click.place == "loopback" || platform::isAddressPlace(click.place)) return place == click.place;
    const auto addresses = platform::HostLookup::of(click.place)->addresses(kLookupWait);
    return !addresses || std::any_of(addresses->begin(), addresses->end(),
                                     [&](const std::string& one) { return addressPlace(one) == place; });
}

// Whether a hop, connected, reaches one of `clicks`: the server's address and port, and its
// path and parameters. The server is only looked up for a hop that asks for its resource.
bool reachesAny(const platform::HttpConnectedHop& hop, const std::vector<platform::UrlParts>& clicks) {
    const auto url = sentReading(hop.url);
    const auto port = std::to_string(hop.port);
    return url && std::any_of(clicks.begin(), clicks.end(), [&](const platform::UrlParts& click) {
               return sameResource(*url, port, click) && isServerOf(hop.address, click);
           });
}

std::vector<platform::UrlParts> readingsOf(const std::vector<std::string>& texts) {
    std::vector<platform::UrlParts> readings;
    for (const auto& text : texts)
        if (auto reading = sentReading(text)) readings.push_back(std::move(*reading));
    return readings;
}

// What the component bills through: the ad's click and impression URLs.
std::vector<platform::UrlParts> clicksOf(const std::shared_ptr<DZAdHost>& host) {
    const auto ad = host ? host->ad() : nullptr;
    return ad ? readingsOf(ad->billedURLs()) : std::vector<platform::UrlParts>();
}

bool standsForAny(const std::string& text, const std::vector<platform::UrlParts>& clicks) {
    const auto url = sentReading(text);
    return url && std::any_of(clicks.begin(), clicks.end(),
                              [&](const platform::UrlParts& click) { return standsFor(*url, click); });
}

}  // namespace

bool DZPageTrackers::standsFor(const std::string& url, const std::vector<std::string>& clickURLs) {
    return standsForAny(url, readingsOf(clickURLs));
}

bool DZPageTrackers::isOwnClick(const std::string& url, const std::shared_ptr<DZAdHost>& host) {
    return standsForAny(url, clicksOf(host));
}

DZClickTracker::HopCheck DZPageTrackers::hopCheck(const std::shared_ptr<DZAdHost>& host) {
    // Read on the HTTP engine's thread too, never changed.
    const auto clicks = std::make_shared<const std::vector<platform::UrlParts>>(clicksOf(host));
    if (clicks->empty()) return {};
    const auto stopped = [] {
        DZLogText("Ad page tracker stopped: it led to the ad's own click or impression URL");
    };
    DZClickTracker::HopCheck check;
    check.url = [clicks, stopped](const std::string& url) {
        if (!standsForAny(url, *clicks)) return true;
        stopped();
        return false;
    };
    // Another name of the click's server (a wildcard name of its domain) is only known for one
    // by the address it reaches.
    check.connected = [clicks](const platform::HttpConnectedHop& hop) { return !reachesAny(hop, *clicks); };
    check.refused = stopped;
    return check;
}

std::vector<std::string> DZPageTrackers::select(const std::vector<std::string>& candidates,
                                                const std::shared_ptr<DZAdHost>& host) {
    const auto clicks = clicksOf(host);
    std::vector<std::string> kept;
    std::size_t ownClicks = 0;
    const std::size_t looked = std::min(candidates.size(), kMaxPerLink);
    for (std::size_t i = 0; i < looked; ++i) {
        const auto url = dz_URLWithString(candidates[i]);
        if (!url || !url->isWeb()) continue;
        if (standsForAny(url->text(), clicks)) {
            ++ownClicks;
        } else if (std::find(kept.begin(), kept.end(), url->text()) == kept.end()) {
            kept.push_back(url->text());
        }
    }
    if (ownClicks > 0)
        DZLog("Ad page trackers refused: %zu named the ad's own click or impression URL", ownClicks);
    return kept;
}

void DZPageTrackers::ping(const std::vector<std::string>& candidates, const std::shared_ptr<DZAdView>& adView,
                          const std::shared_ptr<DZAdHost>& host) {
    const DZPingAsker page = adView ? adView->pingAsker() : DZPingAsker();
    const auto check = hopCheck(host);
    for (const auto& tracker : select(candidates, host))
        DZClickTrackerCollection::sharedInstance()->trackURL(tracker, page, false, check);
}
