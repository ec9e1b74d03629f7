#include "platform/foundation/Url.h"

#include "platform/http/HttpUrl.h"

namespace platform {

std::optional<Url> Url::parse(std::string_view text) {
    auto parts = parseUrl(text);
    if (!parts) {
        // A URL without an authority ("mailto:a@b.c", "tel:123") is a scheme and an opaque rest.
        auto scheme = urlScheme(text);
        if (!scheme || text.find("//") != std::string_view::npos) return std::nullopt;
        for (char c : text) {
            if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f) return std::nullopt;
        }
        Url url;
        url.text_ = std::string(text);
        url.scheme_ = url.text_.substr(0, scheme->size());
        std::string rest = url.text_.substr(scheme->size() + 1);
        if (auto hash = rest.find('#'); hash != std::string::npos) {
            url.fragment_ = rest.substr(hash + 1);
            rest.erase(hash);
        }
        if (auto question = rest.find('?'); question != std::string::npos) {
            url.query_ = rest.substr(question + 1);
            rest.erase(question);
        }
        url.path_ = rest;
        return url;
    }
    Url url;
    url.text_ = std::string(text);
    url.scheme_ = url.text_.substr(0, url.text_.find(':'));
    url.host_ = std::move(parts->host);
    url.port_ = std::move(parts->port);
    url.path_ = std::move(parts->path);
    url.query_ = std::move(parts->query);
    url.fragment_ = std::move(parts->fragment);
    return url;
}

}  // namespace platform
