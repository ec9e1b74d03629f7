#pragma once
// What the in-app browser's ad view and its delegate need of the browser controller: the slot
// whose ad led there (its statistics count the landing pages) and the toolbar that follows each
// load. The browser itself comes with the in-app browser; until then only doubles derive from this.
#include <memory>

#include "platform/ui/ViewController.h"

class DZSlot;

class DZBrowserViewController : public platform::ui::ViewController {
  public:
    using platform::ui::ViewController::ViewController;

    // Null when it has gone.
    virtual std::shared_ptr<DZSlot> slot() const = 0;
    // Back, forward, reload and stop as the page now allows.
    virtual void refreshToolbar() = 0;
};
