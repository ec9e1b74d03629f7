#pragma once
// Stands in for the platform's URL object: an absolute URL (with a scheme) that parses (through
// the HTTP layer's libcurl parser), kept as the text it was made from, with its parts at hand.
// Components are as written (not percent-decoded); the query and fragment are empty when absent.
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class Url {
  public:
    // Nothing when the text is no absolute URL (no scheme, spaces, malformed host or port).
    static std::optional<Url> parse(std::string_view text);

    const std::string& absoluteString() const { return text_; }
    // As written, not lower-cased.
    const std::string& scheme() const { return scheme_; }
    const std::string& host() const { return host_; }
    bool hasPort() const { return !port_.empty(); }
    const std::string& port() const { return port_; }
    const std::string& path() const { return path_; }
    const std::string& query() const { return query_; }
    const std::string& fragment() const { return fragment_; }

    bool operator==(const Url& other) const { return text_ == other.text_; }

  private:
    Url() = default;

    std::string text_, scheme_, host_, port_, path_, query_, fragment_;
};

}  // namespace platform
