#pragma once
// The ad component's additions to URLs: appending query parameters, reading them back, the
// impression ticket, and comparisons of scheme and host.
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/url/Url.h"

using platform::Url;

// Ad URLs carry their tracking data in the query and may be far longer than the game's own
// URLs; they are refused only beyond this.
inline constexpr std::size_t kDZMaxURLLength = 2 * 1024 * 1024;
// The text as a URL within that bound; nothing when it is no well-formed absolute URL.
std::optional<Url> dz_URLWithString(std::string_view text);

// Appends each entry of parameters (a JSON object; each value's text form, escaped as a query
// value) after "?" or "&", in front of a final "&adurl=" part when there is one, so that a click
// URL's destination stays last. Keys are escaped as values are. A key whose value text is empty
// goes without "=". Nothing when the result is no URL.
std::optional<Url> dz_appendQueryParameters(const Url& url, const nlohmann::json& parameters);
// The same with one pair; a missing value counts as "".
std::optional<Url> dz_appendQueryValue(const Url& url, const std::optional<std::string>& value,
                                       const std::string& key);

// One pair of a query.
struct DZQueryPair {
    std::string key;
    std::string value;
    bool hasValue = false;  // an "=" followed the key
};
// The one reading of a query (GLib's): pairs split at any of `separators` and at their first "=",
// both sides percent-decoded, a "+" as a space too when `form`; empty pairs and those that do not
// decode to UTF-8 are skipped.
std::vector<DZQueryPair> dz_queryPairs(std::string_view query, std::string_view separators, bool form);

// Every value of key among the "&"-separated pairs that have one, in order; nothing when there is
// none.
std::optional<std::vector<std::string>> dz_parameterValuesForKey(const Url& url, const std::string& key);
std::optional<std::string> dz_parameterValueForKey(const Url& url, const std::string& key);
// The pairs split at "&" and ";" that have a value, keys lower-cased when asked; a later pair
// replaces an earlier one.
std::map<std::string, std::string> dz_dictionaryFromQueryParameters(const Url& url,
                                                                    bool convertKeysToLowercase);

// The second and third path segments joined with "/" when the path has at least three.
std::optional<std::string> dz_impressionTicket(const Url& url);
// The text up to its first "#".
std::string dz_absoluteStringWithoutFragmentComponent(const Url& url);
bool dz_isHostEqualToString(const Url& url, std::string_view host, bool caseSensitive);
bool dz_isSchemeEqualToString(const Url& url, std::string_view scheme, bool caseSensitive);

// The text form of a parameter value: text as it is, numbers in decimal, true/false as 1/0,
// null as "", arrays and objects as JSON.
std::string dz_parameterText(const nlohmann::json& value);
