#include <gtest/gtest.h>

#include <memory>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTTextLabel.h"
#include "appbase/Texture2D.h"
#include "support/FakeShell.h"
#include "support/GLTestContext.h"

using namespace JTAppBase;
using JTCore::makeRef;
using JTCore::Ref;

namespace {

constexpr int kRed = 4;   // opaque, left half red, right half blue
constexpr int kMask = 5;  // alpha-only, fully covered
constexpr int kW = 16, kH = 8;

std::shared_ptr<Texture2D> twoColourTexture() {
    std::vector<uint8_t> px(kW * kH * 4);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            uint8_t* p = &px[(y * kW + x) * 4];
            p[0] = x < kW / 2 ? 255 : 0;
            p[2] = x < kW / 2 ? 0 : 255;
            p[3] = 255;
        }
    }
    return std::make_shared<Texture2D>(px.data(), Texture2D::kRGBA8888, kW, kH, platform::Size{kW, kH}, 1.0f);
}

std::shared_ptr<Texture2D> maskTexture() {
    std::vector<uint8_t> px(kW * kH, 255);
    return std::make_shared<Texture2D>(px.data(), Texture2D::kA8, kW, kH, platform::Size{kW, kH}, 1.0f);
}

struct CanvasFixture : testing::Test {
    void SetUp() override {
        ASSERT_TRUE(gl.ok()) << gl.error();
        red = twoColourTexture();
        mask = maskTexture();
        core.textures[kRed] = red.get();
        core.textures[kMask] = mask.get();
        context = makeRef<JTAppContext>();
        context->setAppCore(&core);
        context->setGameView(&view);
        canvas = context->getCanvas();
        canvas->setCanvasSize(320, 480);
        gl.clear(0, 0, 0, 1);
        canvas->beginRender();
    }
    // Pixel in canvas points (y downward): the test target is 320 x 480 pixels.
    std::array<uint8_t, 4> at(int x, int y) { return gl.pixel(x, y); }

    GLTestContext gl{320, 480};
    fakes::FakeAppCore core;
    fakes::FakeGameView view{&core};
    std::shared_ptr<Texture2D> red, mask;
    Ref<JTAppContext> context;
    Ref<JTCanvas> canvas;
};

bool isRed(std::array<uint8_t, 4> p) {
    return p[0] > 200 && p[1] < 50 && p[2] < 50;
}
bool isBlue(std::array<uint8_t, 4> p) {
    return p[2] > 200 && p[0] < 50 && p[1] < 50;
}
bool isBlack(std::array<uint8_t, 4> p) {
    return p[0] < 20 && p[1] < 20 && p[2] < 20;
}

}  // namespace

TEST_F(CanvasFixture, AnchorsPlaceImagesInCanvasPointsWithYDownward) {
    canvas->drawTexture(kRed, 100, 100, 0, 0);        // top-left corner at (100, 100)
    canvas->drawTexture(kRed, 200, 200, 0.5f, 0.5f);  // centred on (200, 200)

    EXPECT_TRUE(isRed(at(100, 100)));
    EXPECT_TRUE(isBlue(at(115, 107)));
    EXPECT_TRUE(isBlack(at(99, 100)));
    EXPECT_TRUE(isBlack(at(100, 99)));
    EXPECT_TRUE(isBlack(at(100, 108)));
    EXPECT_TRUE(isBlack(at(116, 107)));

    EXPECT_TRUE(isRed(at(192, 196)));
    EXPECT_TRUE(isBlue(at(207, 203)));
    EXPECT_TRUE(isBlack(at(191, 196)));
    EXPECT_TRUE(isBlack(at(192, 195)));
}

TEST_F(CanvasFixture, ScaledRotatedAndRegionDraws) {
    canvas->drawTextureScaled(kRed, 0, 0, 0, 0, 2, 2);  // 32 x 16
    EXPECT_TRUE(isRed(at(12, 15)));
    EXPECT_TRUE(isBlue(at(19, 15)));
    EXPECT_TRUE(isBlack(at(12, 16)));

    // Half a turn about the anchor point swaps the halves: blue on the left.
    canvas->drawTextureRotated(kRed, 100, 300, 0.5f, 0.5f, 1, 1, 3.14159265f);
    EXPECT_TRUE(isBlue(at(94, 300)));
    EXPECT_TRUE(isRed(at(105, 300)));

    // Only the blue half, stretched into a 20 x 10 box at (10, 400).
    canvas->drawTextureRegion(kRed, 8, 0, 8, 8, 10, 400, 20, 10);
    EXPECT_TRUE(isBlue(at(15, 400)));
    EXPECT_TRUE(isBlue(at(29, 409)));
    EXPECT_TRUE(isBlack(at(30, 409)));
    EXPECT_TRUE(isBlack(at(10, 410)));
}

TEST_F(CanvasFixture, BlendModes) {
    // Mode 2: an opaque texture under a half-transparent tint is premultiplied, so red over black
    // comes out at half brightness (not full red, which an unpremultiplied tint would give).
    canvas->setColor(0x80FFFFFF);
    canvas->drawTexture(kRed, 0, 0, 0, 0);
    auto p = at(2, 2);
    EXPECT_NEAR(p[0], 128, 3);
    EXPECT_LT(p[1], 5);

    // Mode 3 for an alpha-only texture: the tint colours the mask.
    canvas->setColor(0xFF00FF00);
    canvas->drawTexture(kMask, 50, 0, 0, 0);
    p = at(52, 2);
    EXPECT_LT(p[0], 5);
    EXPECT_GT(p[1], 250);

    // Mode 5: additive white turns any texture into a white shape.
    canvas->setAdditiveWhite();
    canvas->drawTexture(kRed, 100, 0, 0, 0);
    p = at(102, 2);
    EXPECT_GT(p[0], 250);
    EXPECT_GT(p[1], 250);
    EXPECT_GT(p[2], 250);

    // Untextured fill with a colour.
    canvas->setColor(0xFF0000FF);
    canvas->fillRect(200, 20, 10, 5);
    EXPECT_TRUE(isBlue(at(200, 20)));
    EXPECT_TRUE(isBlue(at(209, 24)));
    EXPECT_TRUE(isBlack(at(209, 25)));
    // The texture still draws after an untextured fill.
    canvas->resetColor();
    canvas->drawTexture(kRed, 250, 0, 0, 0);
    EXPECT_TRUE(isRed(at(252, 2)));
}

TEST_F(CanvasFixture, StateIsSentOnlyWhenItChanges) {
    canvas->setColor(0xFFFFFFFF);
    const int before = canvas->stateChanges();
    canvas->drawTexture(kRed, 0, 0, 0, 0);
    canvas->drawTexture(kRed, 20, 0, 0, 0);
    EXPECT_EQ(canvas->stateChanges(), before + 1);
    canvas->drawTexture(kMask, 40, 0, 0, 0);  // alpha-only: a different resolved mode
    EXPECT_EQ(canvas->stateChanges(), before + 2);
    canvas->beginRender();
    canvas->drawTexture(kMask, 40, 0, 0, 0);
    EXPECT_EQ(canvas->stateChanges(), before + 3);
    // A missing texture draws nothing and reads as size 0.
    EXPECT_EQ(canvas->getTextureWidth(17), 0);
    EXPECT_EQ(canvas->getTextureWidth(kRed), kW);
}

TEST_F(CanvasFixture, LineWidthFollowsTheContentsScale) {
    canvas->setColor(0xFFFF0000);
    canvas->drawLine(0, 100, 320, 100, 4);
    int thick = 0;
    for (int y = 90; y < 110; ++y) thick += isRed(at(160, y)) ? 1 : 0;
    EXPECT_EQ(thick, 4);

    core.scale = 2.0f;
    canvas->drawLine(0, 200, 320, 200, 3);
    thick = 0;
    for (int y = 190; y < 210; ++y) thick += isRed(at(160, y)) ? 1 : 0;
    EXPECT_EQ(thick, 6);
}

TEST_F(CanvasFixture, TouchesAreClampedAndFollowTheMode) {
    auto finger = std::make_shared<fakes::FakeTouch>(-5.0f, 600.0f);
    context->setCurrentTouch(finger);
    canvas->beginTick();
    EXPECT_TRUE(canvas->getTouch()->isTouching());
    EXPECT_EQ(canvas->getTouch()->getX(), 0.0f);
    EXPECT_EQ(canvas->getTouch()->getY(), 480.0f);
    context->setCurrentTouch(nullptr);
    canvas->beginTick();
    EXPECT_FALSE(canvas->getTouch()->isTouching());

    canvas->setMultiTouchEnabled(true);
    EXPECT_TRUE(view.multiTouch);
    context->activeTouches() = {std::make_shared<fakes::FakeTouch>(10.0f, 20.0f),
                                std::make_shared<fakes::FakeTouch>(400.0f, 30.0f)};
    canvas->beginTick();
    ASSERT_EQ(canvas->getTouches()->size(), 2);
    EXPECT_EQ(canvas->getTouches()->get(0).get(), canvas->getTouch().get());
    EXPECT_EQ(canvas->getTouches()->getAs<JTTouchInfo>(1)->getX(), 320.0f);
    context->activeTouches().pop_back();
    canvas->beginTick();
    EXPECT_EQ(canvas->getTouches()->size(), 1);
    canvas->setMultiTouchEnabled(false);
    EXPECT_EQ(canvas->getTouches()->size(), 0);
}

TEST_F(CanvasFixture, TextLabelInksInsideItsBoxAtItsAlignment) {
    auto inkColumns = [&](int top, int bottom) {
        std::pair<int, int> range{320, -1};
        for (int y = top; y < bottom; ++y) {
            for (int x = 0; x < 320; ++x) {
                if (at(x, y)[0] > 128) range = {std::min(range.first, x), std::max(range.second, x)};
            }
        }
        return range;
    };
    auto label = context->createTextLabel();
    for (int alignment : {0, 2}) {
        gl.clear(0, 0, 0, 1);
        canvas->beginRender();
        label->setStyle(0xFFFFFFFF, 24, alignment, 200, 32);
        label->setText(makeRef<JTCore::JTString>("Hi"));
        label->draw(60, 100, 0, 0);  // box x 60..260, y 100..132
        const auto ink = inkColumns(90, 140);
        ASSERT_GE(ink.second, 0) << "no glyph pixels";
        EXPECT_GE(ink.first, 60);
        EXPECT_LE(ink.second, 260);
        if (alignment == 0) {
            EXPECT_LT(ink.second, 120);
        } else {
            EXPECT_GT(ink.first, 200);
        }
        EXPECT_EQ(inkColumns(0, 99).second, -1) << "ink above the box";
        EXPECT_EQ(inkColumns(133, 200).second, -1) << "ink below the box";
    }
    label->setText(makeRef<JTCore::JTString>(""));
    EXPECT_FALSE(label->hasTexture());
}

TEST(TextLabelScale, FollowsTheContextsAppCoreBeforeAnyGameViewIsAttached) {
    GLTestContext gl{64, 64};
    ASSERT_TRUE(gl.ok()) << gl.error();
    fakes::FakeAppCore core;
    core.scale = 2.0f;
    auto context = makeRef<JTAppContext>();
    context->setAppCore(&core);  // no game view yet: the canvas has no app core of its own
    auto label = context->createTextLabel();
    label->setStyle(0xFFFFFFFF, 12, 1, 100, 20);
    label->setText(makeRef<JTCore::JTString>("Hi"));
    ASSERT_TRUE(label->hasTexture());
    EXPECT_EQ(label->texture()->contentsScale(), 2.0f);
    EXPECT_GE(label->texture()->pixelsWide(), 200u);
    EXPECT_GE(label->texture()->pixelsHigh(), 40u);
}
