#pragma once
// The ad component's additions to text: URL-parameter escaping, "@" templates, trailing
// slashes, MD5 digests and JSON decoding. Texts are UTF-8.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

// Percent-escapes (upper-case hex) every byte except letters, digits and "-._~", so that
// "!*'();:@&=+$,/?%#[]" and everything a URL may not hold are escaped.
std::string dz_stringByEscapingAsURLParameter(std::string_view text);
// Undoes percent-escapes; nothing when a "%" is not followed by two hex digits or the result is
// not UTF-8.
std::optional<std::string> dz_stringByRemovingPercentEncoding(std::string_view text);

// Whether the text holds a character that may break or disguise a line (platform::
// isForbiddenCharacter: controls, line and paragraph separators, the controls that reorder
// text): a text from a server that goes into a header or before the player must not break a
// line, whichever line breaks the reader knows, nor show the player text in another order.
bool dz_hasControlCharacter(std::string_view text);

// The longest start of the text within maxBytes that does not end in part of a UTF-8 sequence.
std::string_view dz_prefixWithinBytes(std::string_view text, std::size_t maxBytes);

// Every "@" doubled: the text stands literally in an "@" template.
std::string dz_escapeAts(std::string_view text);
// The text without one trailing "/".
std::string dz_stripTrailingSlash(std::string_view text);
// Both texts equal once a trailing "/" is stripped from each.
bool dz_isEquivalentToURLString(std::string_view text, std::string_view other);

std::array<uint8_t, 16> dz_MD5Data(std::string_view text);
// 32 lower-case hex digits.
std::string dz_MD5String(std::string_view text);

inline constexpr std::size_t kDZMaxJSONDepth = 64;
// The JSON value of the text (a lone number or text too); nothing, with the parser's message in
// error, otherwise, and nothing for arrays and objects nested deeper than kDZMaxJSONDepth.
std::optional<nlohmann::json> dz_decodedJSONObject(std::string_view text, std::string* error = nullptr);

// Templates mark a keyword by an "@" on each side; a literal "@" is written "@@".
// Replaces, in place, every keyword matching keywordPattern (a regular expression) that is not
// part of an "@@" run with the replacement, inserted literally. Nothing without both arguments,
// or when the pattern is no valid expression.
void dz_replaceAtQuotedKeywordPattern(std::string& text, const std::optional<std::string>& keywordPattern,
                                      const std::optional<std::string>& replacement);
// Removes every keyword still in the text.
void dz_removeAtQuotedKeywords(std::string& text);
// Every "@@" becomes "@": the final text once the keywords are filled.
void dz_unescapeAts(std::string& text);
