// Any bytes as a message of the SDK core page over the bridge (an amsg URL): an ad answer
// ("loadAd" and its "fetched_ad"), a fetch the page asks for ("fetchHttpRequest") or the server's
// constants ("loadSdkConstants"). Every value is read as a page value may be, of any type; what
// comes out must keep its promises. Nothing may crash, hang or leak.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <variant>

#include "ads/core/DZAd.h"
#include "ads/core/DZAdSize.h"
#include "ads/core/slot/DZSDKCoreConstants.h"
#include "ads/core/slot/DZSDKCoreMessages.h"
#include "ads/foundation/DZStringAdditions.h"
#include "ads/render/bridge/DZNotification.h"
#include "platform/foundation/Log.h"
#include "platform/url/Url.h"

namespace {

bool isHeaderText(const std::string& text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7f) return false;
    }
    return true;
}

void checkAnswer(const std::optional<std::string>& fetchedAd) {
    auto dictionary = fetchedAd ? dz_decodedJSONObject(*fetchedAd) : std::nullopt;
    if (!dictionary || !dictionary->is_object()) return;
    if (DZSDKCoreMessages::adFromAnswer(*dictionary, 3)) std::abort();
    for (int type = 0; type <= 2; ++type) {
        auto ad = DZSDKCoreMessages::adFromAnswer(*dictionary, type);
        if (!ad || ad->responseType() > 4) std::abort();
        const bool mediation = ad->responseHeaders().count("x-zazo-mediation") > 0;
        if (mediation != (ad->responseType() == kDZAdResponseTypeMediation)) std::abort();
    }
}

void checkFetch(const std::optional<std::string>& text) {
    const auto read = DZSDKCoreMessages::readFetchRequest(text);
    if (const auto* refusal = std::get_if<DZSDKCoreMessages::FetchRefusal>(&read)) {
        if (refusal->reason.empty()) std::abort();
        return;
    }
    const auto& fetch = std::get<DZSDKCoreMessages::FetchRequest>(read);
    const auto url = platform::Url::parse(fetch.url);
    if (fetch.requestID.empty() || !url || !url->isWeb()) std::abort();
    if (fetch.contentType && !isHeaderText(*fetch.contentType)) std::abort();
    for (const auto& [key, value] : fetch.headers) {
        if (key.empty() || !isHeaderText(key) || !isHeaderText(value)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::setLogSink([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string url(reinterpret_cast<const char*>(data), size);
    auto note = DZNotification::fromURL(url);
    if (!note) return 0;
    const std::string& name = note->name();
    if (name == "loadAd") {
        checkAnswer(note->parameter("fetched_ad"));
    } else if (name == "fetchHttpRequest") {
        checkFetch(note->parameter("http_request"));
    } else if (name == "loadSdkConstants") {
        (void)DZSDKCoreConstants::read(note->parameters());
    }
    return 0;
}
