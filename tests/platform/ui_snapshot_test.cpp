// A picture of one view: its own place in the parent does not matter, subviews are in it, and
// nothing comes without a current GL context. Snapshot views show it at the screen's scale.
#include <gtest/gtest.h>

#include <memory>

#include "platform/gl/GLContext.h"
#include "platform/ui/Screen.h"
#include "platform/ui/SnapshotView.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewSnapshot.h"
#include "support/GLTestContext.h"

using platform::Rect;
using platform::ui::Color;
using platform::ui::View;

namespace {

std::array<uint8_t, 4> pixelAt(const platform::Image& image, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)) * 4;
    return {image.pixels[i], image.pixels[i + 1], image.pixels[i + 2], image.pixels[i + 3]};
}

}  // namespace

TEST(ViewSnapshot, DrawsTheViewAndItsSubviewsFromItsOwnOrigin) {
    GLTestContext gl(16, 16);
    ASSERT_TRUE(gl.ok()) << gl.error();
    auto parent = std::make_shared<View>(Rect{0, 0, 100, 100});
    auto view = std::make_shared<View>(Rect{30, 40, 20, 10});
    view->setBackgroundColor(Color{1, 0, 0, 1});
    auto corner = std::make_shared<View>(Rect{0, 5, 10, 5});  // the lower-left quarter
    corner->setBackgroundColor(Color{0, 0, 1, 1});
    view->addSubview(corner);
    parent->addSubview(view);

    auto image = platform::ui::snapshotView(*view, 2);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 40);
    EXPECT_EQ(image->height, 20);
    EXPECT_TRUE(image->hasBitmap());
    EXPECT_EQ(pixelAt(*image, 1, 1), (std::array<uint8_t, 4>{255, 0, 0, 255}));    // top left: red
    EXPECT_EQ(pixelAt(*image, 1, 18), (std::array<uint8_t, 4>{0, 0, 255, 255}));   // bottom left: blue
    EXPECT_EQ(pixelAt(*image, 38, 18), (std::array<uint8_t, 4>{255, 0, 0, 255}));  // bottom right: red

    platform::GLContext::clearCurrent();
    EXPECT_FALSE(platform::ui::snapshotView(*view, 1));
}

TEST(ViewSnapshot, SnapshotViewShowsThePictureAtTheScreenScaleOrStaysClear) {
    GLTestContext gl(16, 16);
    ASSERT_TRUE(gl.ok()) << gl.error();
    auto view = std::make_shared<View>(Rect{30, 40, 20, 10});
    view->setBackgroundColor(Color{0, 1, 0, 1});
    const float scale = platform::ui::Screen::mainScale();
    platform::ui::Screen::setMainScale(3);
    auto snapshot = platform::ui::snapshotViewOf(*view);
    platform::ui::Screen::setMainScale(scale);
    EXPECT_EQ(snapshot->frame(), (Rect{0, 0, 20, 10}));
    ASSERT_TRUE(snapshot->image());
    EXPECT_EQ(snapshot->image()->width, 60);
    EXPECT_EQ(snapshot->image()->height, 30);
    EXPECT_EQ(pixelAt(*snapshot->image(), 59, 29), (std::array<uint8_t, 4>{0, 255, 0, 255}));

    platform::GLContext::clearCurrent();
    auto clear = platform::ui::snapshotViewOf(*view);
    EXPECT_EQ(clear->frame(), (Rect{0, 0, 20, 10}));
    EXPECT_EQ(clear->image(), nullptr);
    EXPECT_EQ(clear->backgroundColor(), Color::clear());
}
