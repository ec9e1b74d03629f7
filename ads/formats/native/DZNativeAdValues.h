#pragma once
// How the native models read the server's values: a value of the wrong type counts as missing.
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

inline std::optional<std::string> dz_nativeString(const nlohmann::json& dictionary, const char* key) {
    if (!dictionary.is_object()) return std::nullopt;
    auto value = dictionary.find(key);
    if (value == dictionary.end() || !value->is_string()) return std::nullopt;
    return value->get<std::string>();
}
