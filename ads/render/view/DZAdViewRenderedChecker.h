#pragma once
// Decides from a snapshot of an ad view's page whether the page shows anything besides the ad
// view's background colour: a page is taken as rendered when less than kRenderedShare of its
// pixels are exactly that colour. A page without pixels (no engine, an empty view) has not
// rendered. Main thread only.
#include <memory>
#include <optional>

#include "platform/image/Image.h"
#include "platform/ui/Color.h"

class DZAdView;

class DZAdViewRenderedCheckerDelegate {
  public:
    virtual ~DZAdViewRenderedCheckerDelegate() = default;
    virtual void adViewDidRenderContent(DZAdView& adView) = 0;
    virtual void adViewDidFailToRenderContent(DZAdView& adView) = 0;
};

class DZAdViewRenderedChecker {
  public:
    static constexpr float kRenderedShare = 0.9f;

    DZAdViewRenderedChecker(std::weak_ptr<DZAdView> adView,
                            std::weak_ptr<DZAdViewRenderedCheckerDelegate> delegate)
        : adView_(std::move(adView)), delegate_(std::move(delegate)) {}

    // Tells the delegate the verdict at once; nothing when the view or the delegate is gone.
    void checkIsContentRenderedInAdView();

    // The share (0 to 1) of the image's pixels that are exactly the colour, compared as
    // premultiplied 8-bit RGBA; nothing for an image without pixels.
    static std::optional<float> percentOfImage(const platform::Image& image, platform::ui::Color color);

  private:
    std::weak_ptr<DZAdView> adView_;
    std::weak_ptr<DZAdViewRenderedCheckerDelegate> delegate_;
};
