#include "ads/core/DZSDKCoreAMSGHandler.h"

#include "ads/core/DZAd.h"
#include "ads/core/DZSDKCoreWebView.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZNSURLRequestUtilities.h"
#include "ads/foundation/DZNSURLUtilities.h"
#include "ads/foundation/DZRequestError.h"
#include "ads/foundation/DZStringAdditions.h"
#include "platform/dispatch/DispatchQueue.h"

namespace {

template <void (DZSDKCoreAMSGHandler::*method)(const DZAMSGArguments&)>
DZAMSGHandler::Action action() {
    return [](DZAMSGHandler& handler, const DZAMSGArguments& arguments) {
        (static_cast<DZSDKCoreAMSGHandler&>(handler).*method)(arguments);
    };
}

std::string compactJSON(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool isHeaderText(const std::string& text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7f) return false;
    }
    return true;
}

}  // namespace

const DZAMSGHandler::ActionTable& DZSDKCoreAMSGHandler::actionBlockDictionary() const {
    static const ActionTable table{
        {"loadAdURL", action<&DZSDKCoreAMSGHandler::didReceiveLoadAdURLAction>()},
        {"loadAd", action<&DZSDKCoreAMSGHandler::didReceiveLoadAdAction>()},
        {"invalidRequest", action<&DZSDKCoreAMSGHandler::didReceiveInvalidAdRequestAction>()},
        {"loadSdkConstants", action<&DZSDKCoreAMSGHandler::didReceiveLoadSDKConstantsAction>()},
        {"fetchHttpRequest", action<&DZSDKCoreAMSGHandler::didReceiveFetchAdAction>()},
        {"requestReload", action<&DZSDKCoreAMSGHandler::didReceiveSDKCoreReloadRequest>()},
    };
    return table;
}

void DZSDKCoreAMSGHandler::toDelegate(
    std::function<void(DZSDKCoreAMSGHandlerDelegate&, DZSDKCoreAMSGHandler&)> call) {
    if (waitingAnswers_ >= kMaxWaitingAnswers) {
        if (!floodLogged_) DZLog("SDK core page messages dropped: more than %d wait", kMaxWaitingAnswers);
        floodLogged_ = true;
        return;
    }
    ++waitingAnswers_;
    platform::DispatchQueue::main()->async([self = shared_from_this(), call = std::move(call)] {
        if (--self->waitingAnswers_ == 0) self->floodLogged_ = false;
        if (auto delegate = self->delegate_.lock()) call(*delegate, *self);
    });
}

void DZSDKCoreAMSGHandler::didReceiveLoadAdURLAction(const DZAMSGArguments& arguments) {
    auto parameters = arguments.note->parameters();
    const std::string requestID = arguments.note->parameter("request_id").value_or("");
    toDelegate(
        [requestID, parameters](DZSDKCoreAMSGHandlerDelegate& delegate, DZSDKCoreAMSGHandler& handler) {
            delegate.SDKCoreAMSGHandlerLoadAdURL(handler, requestID, parameters);
        });
}

void DZSDKCoreAMSGHandler::didReceiveLoadAdAction(const DZAMSGArguments& arguments) {
    auto text = arguments.note->parameter("fetched_ad");
    auto ad = text ? dz_decodedJSONObject(*text) : std::nullopt;
    if (!ad || !ad->is_object()) return;  // an ad is an object or nothing
    const std::string requestID = arguments.note->parameter("request_id").value_or("");
    toDelegate([requestID, ad = std::move(*ad)](DZSDKCoreAMSGHandlerDelegate& delegate,
                                                DZSDKCoreAMSGHandler& handler) {
        delegate.SDKCoreAMSGHandlerLoadAd(handler, requestID, ad);
    });
}

void DZSDKCoreAMSGHandler::didReceiveInvalidAdRequestAction(const DZAMSGArguments& arguments) {
    auto parameters = arguments.note->parameters();
    const std::string requestID = arguments.note->parameter("request_id").value_or("");
    toDelegate(
        [requestID, parameters](DZSDKCoreAMSGHandlerDelegate& delegate, DZSDKCoreAMSGHandler& handler) {
            delegate.SDKCoreAMSGHandlerDidReceiveInvalidAd(handler, requestID, parameters);
        });
}

void DZSDKCoreAMSGHandler::didReceiveLoadSDKConstantsAction(const DZAMSGArguments& arguments) {
    auto constants = arguments.note->parameters();
    toDelegate([constants](DZSDKCoreAMSGHandlerDelegate& delegate, DZSDKCoreAMSGHandler& handler) {
        delegate.SDKCoreAMSGHandlerDidLoadSDKConstants(handler, constants);
    });
}

void DZSDKCoreAMSGHandler::didReceiveSDKCoreReloadRequest(const DZAMSGArguments& arguments) {
    toDelegate([](DZSDKCoreAMSGHandlerDelegate& delegate, DZSDKCoreAMSGHandler& handler) {
        delegate.SDKCoreAMSGHandlerDidReceiveSDKCoreUpdateNotification(handler);
    });
}

bool DZSDKCoreAMSGHandler::isFetchInProgressForFetchRequestID(const std::string& requestID) const {
    std::lock_guard lock(mutex_);
    return adFetchers_.count(requestID) > 0;
}

std::string DZSDKCoreAMSGHandler::fetchReplyCommand(bool success, const std::string& reason,
                                                    long responseCode, const std::string& body,
                                                    const std::string& requestID,
                                                    const std::map<std::string, std::string>& headers) {
    auto headerList = nlohmann::json::array();
    for (const auto& [key, value] : headers) headerList.push_back({{"key", key}, {"value", value}});
    nlohmann::json reply{{"success", success ? "true" : "false"},
                         {"response",
                          {{"response_code", responseCode},
                           {"body", body},
                           {"http_request_id", requestID},
                           {"headers", headerList}}}};
    if (!success) reply["reason"] = reason;
    return "ZAZO_ReceiveMessage('fetchHttpRequestCompleted', " + compactJSON(reply) + ")";
}

void DZSDKCoreAMSGHandler::reply(const std::string& command) {
    if (auto webView = webView_.lock()) webView->enqueueJavaScriptCommand(command);
}

void DZSDKCoreAMSGHandler::failFetch(const std::string& reason, const std::string& requestID) {
    reply(fetchReplyCommand(false, reason, 0, "", requestID, {}));
}

void DZSDKCoreAMSGHandler::didReceiveFetchAdAction(const DZAMSGArguments& arguments) {
    std::string error;
    auto text = arguments.note->parameter("http_request");
    auto request = text ? dz_decodedJSONObject(*text, &error) : std::nullopt;
    if (!request || !request->is_object()) {
        return failFetch(error.empty() ? "The fetch request is no JSON object." : error, "");
    }
    const auto idValue = request->find("http_request_id");
    if (idValue == request->end() || !(idValue->is_string() || idValue->is_number_integer()) ||
        (idValue->is_string() && idValue->get_ref<const std::string&>().empty())) {
        return failFetch("The fetch request has no http_request_id.", "");
    }
    const std::string requestID = idValue->is_string() ? idValue->get<std::string>() : idValue->dump();
    if (isFetchInProgressForFetchRequestID(requestID)) return;

    const auto urlValue = request->find("url");
    std::string given;
    if (urlValue != request->end())
        given = urlValue->is_string() ? urlValue->get<std::string>() : urlValue->dump();
    auto url = urlValue != request->end() && urlValue->is_string() ? dz_URLWithString(given) : std::nullopt;
    if (!url || !url->isWeb()) {
        auto invalid = DZRequestError::errorWithCodeCustomMessage(
            11, "Invalid URL (" + given + ") requested for fetching");
        return failFetch(invalid->localizedDescription(), requestID);
    }
    {
        std::lock_guard lock(mutex_);
        if (adFetchers_.size() >= kMaxFetches) {
            return failFetch("Too many fetches in flight.", requestID);
        }
    }
    std::optional<std::string> body;
    std::optional<std::string> type;
    if (auto it = request->find("post_body"); it != request->end() && it->is_string())
        body = it->get<std::string>();
    if (auto it = request->find("content_type"); it != request->end() && it->is_string())
        type = it->get<std::string>();
    std::map<std::string, std::string> headers;
    if (auto it = request->find("headers"); it != request->end() && it->is_array()) {
        for (const auto& pair : *it) {
            if (!pair.is_object()) continue;
            auto key = pair.find("key");
            auto value = pair.find("value");
            if (key == pair.end() || value == pair.end() || !key->is_string() || !value->is_string())
                continue;
            if (key->get_ref<const std::string&>().empty() || !isHeaderText(*key) || !isHeaderText(*value))
                continue;
            headers[key->get<std::string>()] = value->get<std::string>();
        }
    }
    if (type && !isHeaderText(*type)) type.reset();

    auto fetcher = DZAdFetcher::create();
    {
        std::lock_guard lock(mutex_);
        adFetchers_.emplace(requestID, fetcher);
    }
    platform::ErrorRef startError;
    if (!fetcher->fetchRequestURL(dz_requestForURL(url->text(), body, headers, type), weak_from_this(),
                                  &startError)) {
        {
            std::lock_guard lock(mutex_);
            adFetchers_.erase(requestID);
        }
        failFetch(startError ? startError->localizedDescription() : "", requestID);
    }
}

std::optional<std::string> DZSDKCoreAMSGHandler::takeFetcher(const DZAdFetcher& fetcher) {
    std::lock_guard lock(mutex_);
    for (auto it = adFetchers_.begin(); it != adFetchers_.end(); ++it) {
        if (it->second.get() == &fetcher) {
            std::string requestID = it->first;
            adFetchers_.erase(it);
            return requestID;
        }
    }
    return std::nullopt;
}

void DZSDKCoreAMSGHandler::adFetcherDidFetchAd(DZAdFetcher& fetcher, const std::shared_ptr<DZAd>& ad) {
    auto self = shared_from_this();
    auto held = fetcher.shared_from_this();
    auto requestID = takeFetcher(fetcher);
    if (!requestID) return;
    // The page hears 200 for every fetched ad, whatever the server's status was.
    reply(fetchReplyCommand(true, "", 200, ad && ad->adHTML() ? *ad->adHTML() : "", *requestID,
                            ad ? ad->responseHeaders() : std::map<std::string, std::string>{}));
}

void DZSDKCoreAMSGHandler::adFetcherDidFailToFetchAd(DZAdFetcher& fetcher, const std::shared_ptr<DZAd>& ad,
                                                     platform::ErrorRef error, long responseCode) {
    auto self = shared_from_this();
    auto held = fetcher.shared_from_this();
    auto requestID = takeFetcher(fetcher);
    if (!requestID) return;
    reply(fetchReplyCommand(false, error ? error->localizedDescription() : "", responseCode, "", *requestID,
                            ad ? ad->responseHeaders() : std::map<std::string, std::string>{}));
}
