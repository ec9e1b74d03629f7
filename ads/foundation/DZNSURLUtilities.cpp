#include "ads/foundation/DZNSURLUtilities.h"

#include <algorithm>
#include <cctype>

#include <glib.h>

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

std::vector<DZQueryPair> dz_queryPairs(std::string_view query, std::string_view separators, bool form) {
    const std::string stops(separators);
    const auto flags = form ? G_URI_PARAMS_WWW_FORM : G_URI_PARAMS_NONE;
    std::vector<DZQueryPair> pairs;
    for (std::string_view piece : split(query, stops)) {
        if (piece.empty()) continue;
        DZQueryPair pair;
        pair.hasValue = piece.find('=') != std::string_view::npos;
        // GLib reads a pair without "=" as no pair at all: it is read as a key with no value.
        const std::string text = pair.hasValue ? std::string(piece) : std::string(piece) + "=";
        GUriParamsIter iter;
        g_uri_params_iter_init(&iter, text.data(), static_cast<gssize>(text.size()), stops.c_str(), flags);
        char* key = nullptr;
        char* value = nullptr;
        const bool read = g_uri_params_iter_next(&iter, &key, &value, nullptr);
        if (read && g_utf8_validate(key, -1, nullptr) && g_utf8_validate(value, -1, nullptr)) {
            pair.key = key;
            pair.value = value;
            pairs.push_back(std::move(pair));
        }
        g_free(key);
        g_free(value);
    }
    return pairs;
}

std::optional<std::vector<std::string>> dz_parameterValuesForKey(const Url& url, const std::string& key) {
    std::vector<std::string> values;
    for (auto& pair : dz_queryPairs(url.query(), "&", false))
        if (pair.hasValue && pair.key == key) values.push_back(std::move(pair.value));
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
    for (auto& pair : dz_queryPairs(url.query(), "&;", false))
        if (pair.hasValue) out[convertKeysToLowercase ? lower(pair.key) : pair.key] = std::move(pair.value);
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
