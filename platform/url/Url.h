#pragma once
// An absolute URL, parsed as RFC 3986 reads it (GLib's GUri), so "tikoleap:///startTitle" has
// an empty host and the path "/startTitle", as the phone's URL class reads it. Only well-formed absolute URLs
// with a scheme make a Url; text with control characters, spaces or other bytes a URL cannot
// carry raw is refused, so a Url is always safe to log and to hand on as one argument.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class Url {
  public:
    // URLs longer than this are refused (nothing the game sends or receives comes near it).
    static constexpr std::size_t kMaxLength = 8192;

    // Nothing, with the reason in `error`, unless `text` is a well-formed absolute URL.
    static std::optional<Url> parse(std::string_view text, std::string* error = nullptr);
    // The same with another bound on the length, for URLs that carry more data than the game's.
    static std::optional<Url> parse(std::string_view text, std::size_t maxLength, std::string* error);

    // The URL as given.
    const std::string& text() const { return text_; }
    // Lower-case scheme, without ":".
    const std::string& scheme() const { return scheme_; }
    const std::string& host() const { return host_; }
    // The path as it stands in the URL (still percent-encoded), "" when there is none.
    const std::string& path() const { return path_; }
    const std::string& query() const { return query_; }
    // The port as written, "" when the URL names none.
    const std::string& port() const { return port_; }
    bool hasPort() const { return !port_.empty(); }
    // What follows the first "#", "" when there is none.
    const std::string& fragment() const { return fragment_; }

    // http or https.
    bool isWeb() const { return scheme_ == "http" || scheme_ == "https"; }

  private:
    std::string text_;
    std::string scheme_;
    std::string host_;
    std::string path_;
    std::string query_;
    std::string port_;
    std::string fragment_;
};

}  // namespace platform
