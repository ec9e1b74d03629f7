#pragma once
// The ad component's additions to dictionaries, which are JSON objects here.
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/foundation/Error.h"

// The kinds a checked lookup can ask for (numbers include booleans, as number objects do).
enum class DZValueKind { String, Number, Dictionary, Array };

// The value under key when it is of that kind; nothing otherwise (also when dict is no object).
const nlohmann::json* dz_objectForKeyIfIsKindOfClass(const nlohmann::json& dict, const std::string& key,
                                                     DZValueKind kind);

// The object as JSON text, indented when pretty; nothing, and the private-domain error 2
// "Invalid JSON object." in error when asked, for anything but an object that JSON can write
// (text that is not UTF-8, NaN and the infinities cannot be written).
std::optional<std::string> dz_JSONStringPretty(const nlohmann::json& dict, bool pretty,
                                               platform::ErrorRef* error = nullptr);

// A copy that JSON can write: texts that are not UTF-8 become their lossy UTF-8 form, NaN and
// the infinities the texts "nan", "inf" and "-inf"; nested objects and arrays get the same
// treatment. The dictionary itself comes back when nothing had to change.
nlohmann::json dz_JSONSafeDictionary(const nlohmann::json& dict);
