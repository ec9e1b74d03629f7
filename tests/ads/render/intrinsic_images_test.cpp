// The ad component's own pictures: the embedded close button and browser arrows decode in the
// form the density asks for, the transparent image is fully clear, and damaged text gives no image.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "ads/render/DZIntrinsicImages.h"

namespace {
const std::uint8_t* pixel(const platform::Image& image, int x, int y) {
    return &image.pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                          static_cast<std::size_t>(x)) *
                         4];
}
}  // namespace

TEST(IntrinsicImages, CloseButtonArrowsAndTheTransparentImageAtEachDensity) {
    struct Case {
        float density;
        int closeSide;
        float closeScale;
        int clearSide;
    };
    for (const Case c : {Case{1, 25, 1, 10}, Case{2, 50, 2, 20}, Case{3, 50, 2, 30}}) {
        SCOPED_TRACE(c.density);
        DZIntrinsicImages images(c.density);
        const auto close = images.closeButton();
        ASSERT_TRUE(close.image);
        EXPECT_EQ(close.image->width, c.closeSide);
        EXPECT_EQ(close.image->height, c.closeSide);
        EXPECT_EQ(close.scale, c.closeScale);
        EXPECT_EQ(images.closeButton().image, close.image);  // decoded once
        // Clear corners, a white cross in the middle, a dark face beside it.
        const auto& img = *close.image;
        EXPECT_EQ(pixel(img, 0, 0)[3], 0);
        const std::uint8_t* middle = pixel(img, c.closeSide / 2, c.closeSide / 2);
        EXPECT_GT(std::min({middle[0], middle[1], middle[2]}), 230);
        const std::uint8_t* face = pixel(img, c.closeSide / 2, c.closeSide / 5);
        EXPECT_EQ(face[3], 255);
        EXPECT_LT(face[0], 100);

        // The arrows are white and wide at the end they point away from.
        const int arrowSide = c.density == 1 ? 27 : 54;
        const int k = arrowSide / 27;
        const auto back = images.browserBackButton();
        const auto forward = images.browserForwardButton();
        for (const auto* arrow : {&back, &forward}) {
            ASSERT_TRUE(arrow->image);
            EXPECT_EQ(arrow->image->width, arrowSide);
            EXPECT_EQ(arrow->image->height, arrowSide);
            EXPECT_EQ(arrow->scale, arrowSide / 27.0f);
        }
        EXPECT_EQ(pixel(*back.image, 19 * k, 7 * k)[3], 255);
        EXPECT_GT(pixel(*back.image, 19 * k, 7 * k)[0], 230);
        EXPECT_EQ(pixel(*back.image, 8 * k, 7 * k)[3], 0);
        EXPECT_EQ(pixel(*forward.image, 8 * k, 7 * k)[3], 255);
        EXPECT_EQ(pixel(*forward.image, 19 * k, 7 * k)[3], 0);

        const auto clear = images.transparentImage();
        ASSERT_TRUE(clear.image);
        EXPECT_EQ(clear.image->width, c.clearSide);
        EXPECT_EQ(clear.image->height, c.clearSide);
        EXPECT_TRUE(std::all_of(clear.image->pixels.begin(), clear.image->pixels.end(),
                                [](std::uint8_t b) { return b == 0; }));
    }
    EXPECT_EQ(DZIntrinsicImages::imageWithBase64EncodedString("not*base64"), nullptr);
    EXPECT_EQ(DZIntrinsicImages::imageWithBase64EncodedString("aGVsbG8gd29ybGQ="), nullptr);  // not a PNG
    EXPECT_EQ(DZIntrinsicImages::imageWithBase64EncodedString(""), nullptr);
}
