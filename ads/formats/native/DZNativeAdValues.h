#pragma once
// How the native models read the server's values: a value of the wrong type counts as missing, and
// so does a text that may not reach the app.
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "ads/foundation/DZLogger.h"
#include "platform/foundation/Utf8Text.h"

// Whether a text is shown on one line (a headline, a call to action, a price) or may run over
// several (a body, a template's text).
enum class DZNativeTextLines { kOne, kSeveral };

// A text the app shows as it is: one that is no UTF-8, or holds a character that disguises it or
// breaks its layout (platform::hasCharacterThatDisguisesShownText: an embedding, override or
// isolate, a control other than a tab, line feed or carriage return, a line break of any kind in a
// text of one line) is left out whole, as missing, and said so: a text with one of them cut out
// would still read as its sender arranged it.
inline std::optional<std::string> dz_nativeText(std::optional<std::string> text, const char* key,
                                                DZNativeTextLines lines = DZNativeTextLines::kOne) {
    if (!text || (platform::isValidUtf8(*text) &&
                  !platform::hasCharacterThatDisguisesShownText(*text, lines == DZNativeTextLines::kSeveral)))
        return text;
    DZLog("Native ad text \"%s\" left out: it holds a character that may break or disguise its %s", key,
          lines == DZNativeTextLines::kSeveral ? "lines" : "line");
    return std::nullopt;
}

inline std::optional<std::string> dz_nativeString(const nlohmann::json& dictionary, const char* key,
                                                  DZNativeTextLines lines = DZNativeTextLines::kOne) {
    if (!dictionary.is_object()) return std::nullopt;
    auto value = dictionary.find(key);
    if (value == dictionary.end() || !value->is_string()) return std::nullopt;
    return dz_nativeText(value->get<std::string>(), key, lines);
}
