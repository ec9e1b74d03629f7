#pragma once
// How a mediation response's lists are read: only the strings of an array count, and a hostile
// server cannot make a list longer than its limit.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// The strings of the array under key, in order, up to limit of them; nothing when the key holds
// no array. `truncated` (when given) tells whether strings past the limit were left out.
std::optional<std::vector<std::string>> dz_mediationStringList(const nlohmann::json& dict,
                                                               const std::string& key, std::size_t limit,
                                                               bool* truncated = nullptr);

// JSON text of a value for log lines and descriptions; never throws (text that is no UTF-8 is
// replaced).
std::string dz_mediationDescription(const nlohmann::json& value);
