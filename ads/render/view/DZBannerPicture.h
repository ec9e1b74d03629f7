#pragma once
// A picture of an ad's page held over its place while the page there is not drawn as the place
// should show it (lifted out to full screen, or told it is expanded while a second page shows),
// until the page has drawn anew after being told it is back (half a second at most).
#include <memory>

class DZAdView;

namespace platform::ui {
class ImageView;
class View;
}  // namespace platform::ui

class DZBannerPicture {
  public:
    // A picture of the view as it is now, framed where it is, at the screen's own scale: drawing
    // the page at another one would have the engine paint it anew at that scale.
    static std::shared_ptr<platform::ui::ImageView> of(platform::ui::View& view);
    // The picture goes once the ad's page has drawn after now, or at the cap, whichever comes
    // first; the wait is the picture's own, so whoever handed it over may go before.
    static void removeOnceRedrawn(std::shared_ptr<platform::ui::ImageView> picture,
                                  const std::shared_ptr<DZAdView>& ad);
};
