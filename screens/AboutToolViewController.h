#pragma once
// The "About" tab: the app's name, version and copyright over the about text of the resources.
#include <memory>

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

  private:
    std::shared_ptr<platform::ui::TextView> aboutTextView_;
};
