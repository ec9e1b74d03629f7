// Every screen on the road through the game, with the longest texts it shows (the widest level
// name, big scores, the sound step "OFF"), at the scales the game draws with (1 headless, 1.5 in
// the window, 2): no text runs past its label or button, no view reaches outside the one that
// holds it, and a text view shows every line of its text.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ScreenFit.h"
#include "ScreensFixture.h"
#include "platform/ui/ModalPanel.h"
#include "platform/ui/Screen.h"
#include "platform/ui/TextView.h"
#include "platform/ui/WindowRenderer.h"

namespace tikoleap::test {
namespace {

struct ScreenFit : ScreensFixture, testing::WithParamInterface<float> {
    void SetUp() override {
        previousScale = platform::ui::Screen::mainScale();
        platform::ui::Screen::setMainScale(GetParam());
        ScreensFixture::SetUp();
    }
    void TearDown() override {
        ScreensFixture::TearDown();
        platform::ui::Screen::setMainScale(previousScale);
    }
    // Misfits of the whole window as the next frame draws it (drawing lays out first).
    std::string windowMisfits() const {
        core->window()->layoutIfNeeded();
        return joined(misfits(*core->window()));
    }
    // Shown views of the window that would overlap the game-over screen's ad banner at the top of
    // the screen, apart from those that fill the whole screen (backgrounds and holders).
    std::string viewsOnTheBanner() const {
        const platform::Rect banner{0, 0, 320, 50};
        const platform::Rect screen = core->window()->bounds();
        std::string out;
        auto visit = [&](auto& self, const platform::ui::View& view) -> void {
            if (view.isHidden() || view.alpha() <= 0.01f) return;
            const platform::Rect r = view.convertRectToWindow(view.bounds());
            const bool fills = r.minX() <= screen.minX() && r.minY() <= screen.minY() &&
                               r.maxX() >= screen.maxX() && r.maxY() >= screen.maxY();
            if (!fills && r.minX() < banner.maxX() && r.maxX() > banner.minX() && r.minY() < banner.maxY() &&
                r.maxY() > banner.minY())
                out += view.description() + "\n";
            for (const auto& sub : view.subviews())
                if (sub) self(self, *sub);
        };
        visit(visit, *core->window());
        return out;
    }
    float previousScale = 1;
};

TEST_P(ScreenFit, CheckerFindsATextTooWideAndAViewOutsideItsHolder) {
    platform::ui::View holder(platform::Rect{0, 0, 100, 40});
    auto label = std::make_shared<platform::ui::Label>(platform::Rect{0, 0, 100, 20});
    label->setText("Short");
    holder.addSubview(label);
    EXPECT_TRUE(misfits(holder).empty()) << joined(misfits(holder));
    label->setText("A sentence far too long for a hundred points");
    EXPECT_EQ(misfits(holder).size(), 1u);
    label->setText("Short");
    label->setFrame({60, 30, 50, 20});
    EXPECT_EQ(misfits(holder).size(), 1u);
    label->setHidden(true);
    EXPECT_TRUE(misfits(holder).empty());
}

TEST_P(ScreenFit, TitlePauseToolsAndGameOverFitWithTheirLongestTexts) {
    core->startTitleView();
    settle();
    EXPECT_EQ(windowMisfits(), "") << "title";

    // The chooser of a fresh install, its locked rows marked on their one line.
    ASSERT_TRUE(driver->tapOutlet("levelSelectBtn"));
    settle();
    ASSERT_EQ(screen(), "select");
    EXPECT_EQ(windowMisfits(), "") << "level chooser";
    ASSERT_TRUE(driver->tapButton("Cancel"));
    settle();

    // Every level's name on the title's button, clear of the chooser's arrow beside it.
    for (int id : {20, 21, 22, 25, 27, 28, 29, 30, 31, 32}) {
        core->setCurrentLevelId(id);
        core->stopAllViews();
        core->startTitleView();
        settle();
        EXPECT_EQ(windowMisfits(), "") << "title, level " << id;
        auto button = std::dynamic_pointer_cast<platform::ui::Button>(driver->outlet("levelSelectBtn"));
        ASSERT_NE(button, nullptr);
        const platform::Rect title = button->convertRectToWindow(button->titleRect());
        for (const auto& label : core->window()->descendantsOfClass<platform::ui::Label>()) {
            if (label->text() != "\u25BC") continue;
            const platform::Rect arrow = label->convertRectToWindow(label->bounds());
            EXPECT_LE(title.maxX(), arrow.minX()) << "level " << id << ": " << button->currentTitle();
        }
    }

    // The widest level name, with three big scores in its lists.
    core->setCurrentLevelId(29);
    for (int score : {987654, 99999, 123456}) {
        core->startGameView();
        loop->advance(0.2);
        endGame(score);
        // Big scores open levels, each with its alert.
        while (driver->frontModal()) {
            EXPECT_EQ(windowMisfits(), "") << "unlock alert";
            ASSERT_TRUE(driver->answerFront("OK"));
        }
    }
    ASSERT_EQ(screen(), "gameover");
    EXPECT_EQ(windowMisfits(), "") << "game over";
    EXPECT_EQ(viewsOnTheBanner(), "") << "game over";

    ASSERT_TRUE(driver->tapButton("Replay"));
    settle();
    ASSERT_EQ(screen(), "game");
    core->gameView()->startPauseView();
    settle();
    ASSERT_EQ(screen(), "pause");
    for (int step = 0; step < 4; ++step) {
        EXPECT_EQ(windowMisfits(), "") << "pause, " << driver->text("soundBtn");
        ASSERT_TRUE(driver->tapOutlet("soundBtn"));
    }
    ASSERT_TRUE(driver->tapButton("Back to Title"));
    settle();

    ASSERT_TRUE(driver->tapButton("Settings"));
    settle();
    ASSERT_EQ(screen(), "tools");
    EXPECT_EQ(windowMisfits(), "") << "scores tab";
    ASSERT_TRUE(driver->tapButton("Clear Ranking"));
    ASSERT_NE(driver->frontModal(), nullptr);
    EXPECT_EQ(windowMisfits(), "") << "clear-ranking sheet";
    ASSERT_TRUE(driver->answerFront("Cancel"));

    ASSERT_TRUE(driver->tapButton("Settings"));
    for (int step = 0; step < 4; ++step) {
        EXPECT_EQ(windowMisfits(), "") << "settings tab, " << driver->text("soundBtn");
        ASSERT_TRUE(driver->tapOutlet("soundBtn"));
    }
    ASSERT_TRUE(driver->tapButton("About"));
    EXPECT_EQ(windowMisfits(), "") << "about tab";
}

// Where a view sits in the window, in points (the screens use no transforms).
platform::Rect rectInWindow(const platform::ui::View& view) {
    platform::Rect r = view.frame();
    for (auto parent = view.superview(); parent && parent->superview(); parent = parent->superview()) {
        const platform::Rect f = parent->frame(), b = parent->bounds();
        r.origin.x += f.minX() - b.minX();
        r.origin.y += f.minY() - b.minY();
    }
    return r;
}

// Lines of light text drawn inside a rectangle of the frame: runs of pixel rows holding any.
int inkLines(const std::vector<std::uint8_t>& rgba, int width, float scale, platform::Rect r) {
    int lines = 0;
    bool inLine = false;
    for (int y = static_cast<int>(r.minY() * scale); y < static_cast<int>(r.maxY() * scale); ++y) {
        bool ink = false;
        for (int x = static_cast<int>(r.minX() * scale); x < static_cast<int>(r.maxX() * scale) && !ink; ++x)
            ink = rgba[(static_cast<std::size_t>(y) * width + x) * 4] > 160;
        if (ink && !inLine) ++lines;
        inLine = ink;
    }
    return lines;
}

// A text that just fits a line at one scale may need two at another: the picker sheet's info
// texts are drawn whole at the scales that offer the resolution choice.
using ResolutionSheetFit = ScreenFit;

TEST_P(ResolutionSheetFit, InfoTextsShowEveryLine) {
    const float scale = GetParam();
    core->setMainScreenScale(scale);
    core->updateContentsScaleIndex();
    core->startToolsView();
    settle();
    ASSERT_TRUE(driver->tapButton("Settings"));
    ASSERT_TRUE(driver->tapOutlet("resolutionBtn"));
    settle();
    ASSERT_EQ(screen(), "select");
    platform::ui::WindowRenderer renderer(gl, scale);
    const int expectedLines[] = {1, 2, 3, 3};
    for (int row = 0; row < 4; ++row) {
        turnSheetTo(row);
        auto info = std::dynamic_pointer_cast<platform::ui::TextView>(driver->outlet("itemInfoTextView"));
        ASSERT_NE(info, nullptr);
        ASSERT_TRUE(renderer.render(*core->window()));
        int w = 0, h = 0;
        const auto rgba = renderer.readPixels(w, h);
        EXPECT_EQ(inkLines(rgba, w, scale, rectInWindow(*info)), expectedLines[row]) << info->text();
        EXPECT_EQ(windowMisfits(), "") << info->text();
    }
}

INSTANTIATE_TEST_SUITE_P(Scales, ScreenFit, testing::Values(1.0f, 1.5f, 2.0f));
INSTANTIATE_TEST_SUITE_P(Scales, ResolutionSheetFit, testing::Values(1.5f, 2.0f));

}  // namespace
}  // namespace tikoleap::test
