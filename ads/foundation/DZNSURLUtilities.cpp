#include "ads/foundation/DZNSURLUtilities.h"

#include <algorithm>
#include <cctype>

#include "ads/foundation/DZStringAdditions.h"

namespace {

std::vector<std::string_view> split(std::string_view text, std::string_view separators) {
    std::vector<std::string_view> pieces;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find_first_of(separators, start);
        pieces.push_back(
            text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) return pieces;
        start = at + 1;
    }
}

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

}  // namespace

std::optional<Url> dz_URLWithString(std::string_view text) {
    return Url::parse(text, kDZMaxURLLength, nullptr);
}

std::string dz_parameterText(const nlohmann::json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_boolean()) return value.get<bool>() ? "1" : "0";
    if (value.is_null()) return "";
    return value.dump();
}

std::optional<Url> dz_appendQueryParameters(const Url& url, const nlohmann::json& parameters) {
    std::string head = url.text();
    std::string tail;
    if (const size_t at = head.find("&adurl="); at != std::string::npos) {
        tail = head.substr(at);
        head.erase(at);
    }
    char separator = url.query().empty() ? '?' : '&';
    if (parameters.is_object()) {
        for (const auto& [key, value] : parameters.items()) {
            head += separator;
            separator = '&';
            head += dz_stringByEscapingAsURLParameter(key);
            const std::string text = dz_stringByEscapingAsURLParameter(dz_parameterText(value));
            if (!text.empty()) head += "=" + text;
        }
    }
    return dz_URLWithString(head + tail);
}

std::optional<Url> dz_appendQueryValue(const Url& url, const std::optional<std::string>& value,
                                       const std::string& key) {
    return dz_appendQueryParameters(url, nlohmann::json{{key, value.value_or("")}});
}

std::optional<std::vector<std::string>> dz_parameterValuesForKey(const Url& url, const std::string& key) {
    std::vector<std::string> values;
    for (std::string_view pair : split(url.query(), "&")) {
        const auto parts = split(pair, "=");
        if (parts.size() != 2 || parts[0] != key) continue;
        if (auto value = dz_stringByRemovingPercentEncoding(parts[1])) values.push_back(std::move(*value));
    }
    if (values.empty()) return std::nullopt;
    return values;
}

std::optional<std::string> dz_parameterValueForKey(const Url& url, const std::string& key) {
    auto values = dz_parameterValuesForKey(url, key);
    if (!values) return std::nullopt;
    return values->front();
}

std::map<std::string, std::string> dz_dictionaryFromQueryParameters(const Url& url,
                                                                    bool convertKeysToLowercase) {
    std::map<std::string, std::string> out;
    for (std::string_view pair : split(url.query(), "&;")) {
        const auto parts = split(pair, "=");
        if (parts.size() != 2) continue;
        auto key = dz_stringByRemovingPercentEncoding(parts[0]);
        auto value = dz_stringByRemovingPercentEncoding(parts[1]);
        if (!key || !value) continue;
        out[convertKeysToLowercase ? lower(*key) : *key] = std::move(*value);
    }
    return out;
}

std::optional<std::string> dz_impressionTicket(const Url& url) {
    std::vector<std::string_view> segments;
    for (std::string_view s : split(url.path(), "/")) {
        if (!s.empty()) segments.push_back(s);
    }
    if (segments.size() < 3) return std::nullopt;
    return std::string(segments[1]) + "/" + std::string(segments[2]);
}

std::string dz_absoluteStringWithoutFragmentComponent(const Url& url) {
    const std::string& text = url.text();
    return text.substr(0, text.find('#'));
}

bool dz_isHostEqualToString(const Url& url, std::string_view host, bool caseSensitive) {
    return caseSensitive ? url.host() == host : lower(url.host()) == lower(host);
}

bool dz_isSchemeEqualToString(const Url& url, std::string_view scheme, bool caseSensitive) {
    // The scheme as written: the parsed one is lower-cased.
    const std::string written = url.text().substr(0, url.text().find(':'));
    return caseSensitive ? written == scheme : lower(written) == lower(scheme);
}
