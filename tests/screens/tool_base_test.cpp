// The tools area's tab base with a scrolling tab: the content view goes into the scroll view,
// each appearance puts the content back at its top-left corner and flashes the indicators, and
// the flash shows in the window for a moment only.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "ScreensFixture.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/UiResources.h"
#include "platform/ui/WindowRenderer.h"
#include "screens/MyNavigationController.h"
#include "screens/MyTabBarController.h"
#include "screens/ToolViewControllerBase.h"

namespace tikoleap::test {
namespace {

// A tab whose interface file holds a scroll view and, beside it, a content view larger than the
// scroll view both ways.
class ScrollingTool : public ToolViewControllerBase {
  public:
    ScrollingTool() : ToolViewControllerBase("ScrollingTool") {
        registerAction("onFarBelow", [this](platform::ui::Control&) { ++farBelowTaps; });
    }
    void setup() override {
        ToolViewControllerBase::setup();
        tabBarItem().setTitle("Scrolling");
    }
    std::shared_ptr<platform::ui::ScrollView> scroll() const { return scrollView_; }
    std::shared_ptr<platform::ui::View> content() const { return contentView_; }
    int farBelowTaps = 0;
};

// A tab without any interface file: nothing to scroll.
class PlainTool : public ToolViewControllerBase {
  public:
    PlainTool() : ToolViewControllerBase("") {}
    void setup() override {
        ToolViewControllerBase::setup();
        tabBarItem().setTitle("Plain");
    }
};

struct ToolBaseTest : ScreensFixture {
    void SetUp() override {
        ScreensFixture::SetUp();
        auto resources = std::make_shared<platform::ui::UiResources>(std::vector<std::filesystem::path>{
            std::filesystem::path(TIKOLEAP_SOURCE_DIR) / "tests/fixtures/ui",
            std::filesystem::path(TIKOLEAP_RESOURCES_DIR) / "ui"});
        std::vector<std::shared_ptr<platform::ui::ViewController>> tabs;
        const std::vector<std::shared_ptr<ToolViewControllerBase>> contents{scrolling,
                                                                            std::make_shared<PlainTool>()};
        for (const auto& tab : contents) {
            tab->setAppCore(core.get());
            tab->setResources(resources);
            tab->setEdgesForExtendedLayout(0);
            tab->setup();
            auto nav = std::make_shared<MyNavigationController>(tab);
            nav->setAppCore(core.get());
            nav->setResources(resources);
            tabs.push_back(nav);
        }
        tabBar->setAppCore(core.get());
        tabBar->setResources(resources);
        tabBar->setViewControllers(std::move(tabs));
        core->window()->setRootViewController(tabBar);
    }

    std::shared_ptr<ScrollingTool> scrolling = std::make_shared<ScrollingTool>();
    std::shared_ptr<MyTabBarController> tabBar = std::make_shared<MyTabBarController>();
};

TEST_F(ToolBaseTest, ContentScrollsInsideAndEachAppearanceStartsAtTheTopLeftWithAFlash) {
    auto scroll = scrolling->scroll();
    ASSERT_NE(scroll, nullptr);
    ASSERT_NE(scrolling->content(), nullptr);
    EXPECT_EQ(scrolling->content()->superview().get(), scroll.get());
    EXPECT_EQ(scroll->contentSize().width, 480);
    EXPECT_EQ(scroll->contentSize().height, 1000);
    EXPECT_EQ(scroll->flashCount(), 1);
    EXPECT_TRUE(scroll->indicatorsVisible());

    // The button at the foot of the content is out of sight, so out of reach, until scrolled to.
    std::shared_ptr<platform::ui::View> farBelow = driver->buttonWithTitle("Far Below");
    ASSERT_NE(farBelow, nullptr);
    EXPECT_FALSE(driver->tap(farBelow));
    EXPECT_EQ(scrolling->farBelowTaps, 0);
    driver->drag({300, 400}, {100, 60}, 12);
    const platform::Point moved = scroll->contentOffset();
    EXPECT_GT(moved.x, 0);
    EXPECT_GT(moved.y, 0);
    scroll->setContentOffset(scroll->maxContentOffset());
    EXPECT_TRUE(driver->tap(farBelow));
    EXPECT_EQ(scrolling->farBelowTaps, 1);

    // Away to the other tab and back: the content is at its corner again and the indicators flash.
    ASSERT_TRUE(driver->tapButton("Plain"));
    EXPECT_EQ(scroll->window(), nullptr);
    ASSERT_TRUE(driver->tapButton("Scrolling"));
    EXPECT_EQ(scroll->contentOffset().x, 0);
    EXPECT_EQ(scroll->contentOffset().y, 0);
    EXPECT_EQ(scroll->flashCount(), 2);
    EXPECT_FALSE(driver->tap(farBelow));
    EXPECT_EQ(scrolling->farBelowTaps, 1);

    // A tab without a scroll view appears as well: nothing there to reset.
    ASSERT_TRUE(driver->tapButton("Plain"));
    EXPECT_EQ(tabBar->selectedIndex(), 1u);
}

// Whether the window's pixel under a point is darker than the tab's background: the indicator is
// a dark bar along the scroll view's right edge.
bool darkAt(const std::vector<std::uint8_t>& rgba, int width, float scale, platform::Point p) {
    const int x = static_cast<int>(p.x * scale), y = static_cast<int>(p.y * scale);
    const std::uint8_t* px = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
    // The background is #1d3f72; the indicator halves it.
    return px[2] < 0x72 * 3 / 4;
}

TEST_F(ToolBaseTest, TheFlashShowsInTheWindowForAMomentAtOneAndAHalfTimes) {
    constexpr float kScale = 1.5f;
    platform::ui::WindowRenderer renderer(gl, kScale);
    auto scroll = scrolling->scroll();
    ASSERT_NE(scroll, nullptr);
    // The indicator's middle, right edge of the scroll view, under the navigation bar.
    const platform::Point indicator{scroll->bounds().size.width - 3.75f,
                                    platform::ui::NavigationBar::kHeight + 30};
    const platform::Point beside{scroll->bounds().size.width - 30, indicator.y};
    int w = 0, h = 0;
    ASSERT_TRUE(renderer.render(*core->window()));
    auto first = renderer.readPixels(w, h);
    ASSERT_EQ(w, static_cast<int>(320 * kScale));
    EXPECT_TRUE(darkAt(first, w, kScale, indicator));
    EXPECT_FALSE(darkAt(first, w, kScale, beside));

    loop->advance(platform::ui::ScrollView::kFlashSeconds + 0.1);
    ASSERT_TRUE(renderer.render(*core->window()));
    auto later = renderer.readPixels(w, h);
    EXPECT_FALSE(darkAt(later, w, kScale, indicator)) << "the flash outlasts its moment";

    ASSERT_TRUE(driver->tapButton("Plain"));
    ASSERT_TRUE(driver->tapButton("Scrolling"));
    ASSERT_TRUE(renderer.render(*core->window()));
    auto again = renderer.readPixels(w, h);
    EXPECT_TRUE(darkAt(again, w, kScale, indicator)) << "no flash on the second appearance";
}

}  // namespace
}  // namespace tikoleap::test
