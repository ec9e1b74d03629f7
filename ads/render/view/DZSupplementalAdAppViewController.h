#pragma once
// The second ad page a rich-media ad opens over the app (its "web app"): the page and the banner
// below are told it is expanded while it is shown, and the banner that it is back to default
// when it has gone. Told it is expanded, the banner's page may draw something else in its strip: a
// picture of the banner as it was holds the strip until the page has drawn itself as a banner again.
#include "ads/render/view/DZAdAppViewController.h"

namespace platform::ui {
class ImageView;
}

class DZSupplementalAdAppViewController : public DZAdAppViewController {
  public:
    static std::shared_ptr<DZSupplementalAdAppViewController> create();
    using DZAdAppViewController::DZAdAppViewController;  // use create()
    ~DZSupplementalAdAppViewController() override;

    void finishAppearing() override;
    void finishDismissal() override;
    void viewDidAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;

  private:
    std::shared_ptr<platform::ui::ImageView> bannerPicture_;
};
