#pragma once
// The "About" tab: the app's name, version and copyright over the about text of the resources,
// and the way to the privacy policy.
#include <memory>
#include <optional>
#include <string>

#include "screens/ToolViewControllerBase.h"

namespace platform::ui {
class TextView;
}

class AboutToolViewController : public ToolViewControllerBase {
  public:
    explicit AboutToolViewController(std::string interfaceName);

    void setup() override;
    void viewWillAppear(bool animated) override;
    // The text shown: "name\nVersion v\ncopyright\n\nabout message".
    std::string aboutText() const;
    // The privacy page lives on the game's web host: the web base URL's scheme, host and port
    // with the path "/iphone/page/privacy". Nothing for a base URL that is not http or https.
    static std::optional<std::string> privacyPolicyUrl(const std::string& webBaseUrl);
    // Opens the privacy page in the user's browser.
    void onPrivacyPolicyButton();

  private:
    std::shared_ptr<platform::ui::TextView> aboutTextView_;
};
