#include "ads/foundation/DZURLConnection.h"

#include <chrono>

#include "ads/foundation/DZHeaderParser.h"
#include "ads/foundation/DZNSURLUtilities.h"
#include "ads/foundation/DZRequestError.h"
#include "ads/foundation/DZStringAdditions.h"
#include "ads/foundation/DZURLErrors.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/Utf8Text.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/url/Url.h"

namespace {

std::optional<std::string> asText(const std::string& bytes) {
    if (!platform::isValidUtf8(bytes)) return std::nullopt;
    return bytes;
}

}  // namespace

std::shared_ptr<DZURLConnection> DZURLConnection::create() {
    return std::shared_ptr<DZURLConnection>(new DZURLConnection());
}

DZURLConnection::~DZURLConnection() {
    if (connection_) connection_->cancel();
}

DZResponseCache& DZURLConnection::memoryCache() {
    // Like the platform's memory cache, it gives its entries up when the system runs short.
    static DZResponseCache& cache = *[] {
        auto* made = new DZResponseCache(kMemoryCacheCountLimit);
        platform::ui::NotificationCenter::defaultCenter().addObserver(
            platform::ui::kApplicationDidReceiveMemoryWarningNotification,
            [made](const platform::ui::Notification&) { made->removeAllObjects(); });
        return made;
    }();
    return cache;
}

std::string DZURLConnection::cacheKeyForURL(const std::string& url) {
    std::string text = url;
    if (auto parsed = dz_URLWithString(url)) {
        if (auto slot = dz_parameterValueForKey(*parsed, "slotname"))
            text = parsed->host() + parsed->path() + *slot;
    }
    const auto digest = dz_MD5Data(text);
    return std::string(digest.begin(), digest.end());
}

void DZURLConnection::clearCache() {
    memoryCache().removeAllObjects();
}

std::filesystem::path DZURLConnection::defaultCachePath() {
    return platform::AppPaths::cachesDirectory() / "DiDaz";
}

std::shared_ptr<DZCachedURLResponse> DZURLConnection::cachedResponseForURL(const std::string& url) {
    const std::string key = cacheKeyForURL(url);
    auto entry = memoryCache().objectForKey(key);
    if (!entry) return nullptr;
    if (entry->expirationDate() > std::chrono::system_clock::now()) return entry;
    memoryCache().removeObjectForKey(key);
    return nullptr;
}

bool DZURLConnection::tryToStoreResponseAndData() {
    // Only successful answers are kept: an error page with cache headers must not stand in for
    // the next ad.
    if (!response_ || response_->status < 200 || response_->status > 299) return false;
    auto expiration = dz_expirationDate(*response_);
    if (!expiration || *expiration < std::chrono::system_clock::now()) return false;
    auto entry = DZCachedURLResponse::create(*response_, receivedData_.value_or(std::string()), expiration,
                                             destinationURL_);
    memoryCache().setObject(cacheKeyForURL(sourceURL_), std::move(entry));
    return true;
}

void DZURLConnection::deliverCachedResponse(const DZCachedURLResponse& entry) {
    auto d = delegate();
    if (!d) return;
    d->connectionLoadDidReceiveCachedResponse(*this, entry.response());
    d->connectionLoadDidFinish(*this, asText(entry.data()), entry.destinationURL().value_or(std::string()));
}

bool DZURLConnection::startWithRequestURL(const platform::HttpRequest& request,
                                          std::weak_ptr<DZURLConnectionDelegate> delegate,
                                          platform::ErrorRef* error) {
    if (inProgress_) {
        if (error) {
            *error = DZRequestError::errorWithCodeCustomMessage(
                kDZErrorNetworkError, "Ignoring -- Currently loading " + sourceURL_);
        }
        return false;
    }
    delegate_ = std::move(delegate);
    sourceURL_ = request.url;
    destinationURL_ = request.url;

    if (allowCache_) {
        if (auto entry = cachedResponseForURL(request.url)) {
            auto keep = shared_from_this();
            deliverCachedResponse(*entry);
            return true;
        }
    }

    std::weak_ptr<DZURLConnection> weak = weak_from_this();
    platform::HttpConnection::Callbacks callbacks;
    callbacks.willRedirect = [weak](const platform::HttpResponse& redirect, const std::string& url) {
        auto self = weak.lock();
        return self && self->willRedirect(redirect, url);
    };
    callbacks.didReceiveResponse = [weak](const platform::HttpResponse& response) {
        if (auto self = weak.lock()) self->didReceiveResponse(response);
    };
    callbacks.didFinish = [weak](std::string body) {
        if (auto self = weak.lock()) self->didFinish(std::move(body));
    };
    callbacks.didFail = [weak](const platform::HttpError& e) {
        if (auto self = weak.lock()) self->didFail(e);
    };
    auto connection = platform::HttpConnection::create(std::move(callbacks));
    if (auto refused = connection->start(request)) {
        // No load could be made: say so to both, and stay idle so the next start is accepted.
        platform::ErrorRef failure = dz_errorForHttpError(*refused);
        if (error) *error = failure;
        auto keep = shared_from_this();
        stop();
        if (auto d = this->delegate()) d->connectionLoadDidFail(*this, failure, -1);
        return false;
    }
    connection_ = std::move(connection);
    receivedData_ = std::string();
    inProgress_ = true;
    return true;
}

void DZURLConnection::stop() {
    if (connection_) connection_->cancel();
    connection_.reset();
    sourceURL_.clear();
    destinationURL_.clear();
    response_.reset();
    receivedData_.reset();
    inProgress_ = false;
}

void DZURLConnection::cancel() {
    delegate_.reset();
    stop();
}

bool DZURLConnection::willRedirect(const platform::HttpResponse& redirect, const std::string& url) {
    auto keep = shared_from_this();
    auto d = delegate();
    if (d) {
        if (platform::ErrorRef refused = d->connectionShouldRedirectToURL(*this, url)) {
            stop();
            d->connectionLoadDidFail(*this, refused, -1);
            return false;
        }
    }
    destinationURL_ = url;
    if (d) d->connectionLoadDidReceiveRedirectResponse(*this, redirect);
    return inProgress_;
}

void DZURLConnection::didReceiveResponse(const platform::HttpResponse& response) {
    auto keep = shared_from_this();
    response_ = response;
    receivedData_ = std::string();
    auto d = delegate();
    if (d && d->connectionLoadShouldUseCachedResponse(*this, response)) {
        allowCache_ = true;
        if (auto entry = cachedResponseForURL(sourceURL_)) {
            stop();
            deliverCachedResponse(*entry);
        }
    }
}

void DZURLConnection::didFinish(std::string body) {
    auto keep = shared_from_this();
    receivedData_ = std::move(body);
    if (allowCache_) tryToStoreResponseAndData();
    const std::optional<std::string> text = asText(*receivedData_);
    const std::string base = destinationURL_;
    stop();
    if (auto d = delegate()) d->connectionLoadDidFinish(*this, text, base);
}

void DZURLConnection::didFail(const platform::HttpError& error) {
    auto keep = shared_from_this();
    const std::int32_t status = response_ ? response_->status : -1;
    stop();
    if (auto d = delegate()) d->connectionLoadDidFail(*this, dz_errorForHttpError(error), status);
}
