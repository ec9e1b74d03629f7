#include "ads/render/view/DZPageTrackers.h"

#include <algorithm>
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
#include "platform/http/HttpUrl.h"

namespace {

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

bool standsFor(const platform::UrlParts& url, const platform::UrlParts& click) {
    if (!samePlace(url, click) || portOf(url) != portOf(click) || pathOf(url) != pathOf(click)) return false;
    const auto have = parametersOf(url);
    const auto needed = parametersOf(click);
    return std::includes(have.begin(), have.end(), needed.begin(), needed.end());
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
    auto clicks = clicksOf(host);
    if (clicks.empty()) return {};
    return [clicks = std::move(clicks)](const std::string& url) {
        if (!standsForAny(url, clicks)) return true;
        DZLogText("Ad page tracker stopped: it led to the ad's own click or impression URL");
        return false;
    };
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
