#pragma once
// A banner's ad view lifted out to full screen (an expanded rich-media ad): a picture of the
// banner holds its place meanwhile, and the view goes back where it was when the screen closes,
// under that picture until the page has drawn itself as a banner again; the closing screen slides
// away with a picture of the page.
#include "ads/render/view/DZAdAppViewController.h"

namespace platform::ui {
class ImageView;
}

class DZExpandedAdAppViewController : public DZAdAppViewController {
  public:
    // Null without an ad view.
    static std::shared_ptr<DZExpandedAdAppViewController> create(const std::shared_ptr<DZAdView>& adView);
    using DZAdAppViewController::DZAdAppViewController;  // use create()
    ~DZExpandedAdAppViewController() override;

    bool isLoaded() const override { return true; }
    void finishAppearing() override;
    void relinquishScreenWithCompletion(std::function<void()> completion) override;
    void finishDismissal() override;
    const std::shared_ptr<platform::ui::ImageView>& renderedBanner() const { return renderedBanner_; }

  protected:
    void configureView() override;

  private:
    std::shared_ptr<platform::ui::ImageView> renderedBanner_;
};
