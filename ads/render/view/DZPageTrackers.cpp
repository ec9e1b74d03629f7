#include "ads/render/view/DZPageTrackers.h"

#include <algorithm>
#include <cctype>
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

namespace {

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The port a URL reaches, written or not.
std::string portOf(const platform::Url& url) {
    if (url.hasPort()) return url.port();
    return url.scheme() == "https" ? "443" : "80";
}

// The query's parameters, decoded where they decode, as a form is: a "+" is a space.
std::multiset<std::string> parametersOf(const platform::Url& url) {
    std::multiset<std::string> parameters;
    std::string_view query = url.query();
    while (!query.empty()) {
        const auto end = query.find('&');
        std::string pair(query.substr(0, end));
        if (!pair.empty()) {
            std::replace(pair.begin(), pair.end(), '+', ' ');
            auto decoded = dz_stringByRemovingPercentEncoding(pair);
            parameters.insert(decoded ? std::move(*decoded) : std::move(pair));
        }
        if (end == std::string_view::npos) break;
        query.remove_prefix(end + 1);
    }
    return parameters;
}

// The host as the resolver reaches it: a final dot names the same host.
std::string hostOf(const platform::Url& url) {
    std::string host = lowered(url.host());
    if (host.size() > 1 && host.back() == '.') host.pop_back();
    return host;
}

// The path as a server commonly takes it: none is "/", and a run of slashes is one.
std::string pathOf(const platform::Url& url) {
    std::string path;
    for (const char c : url.path()) {
        if (c != '/' || path.empty() || path.back() != '/') path.push_back(c);
    }
    return path.empty() ? "/" : path;
}

bool standsFor(const platform::Url& url, const platform::Url& click) {
    if (hostOf(url) != hostOf(click) || portOf(url) != portOf(click) || pathOf(url) != pathOf(click))
        return false;
    const auto have = parametersOf(url);
    const auto needed = parametersOf(click);
    return std::includes(have.begin(), have.end(), needed.begin(), needed.end());
}

std::vector<platform::Url> clicksOf(const std::shared_ptr<DZAdHost>& host) {
    std::vector<platform::Url> clicks;
    if (const auto ad = host ? host->ad() : nullptr) {
        for (const auto& text : ad->clickURLs().urls())
            if (auto click = dz_URLWithString(text)) clicks.push_back(std::move(*click));
    }
    return clicks;
}

bool standsForAny(const platform::Url& url, const std::vector<platform::Url>& clicks) {
    return std::any_of(clicks.begin(), clicks.end(),
                       [&](const platform::Url& click) { return standsFor(url, click); });
}

}  // namespace

bool DZPageTrackers::isOwnClick(const std::string& url, const std::shared_ptr<DZAdHost>& host) {
    const auto parsed = dz_URLWithString(url);
    return parsed && standsForAny(*parsed, clicksOf(host));
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
        if (standsForAny(*url, clicks)) {
            ++ownClicks;
        } else if (std::find(kept.begin(), kept.end(), url->text()) == kept.end()) {
            kept.push_back(url->text());
        }
    }
    if (ownClicks > 0) DZLog("Ad page trackers refused: %zu named the ad's own click URL", ownClicks);
    return kept;
}

void DZPageTrackers::ping(const std::vector<std::string>& candidates, const std::shared_ptr<DZAdView>& adView,
                          const std::shared_ptr<DZAdHost>& host) {
    const DZPingAsker page = adView ? adView->pingAsker() : DZPingAsker();
    for (const auto& tracker : select(candidates, host))
        DZClickTrackerCollection::sharedInstance()->trackURL(tracker, page, false);
}
