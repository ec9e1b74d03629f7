// Any bytes as what the ad server answers: header lines ("name: value"), then, after the first
// empty line, an ad dictionary's JSON text. The headers fill one ad, the dictionary makes another.
// Nothing may crash, hang or leak, and every bound the model promises must hold.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "ads/core/DZAd.h"
#include "ads/core/DZAdResponseHeaders.h"
#include "ads/core/DZBannerAd.h"
#include "ads/foundation/DZStringAdditions.h"
#include "platform/foundation/Log.h"

namespace {

void check(const DZAd& ad) {
    for (const DZAdURLList* list : {&ad.clickURLs(), &ad.impressionURLs(), &ad.manualImpressionURLs()}) {
        if (list->size() > kDZMaxURLsPerList) std::abort();
    }
    const double interval = ad.reloadInterval();
    if (!std::isfinite(interval) || interval < 0 || interval > kDZMaxReloadInterval) std::abort();
    if (ad.zadavaDuruConfigurations() && !ad.zadavaDuruConfigurations()->is_object()) std::abort();
    // Schemes compare without case: "HTTPS://" is a web base as much as "https://".
    if (ad.adBaseURL()) {
        const std::string& base = *ad.adBaseURL();
        std::string scheme = base.substr(0, std::min(base.find(':'), base.size()));
        for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (scheme != "http" && scheme != "https") std::abort();
    }
    // What the probe prints: every value must be writable.
    (void)ad.dictionaryRepresentation().dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::setLogSink([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto split = input.find("\n\n");
    const std::string_view headerText = input.substr(0, split);
    std::map<std::string, std::string> headers;
    std::size_t start = 0;
    while (start < headerText.size()) {
        auto end = headerText.find('\n', start);
        if (end == std::string_view::npos) end = headerText.size();
        const std::string_view line = headerText.substr(start, end - start);
        if (const auto colon = line.find(':'); colon != std::string_view::npos) {
            std::string_view value = line.substr(colon + 1);
            while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
            headers[std::string(line.substr(0, colon))] = std::string(value);
        }
        start = end + 1;
    }
    DZAd fromHeaders;
    DZAdResponseHeaders::apply(fromHeaders, headers, nullptr);
    DZAdResponseHeaders::apply(fromHeaders, headers, nullptr);  // a second answer merges
    check(fromHeaders);

    if (split != std::string_view::npos) {
        if (auto dictionary = dz_decodedJSONObject(input.substr(split + 2))) {
            DZBannerAd fromDictionary(*dictionary);
            check(fromDictionary);
        }
    }
    return 0;
}
