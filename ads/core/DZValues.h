#pragma once
// How the ad server's header text and JSON values are read as booleans and numbers, the same way
// for every reader: text as a phone's string class reads it (leading white space skipped; "Y",
// "y", "T", "t" or a digit 1-9 after an optional sign and zeros is true; a number is its longest
// decimal prefix), JSON booleans and numbers as they are, anything else false or no number.
#include <cstdint>
#include <optional>
#include <string_view>

#include <nlohmann/json.hpp>

bool dz_boolValue(std::string_view text);
bool dz_jsonBoolValue(const nlohmann::json& value);

// The number the text begins with: nothing when it begins with none. "nan" and "inf" (any case,
// after a sign) are read as what they say, and a decimal beyond a double's range as infinite,
// so callers can refuse what is not finite.
std::optional<double> dz_numberValue(std::string_view text);
std::optional<double> dz_jsonNumberValue(const nlohmann::json& value);

// 0 where there is no number; beyond the range of a 64-bit integer, its limit.
double dz_doubleValue(std::string_view text);
int64_t dz_integerValue(std::string_view text);
int64_t dz_jsonIntegerValue(const nlohmann::json& value);
