// The ad component's own pictures: the embedded close button and browser arrows decode in the
// form the density asks for, keep their size in points on screens of every scale, the transparent
// image is fully clear, and damaged text gives no image.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

#include "ads/render/view/DZIntrinsicImages.h"
#include "platform/gl/GLContext.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowRenderer.h"

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

namespace {

// Columns and rows (first, one past the last) of the pixels in `area` that `marked` picks.
struct Extent {
    int x0 = 1 << 20, y0 = 1 << 20, x1 = 0, y1 = 0;
    int width() const { return x1 > x0 ? x1 - x0 : 0; }
    int height() const { return y1 > y0 ? y1 - y0 : 0; }
};
template <class Marked>
Extent extentOf(const std::uint8_t* rgba, int stride, int x0, int y0, int x1, int y1, Marked marked) {
    Extent e;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            if (!marked(rgba + (static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) +
                                static_cast<std::size_t>(x)) *
                                   4))
                continue;
            e.x0 = std::min(e.x0, x);
            e.y0 = std::min(e.y0, y);
            e.x1 = std::max(e.x1, x + 1);
            e.y1 = std::max(e.y1, y + 1);
        }
    }
    return e;
}

}  // namespace

// On a screen of 1, 1.5 and 2 pixels a point, each picture is drawn at its own size in points:
// the 25-point close button whole inside its 32-point corner button, the 27-point arrows inside
// their items.
TEST(IntrinsicImages, EachPictureKeepsItsSizeInPointsAtEveryScreenScale) {
    std::string error;
    auto gl = platform::GLContext::createHeadless(&error);
    if (!gl) GTEST_SKIP() << "no headless GL here: " << error;
    for (const float scale : {1.0f, 1.5f, 2.0f}) {
        SCOPED_TRACE(scale);
        DZIntrinsicImages images(scale);
        auto window = std::make_shared<platform::ui::Window>();
        window->setBackgroundColor({0.5f, 0.5f, 0.5f, 1});
        const auto close = images.closeButton();
        auto button = std::make_shared<platform::ui::Button>(platform::ui::ButtonType::Custom,
                                                             platform::Rect{0, 0, 32, 32});
        button->setImage(close.image, platform::ui::ControlStateNormal, close.scale);
        window->addSubview(button);
        auto bar = std::make_shared<platform::ui::Toolbar>();
        const auto back = images.browserBackButton();
        bar->setItems({std::make_shared<platform::ui::BarButtonItem>(
            back.image, back.scale, platform::ui::BarButtonItem::Style::Plain, nullptr)});
        window->addSubview(bar);
        platform::ui::WindowRenderer renderer(gl, scale);
        ASSERT_TRUE(renderer.render(*window));
        int w = 0, h = 0;
        const auto rgba = renderer.readPixels(w, h);
        ASSERT_EQ(w, std::lround(320 * scale));
        const auto px = [scale](float points) { return static_cast<int>(std::lround(points * scale)); };

        // What is not the grey behind it is the button's round face: 25 points across (its soft
        // edge blends into the grey by a pixel or two), centred in the 32-point button.
        const Extent face = extentOf(rgba.data(), w, 0, 0, px(40), px(40), [](const std::uint8_t* p) {
            return std::abs(p[0] - 128) > 24 || std::abs(p[2] - 128) > 24;
        });
        EXPECT_NEAR(face.width(), 25 * scale, 3);
        EXPECT_NEAR(face.height(), 25 * scale, 3);
        EXPECT_NEAR(face.x0, 3.5f * scale, 1.5f);
        EXPECT_NEAR(face.y0, 3.5f * scale, 1.5f);

        // The arrow's white, as wide on screen as in the picture at its own scale.
        const auto& arrow = *back.image;
        const Extent drawn = arrow.width > 0
                                 ? extentOf(arrow.pixels.data(), arrow.width, 0, 0, arrow.width, arrow.height,
                                            [](const std::uint8_t* p) { return p[0] > 200; })
                                 : Extent{};
        const Extent shown = extentOf(rgba.data(), w, 0, px(436), w, h, [](const std::uint8_t* p) {
            return p[0] > 200 && p[1] > 200 && p[2] > 200;
        });
        EXPECT_NEAR(shown.width(), drawn.width() / back.scale * scale, 2.5f);
        EXPECT_NEAR(shown.height(), drawn.height() / back.scale * scale, 2.5f);
    }
}
