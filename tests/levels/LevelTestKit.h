#pragma once
// Helpers the level tests share: a scripted generator, actor and sound counts, plain textures,
// recording text labels, players that steer by kind of platform, and the fixture level tests
// build on.
#include <gtest/gtest.h>

#include <algorithm>
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
#include "core/JTArrayList.h"
#include "core/Utf16.h"
#include "levels/TaskBase.h"
#include "levels/VerticalLevel.h"
#include "shell/Texture2D.h"
#include "support/GLTestContext.h"
#include "support/LevelDriver.h"

namespace leveltest {

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
                                       platform::Size(size, size), 1.0f);
}

// A player that keeps climbing: while rising toward the nearest platform up that the jump
// reaches, while falling onto the highest one below; only platforms whose kind `aimAt` accepts
// count.
template <class Kinds>
double climbTilt(const JTApp::VerticalLevel& level, Kinds aimAt) {
    const float y = level.getHeroY();
    const float vy = level.getHeroVy();
    const float rise = vy > 0 ? vy * (vy + 1.0f / 3) * 0.5f : 0.0f;
    int target = -1;
    float best = 0;
    for (int i = 0; i < JTApp::VerticalLevel::kPlatformSlots; ++i) {
        if (!aimAt(level.platformKind(i))) continue;
        const float top = static_cast<float>(level.platformY(i) + 32);
        const bool wanted = vy > 0 ? top > y + 1 && top < y + rise : top <= y;
        if (wanted && (target < 0 || (vy > 0 ? top < best : top > best))) {
            target = i;
            best = top;
        }
    }
    if (target < 0) return 0;
    return std::clamp((level.platformX(target) - level.getHeroX()) / 40.0, -1.0, 1.0);
}

// A player heading right: while rising, toward the nearest standing platform ahead that the jump
// still clears; while falling, onto the highest standing one below; full tilt right when none.
inline double aheadTilt(const JTApp::VerticalLevel& level) {
    const float x = level.getHeroX();
    const float y = level.getHeroY();
    const float vy = level.getHeroVy();
    const float rise = vy > 0 ? vy * (vy + 1.0f / 3) * 0.5f : 0.0f;
    int target = -1;
    for (int i = 0; i < JTApp::VerticalLevel::kPlatformSlots; ++i) {
        if (level.platformKind(i) != JTApp::VerticalLevel::kPlatform) continue;
        const float top = static_cast<float>(level.platformY(i) + 32);
        const bool wanted = vy > 0 ? level.platformX(i) > x + 20 && top < y + rise : top <= y;
        if (!wanted) continue;
        if (target < 0 || (vy > 0 ? level.platformX(i) < level.platformX(target)
                                  : level.platformY(i) > level.platformY(target))) {
            target = i;
        }
    }
    if (target < 0) return 1;
    return std::clamp((level.platformX(target) - x) / 40.0, -1.0, 1.0);
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
