#include "ads/core/DZAdURLList.h"

#include <algorithm>

#include "platform/foundation/Log.h"
#include "platform/url/Url.h"

void DZAdURLList::add(const std::vector<std::string>& urls) {
    std::size_t dropped = 0;
    for (const auto& text : urls) {
        const auto url = platform::Url::parse(text);
        if (!url || !url->isWeb() || url->host().empty()) continue;
        if (std::find(urls_.begin(), urls_.end(), url->text()) != urls_.end()) continue;
        if (urls_.size() >= kDZMaxURLsPerList) {
            ++dropped;
            continue;
        }
        urls_.push_back(url->text());
    }
    if (dropped > 0) {
        platform::logMessage(__func__, 3,
                             "kept " + std::to_string(kDZMaxURLsPerList) + " tracking URLs, dropped " +
                                 std::to_string(dropped));
    }
}
