#pragma once
// What the ad views and their handlers need of the full-screen controller that shows an ad's
// own page (after a click or an expansion). The controller itself comes with the full-screen
// presentation; until then only doubles derive from this.
#include <memory>

#include "platform/ui/ViewController.h"

class DZSlot;

class DZAdAppViewController : public platform::ui::ViewController {
  public:
    using platform::ui::ViewController::ViewController;

    // The slot whose ad the page belongs to; null when it has gone.
    virtual std::shared_ptr<DZSlot> slot() const = 0;
    // The page draws its own close control.
    virtual void setUseCustomClose(bool useCustomClose) = 0;
    // Shown over the app with a transparent background (true), or the default way (false).
    virtual void setUsesTransparentOverlayPresenter(bool transparent) = 0;
};
