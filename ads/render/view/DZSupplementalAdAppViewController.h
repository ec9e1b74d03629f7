#pragma once
// The second ad page a rich-media ad opens over the app (its "web app"): the page and the banner
// below are told it is expanded while it is shown, and the banner that it is back to default
// when it has gone.
#include "ads/render/view/DZAdAppViewController.h"

class DZSupplementalAdAppViewController : public DZAdAppViewController {
  public:
    static std::shared_ptr<DZSupplementalAdAppViewController> create();
    using DZAdAppViewController::DZAdAppViewController;  // use create()

    void finishAppearing() override;
    void finishDismissal() override;
    void viewDidAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;
};
