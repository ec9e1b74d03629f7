#pragma once
// Helpers the level tests share: a scripted generator, actor and sound counts, plain textures,
// recording text labels, a whole game of a shooting level, and the fixture level tests build on.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "appbase/GameSceneBase.h"
#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTRandom.h"
#include "appbase/JTTextLabel.h"
#include "appbase/Texture2D.h"
#include "core/JTArrayList.h"
#include "core/Utf16.h"
#include "levels/TaskBase.h"
#include "levels/VerticalLevel.h"
#include "support/GLTestContext.h"
#include "support/LevelDriver.h"
#include "support/LevelPlayers.h"

namespace leveltest {

using testsupport::aheadTilt;
using testsupport::climbTilt;

// A generator that hands out queued values (0 once the queue is empty) and counts the draws.
class ScriptedRandom : public JTAppBase::JTRandom {
  public:
    uint32_t next31() override {
        ++draws;
        if (queue.empty()) return 0;
        const uint32_t v = queue.front();
        queue.pop_front();
        return v;
    }
    std::deque<uint32_t> queue;
    int draws = 0;
};

// How many actors of a pool are active.
inline int activeCount(const JTCore::Ref<JTCore::JTArrayList>& pool) {
    int n = 0;
    for (int i = 0; i < pool->size(); ++i) n += pool->getAs<JTApp::TaskBase>(i)->isActive() ? 1 : 0;
    return n;
}

// How often sound `n` was played.
inline int count(const std::vector<int>& sounds, int n) {
    return static_cast<int>(std::count(sounds.begin(), sounds.end(), n));
}

// A `size` x `size` texture of one opaque colour.
inline std::unique_ptr<Texture2D> solidTexture(uint8_t r, uint8_t g, uint8_t b, int size = 8) {
    std::vector<uint8_t> pixels;
    for (int i = 0; i < size * size; ++i) pixels.insert(pixels.end(), {r, g, b, 255});
    return std::make_unique<Texture2D>(pixels.data(), Texture2D::kRGBA8888, size, size,
                                       platform::Size{static_cast<float>(size), static_cast<float>(size)},
                                       1.0f);
}

// Pixels in the box [x0, x1) x [y0, y1) (y from the top) whose red and green are both bright:
// white or yellow text on the black a test clears to.
inline int brightPixels(GLTestContext& gl, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const auto p = gl.pixel(x, y);
            if (p[0] > 160 && p[1] > 160) ++n;
        }
    }
    return n;
}

// Where the background's rows of tiles fall on screen with the view scrolled to `scroll`: the
// level is drawn over black with a solid 8 x 8 background tile, and the tops of the tile runs
// down the column x (y from the top) are returned. Both tile columns (x and x + 160) must agree.
template <class Level>  // a probed level that opens setScroll
std::vector<int> backgroundRows(GLTestContext& gl, testsupport::LevelDriver& driver, Level& level, int scroll,
                                int x = 2) {
    auto tile = solidTexture(0, 0, 255);
    driver.core.textures[14] = tile.get();
    level.setScroll(scroll);
    gl.clear(0, 0, 0, 1);
    driver.render(level);
    driver.core.textures[14] = nullptr;
    std::vector<int> rows;
    bool inTile = false;
    for (int y = 0; y < 480; ++y) {
        const bool blue = gl.pixel(x, y) == std::array<uint8_t, 4>{0, 0, 255, 255};
        EXPECT_EQ(blue, gl.pixel(x + 160, y) == (std::array<uint8_t, 4>{0, 0, 255, 255})) << "row " << y;
        if (blue && !inTile) rows.push_back(y);
        inTile = blue;
    }
    return rows;
}

// A text label that keeps every text it is given.
class RecordingLabel : public JTAppBase::JTTextLabel {
  public:
    using JTTextLabel::JTTextLabel;
    void setText(const JTCore::Ref<JTCore::JTString>& text) override {
        texts.push_back(text ? JTCore::utf16ToUtf8(text->utf16()) : "");
        JTTextLabel::setText(text);
    }
    std::vector<std::string> texts;
};

// A context whose text labels record their texts, kept in the order they were made.
class RecordingContext : public JTAppBase::JTAppContext {
  public:
    JTCore::Ref<JTAppBase::JTTextLabel> createTextLabelFor(
        const JTCore::Ref<JTAppBase::JTCanvas>& canvas) override {
        auto label = JTCore::makeRef<RecordingLabel>(canvas.get());
        labels.push_back(label);
        return label;
    }
    std::vector<JTCore::Ref<RecordingLabel>> labels;
};

// How a whole game of a shooting level went.
struct ShootingGame {
    int score = 0;
    int ticks = 0;  // played until the end
    std::vector<int> sounds;
    std::vector<int> gameOvers;
};

// Plays `level` until it is 400 ticks into its game-over (60000 ticks at most), tapping beside the
// hero, on alternating sides, every 97 ticks. Tick t is played at tilt `tiltAt(t)`; `afterTick(t)`
// is called after each.
template <class Level, class Tilt, class AfterTick>
ShootingGame playShootingGame(testsupport::LevelDriver& d, Level& level, Tilt tiltAt, AfterTick afterTick) {
    int t = 0;
    for (; t < 60000 &&
           !(level.getState() == JTApp::GameSceneBase::kStateGameOver && level.getStateTicks() > 400);
         ++t) {
        if (t % 97 == 0) d.touch(t % 194 == 0 ? 10.0f : 310.0f, 100);
        if (t % 97 == 5) d.release();
        d.tick(level, tiltAt(t));
        afterTick(t);
    }
    return ShootingGame{level.getScore(), t, d.core.sounds, d.view.gameOvers};
}

// A GL context, a driver with `Level`'s id current and a fresh `Level` on it.
template <class Level>
struct LevelTest : testing::Test {
    LevelTest(uint64_t seed, int levelId, const std::string& name) : driver{seed, levelId, name} {}

    // Past the 150-tick intro.
    void play() {
        driver.run(*level, 150);
        ASSERT_EQ(level->getState(), JTApp::GameSceneBase::kStatePlaying);
    }

    GLTestContext gl{320, 480};
    testsupport::LevelDriver driver;
    JTCore::Ref<Level> level = JTCore::makeRef<Level>(driver.context());
};

}  // namespace leveltest
