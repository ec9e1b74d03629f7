#pragma once
// One message from an ad page to native code: a navigation to an "amsg" URL whose path (after
// its "/") names the message and whose query carries its parameters. The page is untrusted: a
// URL that does not parse, has no name or a name with bytes a name cannot hold gives no message.
#include <map>
#include <memory>
#include <optional>
#include <string>

class DZNotification {
  public:
    using Parameters = std::map<std::string, std::string>;

    // Message names longer than this are refused.
    static constexpr std::size_t kMaxNameLength = 256;

    // Whether the URL's scheme, in any case, is "amsg".
    static bool isNotificationURL(const std::string& url);
    // The message of an amsg URL; the host is ignored, parameter keys keep their case, a later
    // repeated key wins.
    static std::shared_ptr<const DZNotification> fromURL(const std::string& url);
    // Nothing for an empty name.
    static std::shared_ptr<const DZNotification> create(std::string name, Parameters parameters);

    const std::string& name() const { return name_; }
    const Parameters& parameters() const { return parameters_; }
    // The parameter's value, nothing when absent.
    std::optional<std::string> parameter(const std::string& key) const;
    std::string description() const;

    DZNotification(std::string name, Parameters parameters)  // use create()
        : name_(std::move(name)), parameters_(std::move(parameters)) {}

  private:
    std::string name_;
    Parameters parameters_;
};
