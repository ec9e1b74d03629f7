#include "ads/core/slot/DZSDKCoreAMSGHandler.h"

#include "ads/core/DZAd.h"
#include "ads/core/slot/DZSDKCoreMessages.h"
#include "ads/core/slot/DZSDKCoreWebView.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZNSURLRequestUtilities.h"
#include "ads/foundation/DZStringAdditions.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/dispatch/MainThread.h"

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
    const DZAMSGArguments& arguments,
    std::function<void(DZSDKCoreAMSGHandlerDelegate&, DZSDKCoreAMSGHandler&)> call) {
    ASSERT_MAIN_THREAD();
    // What the answer holds is about the message's size, whichever of its values it keeps.
    std::size_t bytes = arguments.note->name().size();
    for (const auto& [key, value] : arguments.note->parameters()) bytes += key.size() + value.size();
    if (waitingAnswers_ >= kMaxWaitingAnswers || waitingBytes_ + bytes > kMaxWaitingAnswerBytes) {
        if (!floodLogged_)
            DZLog("SDK core page messages dropped: more than %d or %zu bytes wait", kMaxWaitingAnswers,
                  kMaxWaitingAnswerBytes);
        floodLogged_ = true;
        return;
    }
    ++waitingAnswers_;
    waitingBytes_ += bytes;
    platform::DispatchQueue::main()->async([self = shared_from_this(), call = std::move(call), bytes] {
        self->waitingBytes_ -= bytes;
        if (--self->waitingAnswers_ == 0) self->floodLogged_ = false;
        if (auto delegate = self->delegate_.lock()) call(*delegate, *self);
    });
}

void DZSDKCoreAMSGHandler::didReceiveLoadAdURLAction(const DZAMSGArguments& arguments) {
    auto parameters = arguments.note->parameters();
    const std::string requestID = arguments.note->parameter("request_id").value_or("");
    toDelegate(arguments, [requestID, parameters](DZSDKCoreAMSGHandlerDelegate& delegate,
                                                  DZSDKCoreAMSGHandler& handler) {
        delegate.SDKCoreAMSGHandlerLoadAdURL(handler, requestID, parameters);
    });
}

void DZSDKCoreAMSGHandler::didReceiveLoadAdAction(const DZAMSGArguments& arguments) {
    auto text = arguments.note->parameter("fetched_ad");
    auto ad = text ? dz_decodedJSONObject(*text) : std::nullopt;
    if (!ad || !ad->is_object()) return;  // an ad is an object or nothing
    const std::string requestID = arguments.note->parameter("request_id").value_or("");
    toDelegate(arguments, [requestID, ad = std::move(*ad)](DZSDKCoreAMSGHandlerDelegate& delegate,
                                                           DZSDKCoreAMSGHandler& handler) {
        delegate.SDKCoreAMSGHandlerLoadAd(handler, requestID, ad);
    });
}

void DZSDKCoreAMSGHandler::didReceiveInvalidAdRequestAction(const DZAMSGArguments& arguments) {
    auto parameters = arguments.note->parameters();
    const std::string requestID = arguments.note->parameter("request_id").value_or("");
    toDelegate(arguments, [requestID, parameters](DZSDKCoreAMSGHandlerDelegate& delegate,
                                                  DZSDKCoreAMSGHandler& handler) {
        delegate.SDKCoreAMSGHandlerDidReceiveInvalidAd(handler, requestID, parameters);
    });
}

void DZSDKCoreAMSGHandler::didReceiveLoadSDKConstantsAction(const DZAMSGArguments& arguments) {
    auto constants = arguments.note->parameters();
    toDelegate(arguments, [constants](DZSDKCoreAMSGHandlerDelegate& delegate, DZSDKCoreAMSGHandler& handler) {
        delegate.SDKCoreAMSGHandlerDidLoadSDKConstants(handler, constants);
    });
}

void DZSDKCoreAMSGHandler::didReceiveSDKCoreReloadRequest(const DZAMSGArguments& arguments) {
    toDelegate(arguments, [](DZSDKCoreAMSGHandlerDelegate& delegate, DZSDKCoreAMSGHandler& handler) {
        delegate.SDKCoreAMSGHandlerDidReceiveSDKCoreUpdateNotification(handler);
    });
}

bool DZSDKCoreAMSGHandler::isFetchInProgressForFetchRequestID(const std::string& requestID) const {
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
    ASSERT_MAIN_THREAD();
    auto read = DZSDKCoreMessages::readFetchRequest(arguments.note->parameter("http_request"));
    if (const auto* refusal = std::get_if<DZSDKCoreMessages::FetchRefusal>(&read)) {
        if (!refusal->requestID.empty() && isFetchInProgressForFetchRequestID(refusal->requestID)) return;
        return failFetch(refusal->reason, refusal->requestID);
    }
    auto& request = std::get<DZSDKCoreMessages::FetchRequest>(read);
    const std::string& requestID = request.requestID;
    if (isFetchInProgressForFetchRequestID(requestID)) return;
    if (adFetchers_.size() >= kMaxFetches) return failFetch("Too many fetches in flight.", requestID);
    auto fetcher = DZAdFetcher::create();
    adFetchers_.emplace(requestID, fetcher);
    platform::ErrorRef startError;
    if (!fetcher->fetchRequestURL(
            dz_requestForURL(request.url, request.body, request.headers, request.contentType),
            weak_from_this(), &startError)) {
        adFetchers_.erase(requestID);
        failFetch(startError ? startError->localizedDescription() : "", requestID);
    }
}

std::optional<std::string> DZSDKCoreAMSGHandler::takeFetcher(const DZAdFetcher& fetcher) {
    ASSERT_MAIN_THREAD();
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
