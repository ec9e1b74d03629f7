#pragma once
// The pictures the ad component draws itself: the close button of full-screen ads, the in-app
// browser's arrows and an invisible image for close areas whose look the ad supplies. The button
// and the arrows are carried as Base64 PNG text in a 1x and a 2x form (drawn by tikoleap-uiart
// --ad-images) and decoded once, in the form that suits the screen's density. Safe from any
// thread.
#include <memory>
#include <mutex>
#include <string_view>

#include "platform/image/Image.h"

class DZIntrinsicImages {
  public:
    // A decoded picture and its pixels per point.
    struct Picture {
        std::shared_ptr<const platform::Image> image;
        float scale = 1;
    };

    // Follows the shared device's main screen density.
    static DZIntrinsicImages& sharedInstance();
    // For a screen of the given density (tests).
    explicit DZIntrinsicImages(float density);
    DZIntrinsicImages(const DZIntrinsicImages&) = delete;
    DZIntrinsicImages& operator=(const DZIntrinsicImages&) = delete;

    // 25 x 25 points. Null image only if the embedded text were damaged.
    Picture closeButton();
    // 27 x 27 points, white arrows for a dark bar.
    Picture browserBackButton();
    Picture browserForwardButton();
    // 10 x 10 points, every pixel fully transparent.
    Picture transparentImage();

    // Standard Base64 of a PNG to an image; null for text or data that is not a PNG, or a picture
    // larger than an embedded one may be.
    static std::shared_ptr<const platform::Image> imageWithBase64EncodedString(std::string_view text);
    // The 1x text on a screen of density exactly 1, else the 2x one.
    static std::string_view chooseImage(std::string_view single, std::string_view doubleDensity,
                                        float density);

  private:
    Picture embedded(Picture& picture, std::string_view single, std::string_view doubleDensity);

    float density_;
    std::mutex mutex_;
    Picture close_;
    Picture back_;
    Picture forward_;
    Picture transparent_;
};
