#pragma once
// Numbers that the game's server sends as decimal text: the leading number of the text (after
// blanks), 0 when it does not start with one, held at the limits of the type when too large.
#include <cstdint>
#include <string>

double decimalDoubleValue(const std::string& text);
int decimalIntValue(const std::string& text);
int64_t decimalLongLongValue(const std::string& text);
