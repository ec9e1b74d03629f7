#include "ads/render/bridge/DZNotification.h"

#include <glib.h>

#include <cstdio>

#include "ads/foundation/DZNSURLUtilities.h"
#include "platform/foundation/Utf8Text.h"

bool DZNotification::isNotificationURL(const std::string& url) {
    return url.size() >= 5 && g_ascii_strncasecmp(url.c_str(), "amsg:", 5) == 0;
}

std::shared_ptr<const DZNotification> DZNotification::fromURL(const std::string& text) {
    if (!isNotificationURL(text)) return nullptr;
    auto url = dz_URLWithString(text);
    if (!url || url->path().size() < 2 || url->path().front() != '/') return nullptr;
    const std::string encoded = url->path().substr(1);
    char* decoded = g_uri_unescape_string(encoded.c_str(), nullptr);
    if (!decoded) return nullptr;
    std::string name(decoded);
    g_free(decoded);
    // The name chooses a handler and may reach the page centre and the log: the one notion of a
    // character that may not pass decides, as for every other text of a page.
    if (name.size() > kMaxNameLength || !platform::isValidUtf8(name) || platform::hasForbiddenCharacter(name))
        return nullptr;
    return create(std::move(name), dz_dictionaryFromQueryParameters(*url, false));
}

std::shared_ptr<const DZNotification> DZNotification::create(std::string name, Parameters parameters) {
    if (name.empty()) return nullptr;
    return std::make_shared<const DZNotification>(std::move(name), std::move(parameters));
}

std::optional<std::string> DZNotification::parameter(const std::string& key) const {
    auto it = parameters_.find(key);
    if (it == parameters_.end()) return std::nullopt;
    return it->second;
}

std::string DZNotification::description() const {
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
    std::string text = "<DZNotification: " + std::string(address) + "> name:" + name_ + " parameters:{";
    bool first = true;
    for (const auto& [key, value] : parameters_) {
        text += (first ? "" : ", ") + key + " = " + value;
        first = false;
    }
    return text + "}";
}
