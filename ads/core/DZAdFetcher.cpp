#include "ads/core/DZAdFetcher.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>

#include "ads/core/DZAd.h"
#include "ads/core/DZAdCoreHooks.h"
#include "ads/core/DZAdResponseHeaders.h"
#include "ads/core/DZAdServer.h"
#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZCSI.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZNSURLRequestUtilities.h"
#include "ads/foundation/DZRequestError.h"
#include "ads/foundation/DZTiming.h"
#include "ads/foundation/DZURLErrors.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/url/Url.h"

namespace {

const char* const kUseHTTPSKey = "/rerive/ads/use_https";
const char* const kWhitelistedDomainsKey = "/rerive/ads/whitelisted_ad_request_domains";

}  // namespace

std::shared_ptr<DZAdFetcher> DZAdFetcher::create() {
    return std::shared_ptr<DZAdFetcher>(new DZAdFetcher());
}

DZAdFetcher::DZAdFetcher() : adConnection_(DZURLConnection::create()) {}

DZAdFetcher::~DZAdFetcher() {
    adConnection_->cancel();
}

namespace {
std::atomic<long long>& fetchCounter() {
    static std::atomic<long long> count{0};
    return count;
}
}  // namespace

long long DZAdFetcher::fetchesStarted() {
    return fetchCounter().load(std::memory_order_relaxed);
}

bool DZAdFetcher::fetchRequestURL(const std::optional<platform::HttpRequest>& request,
                                  std::weak_ptr<DZAdFetcherDelegate> delegate, platform::ErrorRef* error) {
    return fetchRequestURL(request, std::move(delegate), std::nullopt, std::make_shared<DZAd>(), error);
}

bool DZAdFetcher::fetchRemainingContentForAd(const std::shared_ptr<DZAd>& ad,
                                             const std::optional<Headers>& headers,
                                             std::weak_ptr<DZAdFetcherDelegate> delegate,
                                             platform::ErrorRef* error) {
    std::optional<platform::HttpRequest> request;
    if (ad && (!ad->adHTML() || ad->adHTML()->empty()) && ad->adURL())
        request =
            dz_requestForURL(ad->adURL(), std::nullopt, requestHeadersForURL(*ad->adURL()), std::nullopt);
    return fetchRequestURL(request, std::move(delegate), headers, ad, error);
}

bool DZAdFetcher::fetchRequestURL(const std::optional<platform::HttpRequest>& request,
                                  std::weak_ptr<DZAdFetcherDelegate> delegate,
                                  const std::optional<Headers>& responseHeaders, std::shared_ptr<DZAd> ad,
                                  platform::ErrorRef* error) {
    if (hasStartedFetch_) {
        if (error) {
            *error = DZRequestError::errorWithCodeCustomMessage(
                kDZErrorNetworkError, "Could not start fetch. This object has already been used to fetch.");
        }
        return false;
    }
    auto keep = shared_from_this();
    hasStartedFetch_ = true;
    char category[64];
    std::snprintf(category, sizeof category, "DZAdFetcher (%p)", static_cast<void*>(this));
    timer_ = DZTiming::initWithCategory(std::string(category));
    timer_->start();
    delegate_ = std::move(delegate);
    ad_ = ad ? std::move(ad) : std::make_shared<DZAd>();

    platform::ErrorRef startError;
    starting_ = true;
    if (request) {
        fetchCounter().fetch_add(1, std::memory_order_relaxed);
        if (!adConnection_->startWithRequestURL(*request, weak_from_this())) {
            startError = DZRequestError::errorWithCodeCustomMessage(kDZErrorNetworkError,
                                                                    "Failed to start ad connection.");
            adConnectionHasCompleted_ = true;
        } else if (!adConnectionHasCompleted_) {
            armDeadline(request->timeoutSeconds);
        }
    } else {
        adConnectionHasCompleted_ = true;
    }
    starting_ = false;
    if (ad_->responseType() == kDZAdResponseTypeInvalid) ad_->setResponseType(kDZAdResponseTypeHTML);
    if (responseHeaders) processHTTPHeaders(*responseHeaders);

    if (startError) {
        if (error) *error = startError;
        resourceFailedToLoadWithError(startError, 0);
        return false;
    }
    if (adConnectionHasCompleted_) {
        std::weak_ptr<DZAdFetcher> weak = weak_from_this();
        platform::DispatchQueue::main()->async([weak] {
            if (auto self = weak.lock()) self->completedURLConnection();
        });
    }
    return true;
}

void DZAdFetcher::armDeadline(double seconds) {
    // The request's time-out holds for each hop: a chain of slow redirects would take it many
    // times over, so the whole fetch gets it once.
    if (!(seconds > 0) || seconds > kDefaultFetchTimeoutSeconds) seconds = kDefaultFetchTimeoutSeconds;
    std::weak_ptr<DZAdFetcher> weak = weak_from_this();
    platform::DispatchQueue::main()->after(seconds, [weak, seconds] {
        auto self = weak.lock();
        if (!self || self->adConnectionHasCompleted_ || self->hasNotifiedDelegate_) return;
        self->adConnection_->stop();
        self->adConnectionHasCompleted_ = true;
        char message[96];
        std::snprintf(message, sizeof message, "the ad fetch did not end within %g s", seconds);
        self->failWithHTTPStatus(-1, dz_errorForHttpError({platform::HttpError::Code::TimedOut, message}));
    });
}

void DZAdFetcher::cancel() {
    delegate_.reset();
    adConnection_->cancel();
    adConnectionHasCompleted_ = true;
}

std::set<std::string> DZAdFetcher::whitelistedDomains() {
    static const std::set<std::string> domains = [] {
        std::set<std::string> hosts;
        if (auto list = platform::UserDefaults::standard()->arrayForKey(kWhitelistedDomainsKey)) {
            for (std::size_t i = 0; i < list->size(); ++i) {
                if (auto host = list->getString(i)) hosts.insert(*host);
            }
            return hosts;
        }
        hosts.insert(DZAdServerHost());
        return hosts;
    }();
    return domains;
}

std::optional<DZAdFetcher::Headers> DZAdFetcher::requestHeadersForURL(const std::string& text) {
    const auto url = platform::Url::parse(text);
    if (!url || url->scheme() != "https" || !whitelistedDomains().count(url->host())) return std::nullopt;
    if (!DZAdCoreHooks::signedInAdsToken) return std::nullopt;
    auto token = DZAdCoreHooks::signedInAdsToken();
    if (!token || token->empty()) return std::nullopt;
    signedInAdsToken_ = token;
    return Headers{{"Authorization", "Bearer " + *token}};
}

void DZAdFetcher::processHTTPHeaders(const Headers& headers) {
    if (!ad_) return;
    auto keep = shared_from_this();
    const DZAdHeaderEffects effects = DZAdResponseHeaders::apply(*ad_, headers, requestParameters_);

    auto defaults = platform::UserDefaults::standard();
    if (DZAdCoreHooks::setContentHashingEnabled)
        DZAdCoreHooks::setContentHashingEnabled(effects.contentHashingEnabled);
    if (effects.contentHashingEnabled) {
        defaults->setBool(kDZContentURLEnabledKey, true);
    } else {
        defaults->removeObjectForKey(kDZContentURLEnabledKey);
    }
    if (effects.useHTTPS) {
        defaults->setBool(kUseHTTPSKey, *effects.useHTTPS);
    } else if (!defaults->contains(kUseHTTPSKey)) {
        defaults->setBool(kUseHTTPSKey, false);
    }
    if (effects.clearSignedInToken && signedInAdsToken_) {
        if (DZAdCoreHooks::refreshSignedInAdsToken)
            DZAdCoreHooks::refreshSignedInAdsToken(*signedInAdsToken_);
        signedInAdsToken_.reset();
    }
    if (effects.zwsQueryID) DZCSI::sharedInstance()->setZWSQueryID(*effects.zwsQueryID);
    // An invalid type fails the fetch; the remaining headers were still applied above.
    if (effects.responseTypeError) resourceFailedToLoadWithError(effects.responseTypeError, 0);
}

platform::ErrorRef DZAdFetcher::connectionShouldRedirectToURL(DZURLConnection&, const std::string&) {
    return nullptr;  // every redirect is followed
}

void DZAdFetcher::connectionLoadDidReceiveRedirectResponse(DZURLConnection&,
                                                           const platform::HttpResponse& redirect) {
    processHTTPHeaders(redirect.headers.dictionary());
}

bool DZAdFetcher::connectionLoadShouldUseCachedResponse(DZURLConnection&,
                                                        const platform::HttpResponse& response) {
    auto keep = shared_from_this();
    lastStatus_ = response.status;
    processHTTPHeaders(response.headers.dictionary());
    return ad_ && ad_->responseType() == kDZAdResponseTypeMediation;
}

void DZAdFetcher::connectionLoadDidReceiveCachedResponse(DZURLConnection&,
                                                         const platform::HttpResponse& response) {
    lastStatus_ = response.status;
    processHTTPHeaders(response.headers.dictionary());
}

void DZAdFetcher::connectionLoadDidFinish(DZURLConnection&, const std::optional<std::string>& body,
                                          const std::string& baseURL) {
    auto keep = shared_from_this();
    adConnectionHasCompleted_ = true;
    // The connection finishes any HTTP answer: an error status is a failure, not an ad.
    if (lastStatus_ != 0 && (lastStatus_ < 200 || lastStatus_ > 299)) {
        failWithHTTPStatus(lastStatus_, nullptr);
        return;
    }
    if (!ad_) return;
    ad_->setAdHTML(body);
    ad_->setAdBaseURL(baseURL.empty() ? std::nullopt : std::optional<std::string>(baseURL));
    // An answer from the cache during the start is completed by the start, after it has set up.
    if (!starting_) completedURLConnection();
}

void DZAdFetcher::connectionLoadDidFail(DZURLConnection&, platform::ErrorRef error,
                                        std::int32_t httpStatusCode) {
    auto keep = shared_from_this();
    adConnectionHasCompleted_ = true;
    failWithHTTPStatus(httpStatusCode, std::move(error));
}

void DZAdFetcher::failWithHTTPStatus(std::int32_t status, platform::ErrorRef underlying) {
    if (ad_) {
        ad_->setAdHTML(std::nullopt);
        ad_->setAdBaseURL(std::nullopt);
    }
    platform::ErrorRef error;
    if (status == 400) {
        DZLogger::sharedInstance()->logPublicMessage(
            "Server rejected ad parameters. Typically this is because the ad unit ID is incorrect.");
        error = DZRequestError::errorWithCodeRequestHTTPStatusCode(kDZErrorInvalidRequest, requestParameters_,
                                                                   status);
    } else if (status == -1) {
        error = DZRequestError::errorWithCodeRequestHTTPStatusCodeCustomMessageUnderlyingError(
            kDZErrorReceivedInvalidResponse, nullptr, status, std::nullopt, std::move(underlying));
    } else if (status < 400) {
        error = DZRequestError::errorWithCodeRequestHTTPStatusCodeCustomMessageUnderlyingError(
            kDZErrorNetworkError, nullptr, status, std::nullopt, std::move(underlying));
    } else {
        error = DZRequestError::errorWithCodeRequestHTTPStatusCode(kDZErrorServerError, nullptr, status);
    }
    resourceFailedToLoadWithError(error, status);
}

void DZAdFetcher::completedURLConnection() {
    if (!adConnectionHasCompleted_ || hasNotifiedDelegate_) return;
    auto keep = shared_from_this();
    if (timer_) timer_->end();
    if (!ad_ || ad_->responseType() == kDZAdResponseTypeInvalid) {
        resourceFailedToLoadWithError(DZRequestError::errorWithCode(kDZErrorInternalError), 0);
        return;
    }
    if (!ad_->adHTML() || ad_->adHTML()->empty()) {
        resourceFailedToLoadWithError(DZRequestError::errorWithCode(kDZErrorNoFill), 0);
        return;
    }
    hasNotifiedDelegate_ = true;
    if (auto delegate = delegate_.lock()) delegate->adFetcherDidFetchAd(*this, ad_);
}

void DZAdFetcher::resourceFailedToLoadWithError(platform::ErrorRef error, long responseCode) {
    if (hasNotifiedDelegate_) return;
    hasNotifiedDelegate_ = true;
    auto keep = shared_from_this();
    if (auto delegate = delegate_.lock())
        delegate->adFetcherDidFailToFetchAd(*this, ad_, std::move(error), responseCode);
    cancel();
}
