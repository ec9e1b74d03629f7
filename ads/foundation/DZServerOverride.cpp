#include "ads/foundation/DZServerOverride.h"

#include <cstdlib>
#include <mutex>
#include <utility>

#include "platform/foundation/Log.h"
#include "platform/url/Url.h"

std::optional<std::string> dz_adServerURLFromValue(const char* value) {
    if (!value || !*value) return std::nullopt;
    const auto url = platform::Url::parse(value);
    if (url && url->isWeb() && !url->host().empty()) return url->text();
    return std::nullopt;
}

std::optional<std::string> dz_adServerOverride() {
    // Read at each use, not once: a process may run the game more than once, each run against a
    // server of its own (a test's headless games). A value is parsed, and warned of, once.
    static std::mutex mutex;
    static bool parsed = false;
    static std::optional<std::string> seenValue;
    static std::optional<std::string> server;
    const char* value = std::getenv("TIKOLEAP_AD_SERVER");
    std::optional<std::string> current = value ? std::optional<std::string>(value) : std::nullopt;
    std::lock_guard lock(mutex);
    if (!std::exchange(parsed, true) || current != seenValue) {
        server = dz_adServerURLFromValue(current ? current->c_str() : nullptr);
        if (!server && current && !current->empty())
            platform::logMessage(__func__, 3,
                                 "TIKOLEAP_AD_SERVER is no http or https URL; the default server stays");
        seenValue = std::move(current);
    }
    return server;
}
