// Where an ad view is and how much of it shows, pinning to the parent, and orientation masks.
#include <gtest/gtest.h>

#include <memory>

#include "ads/foundation/DZViewUtilities.h"
#include "platform/ui/Application.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/Screen.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "support/GLTestContext.h"

using platform::Rect;
using namespace platform::ui;

namespace {

struct WindowScene {
    NotificationCenter center;
    Application app{center};
    std::shared_ptr<Window> window = std::make_shared<Window>(Rect{0, 0, 320, 480}, &app);

    std::shared_ptr<View> add(const std::shared_ptr<View>& parent, Rect frame) {
        auto v = std::make_shared<View>(frame);
        parent->addSubview(v);
        return v;
    }
};

class LandscapeController : public ViewController {
  public:
    unsigned supportedInterfaceOrientations() override { return 24; }
};

}  // namespace

TEST(DZOrientation, NamesAndMasks) {
    EXPECT_EQ(DZInterfaceOrientationMaskFromString(std::string("any")), 30u);
    EXPECT_EQ(DZInterfaceOrientationMaskFromString(std::string("portrait")), 6u);
    EXPECT_EQ(DZInterfaceOrientationMaskFromString(std::string("landscape")), 24u);
    EXPECT_EQ(DZInterfaceOrientationMaskFromString(std::string("Portrait")), 0u);
    EXPECT_EQ(DZInterfaceOrientationMaskFromString(std::string("")), 0u);
    EXPECT_EQ(DZInterfaceOrientationMaskFromString(std::nullopt), 0u);
    EXPECT_TRUE(DZInterfaceOrientationMaskContainsOrientation(24, 3));
    EXPECT_FALSE(DZInterfaceOrientationMaskContainsOrientation(24, 1));
    EXPECT_FALSE(DZInterfaceOrientationMaskContainsOrientation(30, 99));
}

TEST(DZOrientation, TheWindowsControllerSaysWhatIsSupported) {
    WindowScene s;
    auto view = s.add(s.window, {0, 0, 10, 10});
    EXPECT_TRUE(dz_supportsOrientations(*view, 6));  // portrait without a controller
    EXPECT_FALSE(dz_supportsOrientations(*view, 24));
    s.window->setRootViewController(std::make_shared<LandscapeController>());
    EXPECT_TRUE(dz_supportsOrientations(*view, 8));
    EXPECT_FALSE(dz_supportsOrientations(*view, 6));
}

TEST(DZVisibleBounds, AClippingParentShowingTheUpperHalfLeavesThatHalf) {
    WindowScene s;
    auto parent = s.add(s.window, {10, 20, 100, 50});
    parent->setClipsToBounds(true);
    auto ad = s.add(parent, {0, 0, 100, 100});
    const Rect visible = dz_visibleBounds(*ad);
    EXPECT_EQ(visible, Rect(10, 20, 100, 50));
    // Without the clip the whole ad shows, and the window still cuts what lies beyond it.
    parent->setClipsToBounds(false);
    EXPECT_EQ(dz_visibleBounds(*ad), Rect(10, 20, 100, 100));
    ad->setFrame({250, 400, 100, 100});
    EXPECT_EQ(dz_visibleBounds(*ad), Rect(260, 420, 60, 60));
}

TEST(DZVisibleBounds, NothingShowsInTheBackgroundHiddenOffWindowOrClippedAway) {
    WindowScene s;
    auto parent = s.add(s.window, {0, 0, 100, 100});
    auto ad = s.add(parent, {0, 0, 50, 50});
    EXPECT_EQ(dz_visibleBounds(*ad), Rect(0, 0, 50, 50));
    s.app.enterBackground();
    EXPECT_EQ(dz_visibleBounds(*ad), Rect());
    s.app.enterForeground();
    parent->setHidden(true);
    EXPECT_EQ(dz_visibleBounds(*ad), Rect());
    parent->setHidden(false);
    parent->setClipsToBounds(true);
    ad->setFrame({200, 0, 50, 50});
    EXPECT_EQ(dz_visibleBounds(*ad), Rect());
    auto loose = std::make_shared<View>(Rect{0, 0, 10, 10});
    EXPECT_EQ(dz_visibleBounds(*loose), Rect());
}

TEST(DZPosition, VisibleUntilAnEdgeLeavesTheApplicationFrame) {
    WindowScene s;
    const Rect app{0, 0, 320, 480};
    auto parent = s.add(s.window, {0, 0, 320, 480});
    auto ad = s.add(parent, {-50, 10, 50, 20});  // right edge exactly at x = 0
    auto pos = DZViewUtilities::positionOfView(*ad, app);
    ASSERT_TRUE(pos);
    EXPECT_EQ((*pos)["x"], -50);
    EXPECT_EQ((*pos)["width"], 50);
    EXPECT_EQ((*pos)["visible"], false);
    ad->setFrame({320, 10, 50, 20});  // left edge exactly at the frame's width
    EXPECT_EQ((*DZViewUtilities::positionOfView(*ad, app))["visible"], true);
    ad->setFrame({321, 10, 50, 20});
    EXPECT_EQ((*DZViewUtilities::positionOfView(*ad, app))["visible"], false);
    ad->setFrame({10, 10, 50, 20});
    ad->setHidden(true);
    EXPECT_EQ((*DZViewUtilities::positionOfView(*ad, app))["visible"], false);
    // Without a screen the frame is all zero.
    ad->setHidden(false);
    EXPECT_EQ((*DZViewUtilities::positionOfView(*ad, std::nullopt))["visible"], false);
}

TEST(DZPosition, NoParentMeansNoPositionAndNoPinning) {
    auto loose = std::make_shared<View>(Rect{5, 5, 10, 10});
    EXPECT_FALSE(DZViewUtilities::positionOfView(*loose, Rect{0, 0, 320, 480}));
    dz_fillSuperview(*loose);
    EXPECT_FALSE(loose->fillsSuperview());
    EXPECT_EQ(loose->frame(), Rect(5, 5, 10, 10));
}

TEST(DZFillSuperview, TheViewFollowsItsParentsSize) {
    WindowScene s;
    auto parent = s.add(s.window, {0, 0, 200, 100});
    auto ad = s.add(parent, {5, 5, 10, 10});
    dz_fillSuperview(*ad);
    EXPECT_EQ(ad->frame(), Rect(0, 0, 200, 100));
    parent->setFrame({0, 0, 300, 150});
    s.window->layoutIfNeeded();
    EXPECT_EQ(ad->frame(), Rect(0, 0, 300, 150));
}

TEST(DZRender, APictureAtTheScaleTheScreenIsShownAt) {
    GLTestContext gl(8, 8);
    ASSERT_TRUE(gl.ok()) << gl.error();
    const float previous = platform::ui::Screen::mainScale();
    platform::ui::Screen::setMainScale(1.5f);
    auto view = std::make_shared<platform::ui::View>(platform::Rect{0, 0, 20, 10});
    view->setBackgroundColor(platform::ui::Color{0, 1, 0, 1});
    auto image = dz_render(*view);
    platform::ui::Screen::setMainScale(previous);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 30);
    EXPECT_EQ(image->height, 15);
    EXPECT_EQ(image->pixels.at(4 * (14 * 30 + 29) + 1), 255);  // the last pixel is the view's green
}
