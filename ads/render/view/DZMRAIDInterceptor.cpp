#include "ads/render/view/DZMRAIDInterceptor.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "ads/core/DZAdServer.h"
#include "ads/foundation/DZAdURLStash.h"
#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZRunOnMainThread.h"
#include "ads/render/host/DZAdHost.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZBannerAdViewDelegate.h"
#include "platform/dispatch/MainThread.h"
#include "platform/http/HttpConnection.h"
#include "platform/url/Url.h"

using platform::web::ScriptReply;
using platform::web::ScriptRequest;
using ScriptState = DZMRAIDInterceptor::ScriptState;
using Clock = std::chrono::steady_clock;

namespace {

// A fetch that has not ended by then was lost (its answer had no main loop to come back to) and
// is started afresh when next wanted.
constexpr auto kStaleFetch =
    std::chrono::seconds(static_cast<int>(DZMRAIDInterceptor::kFetchTimeoutSeconds) + 10);
// Pages waiting for one script; more than this are not a real page's requests.
constexpr std::size_t kMaxWaiting = 64;

struct Script {
    ScriptState state = ScriptState::Absent;
    std::string body;
    std::vector<ScriptReply> waiting;
    std::uint64_t fetch = 0;  // which fetch may fill it
    Clock::time_point started;
};

struct Shared {
    bool allowed = true;
    int count = 0;
    std::string banner = DZMRAIDInterceptor::defaultImplementationPath(DZMRAIDInterceptor::kBannerScriptPath);
    std::string interstitial =
        DZMRAIDInterceptor::defaultImplementationPath(DZMRAIDInterceptor::kInterstitialScriptPath);
    std::string expandedBanner =
        DZMRAIDInterceptor::defaultImplementationPath(DZMRAIDInterceptor::kExpandedBannerScriptPath);
    std::map<std::string, Script> scripts;
    std::uint64_t fetches = 0;
    // A server that is down fails every script alike: one line says so, until a script is fetched.
    bool failureLogged = false;

    bool isCurrent(const std::string& url) const {
        return url == banner || url == interstitial || url == expandedBanner;
    }
};

// Never destroyed: a fetch may end while the process exits.
Shared& shared() {
    static auto* s = new Shared();
    return *s;
}

// Replies are answered once the state is settled: an answer runs the engine's code, which may call back.
void answerAll(std::vector<ScriptReply>& replies, const std::optional<std::string>& body) {
    for (auto& reply : replies) body ? reply.answer(*body) : reply.fail();
}

void finishFetch(const std::string& url, std::uint64_t fetch, std::optional<std::string> body,
                 const std::string& why) {
    ASSERT_MAIN_THREAD();
    auto& s = shared();
    auto it = s.scripts.find(url);
    if (it == s.scripts.end() || it->second.fetch != fetch) return;
    std::vector<ScriptReply> waiting;
    waiting.swap(it->second.waiting);
    it->second.state = body ? ScriptState::Ready : ScriptState::Failed;
    it->second.body = body.value_or("");
    if (!s.isCurrent(url)) s.scripts.erase(it);
    if (body) {
        s.failureLogged = false;
    } else if (!why.empty() && !std::exchange(s.failureLogged, true)) {
        DZLog(
            "MRAID script %s could not be fetched: %s (scripts failing alike are not logged until one "
            "is fetched)",
            url.c_str(), why.c_str());
    }
    answerAll(waiting, body);
}

// Starts fetching the script unless it is in memory or on its way.
void fetch(const std::string& url) {
    ASSERT_MAIN_THREAD();
    auto& s = shared();
    auto& script = s.scripts[url];
    const auto now = Clock::now();
    if (script.state == ScriptState::Ready) return;
    if (script.state == ScriptState::Fetching && now - script.started < kStaleFetch) return;
    script.state = ScriptState::Fetching;
    script.started = now;
    const std::uint64_t ticket = script.fetch = ++s.fetches;
    const auto parsed = platform::Url::parse(url);
    const std::string host = parsed ? parsed->host() : "";
    // Such a host resolves nowhere by definition (the default without a server): no lookup needs
    // to leave the machine, and there is nothing to report.
    if (host.size() >= 8 && host.compare(host.size() - 8, 8, ".invalid") == 0)
        return finishFetch(url, ticket, std::nullopt, "");
    platform::HttpRequest request;
    request.url = url;
    request.userAgent = DZDevice::sharedInstance()->userAgentString();
    request.timeoutSeconds = DZMRAIDInterceptor::kFetchTimeoutSeconds;
    request.maxBodyBytes = DZMRAIDInterceptor::kMaxScriptBytes;
    platform::HttpConnection::send(
        std::move(request), [url, ticket](const platform::HttpConnection::Outcome& o) {
            if (o.succeeded()) return finishFetch(url, ticket, o.body, "");
            finishFetch(
                url, ticket, std::nullopt,
                o.error ? o.error->message : "status " + std::to_string(o.response ? o.response->status : 0));
        });
}

void fetchCurrent() {
    DZRunOnMainThread([] {
        const auto& s = shared();
        if (!s.allowed) return;
        const std::vector<std::string> urls = {s.banner, s.interstitial, s.expandedBanner};
        for (const auto& url : urls) fetch(url);
    });
}

void setPath(std::string Shared::*which, const std::optional<std::string>& value, const char* defaultPath) {
    ASSERT_MAIN_THREAD();
    std::string url = DZMRAIDInterceptor::defaultImplementationPath(defaultPath);
    if (value) {
        const auto parsed = platform::Url::parse(*value);
        if (parsed && parsed->isWeb() && !parsed->host().empty()) {
            url = parsed->text();
        } else {
            DZLog("MRAID script address \"%s\" is no http(s) URL; the default stays", value->c_str());
        }
    }
    auto& s = shared();
    if (s.*which == url) return;
    const std::string previous = std::exchange(s.*which, url);
    // A script no page can be given any more: unless a page still waits for it.
    if (auto it = s.scripts.find(previous);
        it != s.scripts.end() && !s.isCurrent(previous) && it->second.waiting.empty())
        s.scripts.erase(it);
    fetchCurrent();
}

std::string getPath(std::string Shared::*which) {
    return shared().*which;
}

// Lets the app's early start-up allow interception, without the foundation knowing this layer.
[[maybe_unused]] const bool registered = [] {
    DZApplication::setEarlyActivityHook(&DZEarlyActivityHooks::allowMRAIDInterceptor,
                                        [] { DZMRAIDInterceptor::allow(); });
    return true;
}();

}  // namespace

void DZMRAIDInterceptor::allow() {
    ASSERT_MAIN_THREAD();
    shared().allowed = true;
    fetchCurrent();
}

void DZMRAIDInterceptor::disallow() {
    ASSERT_MAIN_THREAD();
    shared().allowed = false;
}

bool DZMRAIDInterceptor::isAllowed() {
    return shared().allowed;
}

void DZMRAIDInterceptor::enableCanInitWithRequest() {
    ASSERT_MAIN_THREAD();
    ++shared().count;
}

void DZMRAIDInterceptor::disableCanInitWithRequest() {
    ASSERT_MAIN_THREAD();
    if (shared().count > 0) --shared().count;
}

void DZMRAIDInterceptor::resetCanInitWithRequestCounter() {
    ASSERT_MAIN_THREAD();
    shared().count = 0;
}

int DZMRAIDInterceptor::canInitWithRequestCounter() {
    return shared().count;
}

bool DZMRAIDInterceptor::canInitWithRequestIsEnabled() {
    if (!shared().allowed || shared().count == 0) return false;
    return DZAdURLStash::hasStashedURLs();
}

void DZMRAIDInterceptor::setBannerImplementationPath(const std::optional<std::string>& url) {
    setPath(&Shared::banner, url, kBannerScriptPath);
}

void DZMRAIDInterceptor::setInterstitialImplementationPath(const std::optional<std::string>& url) {
    setPath(&Shared::interstitial, url, kInterstitialScriptPath);
}

void DZMRAIDInterceptor::setExpandedBannerImplementationPath(const std::optional<std::string>& url) {
    setPath(&Shared::expandedBanner, url, kExpandedBannerScriptPath);
}

std::string DZMRAIDInterceptor::bannerImplementationPath() {
    return getPath(&Shared::banner);
}

std::string DZMRAIDInterceptor::interstitialImplementationPath() {
    return getPath(&Shared::interstitial);
}

std::string DZMRAIDInterceptor::expandedBannerImplementationPath() {
    return getPath(&Shared::expandedBanner);
}

void DZMRAIDInterceptor::resetToDefaultPaths() {
    setBannerImplementationPath(std::nullopt);
    setInterstitialImplementationPath(std::nullopt);
    setExpandedBannerImplementationPath(std::nullopt);
}

std::string DZMRAIDInterceptor::defaultImplementationPath(const char* path) {
    return DZAdServerURL(path);
}

bool DZMRAIDInterceptor::urlIsAnImplementationPath(const std::string& url) {
    return shared().isCurrent(url);
}

bool DZMRAIDInterceptor::shouldRedirectForMRAID(const std::string& url) {
    const auto parsed = platform::Url::parse(url);
    if (!parsed || urlIsAnImplementationPath(url)) return false;
    const std::string& path = parsed->path();
    const auto slash = path.rfind('/');
    return path.substr(slash == std::string::npos ? 0 : slash + 1) == kScriptName;
}

std::optional<std::string> DZMRAIDInterceptor::implementationPathForReferer(const std::string& referer) {
    if (referer.empty()) return std::nullopt;
    const auto url = platform::Url::parse(referer);
    if (!url) return std::nullopt;
    const auto adView = std::dynamic_pointer_cast<DZAdView>(DZAdURLStash::viewForURL(*url));
    if (!adView) return std::nullopt;
    const auto delegate = adView->delegate();
    if (const auto* hostDelegate = dynamic_cast<const DZBannerAdViewDelegate*>(delegate.get())) {
        const auto host = hostDelegate->host();
        return host && host->adType().isInterstitial() ? interstitialImplementationPath()
                                                       : bannerImplementationPath();
    }
    return expandedBannerImplementationPath();
}

void DZMRAIDInterceptor::respond(const ScriptRequest& request, ScriptReply reply) {
    ASSERT_MAIN_THREAD();
    if (!canInitWithRequestIsEnabled() || !shouldRedirectForMRAID(request.url)) return reply.decline();
    const auto url = implementationPathForReferer(request.referer);
    if (!url) return reply.decline();
    auto& script = shared().scripts[*url];
    // Copied: the answer runs the engine's code, whose path change may drop the entry.
    if (script.state == ScriptState::Ready) return reply.answer(std::string(script.body));
    if (script.waiting.size() >= kMaxWaiting) return reply.fail();
    script.waiting.push_back(std::move(reply));
    // Absent, on its way, or failed last time: fetched (again) now, and the page waits for it.
    fetch(*url);
}

ScriptState DZMRAIDInterceptor::scriptState(const std::string& url) {
    const auto it = shared().scripts.find(url);
    return it == shared().scripts.end() ? ScriptState::Absent : it->second.state;
}

void DZMRAIDInterceptor::forgetScripts() {
    ASSERT_MAIN_THREAD();
    std::map<std::string, Script> gone;
    gone.swap(shared().scripts);
    for (auto& [url, script] : gone) answerAll(script.waiting, std::nullopt);
}
