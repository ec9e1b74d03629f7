#include "ads/core/slot/DZSDKCoreMessages.h"

#include "ads/core/DZAd.h"
#include "ads/core/DZValues.h"
#include "ads/core/slot/DZAdFormatRegistry.h"
#include "ads/foundation/DZNSURLUtilities.h"
#include "ads/foundation/DZRequestError.h"
#include "ads/foundation/DZStringAdditions.h"

namespace {

bool isHeaderText(const std::string& text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7f) return false;
    }
    return true;
}

const std::string* stringAt(const nlohmann::json& object, const char* key) {
    auto it = object.find(key);
    return it != object.end() && it->is_string() ? &it->get_ref<const std::string&>() : nullptr;
}

}  // namespace

namespace DZSDKCoreMessages {

std::shared_ptr<DZAd> adFromAnswer(const nlohmann::json& dictionary, int adType) {
    auto ad = DZAdFormatRegistry::shared().makeAdModel(adType, dictionary);
    if (!ad) return nullptr;
    auto mediation = dictionary.is_object() ? dictionary.find("is_mediation") : dictionary.end();
    if (mediation != dictionary.end() && dz_jsonBoolValue(*mediation)) {
        ad->setResponseType(kDZAdResponseTypeMediation);
        auto headers = ad->responseHeaders();
        headers["x-zazo-mediation"] = "1";
        headers["Content-Type"] = "application/json";
        ad->setResponseHeaders(std::move(headers));
    }
    return ad;
}

std::variant<FetchRequest, FetchRefusal> readFetchRequest(const std::optional<std::string>& text) {
    std::string error;
    auto request = text ? dz_decodedJSONObject(*text, &error) : std::nullopt;
    if (!request || !request->is_object())
        return FetchRefusal{error.empty() ? "The fetch request is no JSON object." : error, ""};
    const auto idValue = request->find("http_request_id");
    std::string requestID;
    if (idValue != request->end() && idValue->is_string()) {
        requestID = idValue->get_ref<const std::string&>();
    } else if (idValue != request->end() && idValue->is_number_integer()) {
        requestID = idValue->dump();
    }
    if (requestID.empty()) return FetchRefusal{"The fetch request has no http_request_id.", ""};

    const auto urlValue = request->find("url");
    std::string given;
    if (urlValue != request->end()) {
        given = urlValue->is_string()
                    ? urlValue->get_ref<const std::string&>()
                    : urlValue->dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    auto url = urlValue != request->end() && urlValue->is_string() ? dz_URLWithString(given) : std::nullopt;
    if (!url || !url->isWeb()) {
        auto invalid = DZRequestError::errorWithCodeCustomMessage(
            kDZErrorInternalError, "Invalid URL (" + given + ") requested for fetching");
        return FetchRefusal{invalid->localizedDescription(), requestID};
    }
    FetchRequest fetch{requestID, url->text(), {}, {}, {}};
    if (const std::string* body = stringAt(*request, "post_body")) fetch.body = *body;
    if (const std::string* type = stringAt(*request, "content_type"); type && isHeaderText(*type))
        fetch.contentType = *type;
    if (auto it = request->find("headers"); it != request->end() && it->is_array()) {
        for (const auto& pair : *it) {
            if (!pair.is_object()) continue;
            const std::string* key = stringAt(pair, "key");
            const std::string* value = stringAt(pair, "value");
            if (!key || !value || key->empty() || !isHeaderText(*key) || !isHeaderText(*value)) continue;
            fetch.headers[*key] = *value;
        }
    }
    return fetch;
}

}  // namespace DZSDKCoreMessages
