#pragma once
// How the native models read the server's values: a value of the wrong type counts as missing, and
// so does a text that may not reach the app.
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "ads/foundation/DZLogger.h"
#include "platform/foundation/Utf8Text.h"

// A text the app shows as it is: one that is no UTF-8, or holds a character that may break or
// disguise its line (a control, a line or paragraph separator, a mark that reorders what follows)
// is left out whole, as missing, and said so: a text with one of them cut out would still read as
// its sender arranged it.
inline std::optional<std::string> dz_nativeText(std::optional<std::string> text, const char* key) {
    if (!text || (platform::isValidUtf8(*text) && !platform::hasForbiddenCharacter(*text))) return text;
    DZLog("Native ad text \"%s\" left out: it holds a character that may break or disguise its line", key);
    return std::nullopt;
}

inline std::optional<std::string> dz_nativeString(const nlohmann::json& dictionary, const char* key) {
    if (!dictionary.is_object()) return std::nullopt;
    auto value = dictionary.find(key);
    if (value == dictionary.end() || !value->is_string()) return std::nullopt;
    return dz_nativeText(value->get<std::string>(), key);
}
