#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "appbase/JTMath.h"
#include "appbase/JTRandom.h"

using namespace JTAppBase;

namespace {

// Hands out chosen 31-bit values, so the mapping of each helper can be checked exactly.
class ScriptedRandom : public JTRandom {
  public:
    explicit ScriptedRandom(std::vector<uint32_t> values) : values_(std::move(values)) {}
    uint32_t next31() override { return values_[next_++ % values_.size()]; }

  private:
    std::vector<uint32_t> values_;
    size_t next_ = 0;
};

// Installs a generator for one test and puts the previous one back.
class ScopedGenerator {
  public:
    explicit ScopedGenerator(std::shared_ptr<JTRandom> g) : previous_(JTRandom::setCurrent(std::move(g))) {}
    ~ScopedGenerator() { JTRandom::setCurrent(previous_); }

  private:
    std::shared_ptr<JTRandom> previous_;
};

constexpr uint32_t kTop = 0x7FFFFFFF;

}  // namespace

TEST(ScaleByRatio, KeepsTheIntegerFormulaAndSurvivesZeroAndHugeValues) {
    EXPECT_EQ(scaleByRatio(100, 8192, 0), 100);
    EXPECT_EQ(scaleByRatio(100, 8192, 8192), 50);
    EXPECT_EQ(scaleByRatio(7, 3, 2), 4);    // 21 / 5, toward zero
    EXPECT_EQ(scaleByRatio(-7, 3, 2), -4);  // -21 / 5, toward zero
    EXPECT_EQ(scaleByRatio(5, 3, -3), 0);   // zero divisor: no division
    EXPECT_EQ(scaleByRatio(5, 0, 0), 0);
    // 100000 x 100000 overflows 32 bits; in 64 bits the quotient is exact.
    EXPECT_EQ(scaleByRatio(100000, 100000, 100000), 50000);
    const int max = std::numeric_limits<int>::max();
    const int min = std::numeric_limits<int>::min();
    EXPECT_EQ(scaleByRatio(max, max, 0), max);
    EXPECT_EQ(scaleByRatio(max, max, max), max / 2);  // b + c itself overflows 32 bits
    EXPECT_EQ(scaleByRatio(max, max, 1 - max), max);  // quotient beyond int saturates
    EXPECT_EQ(scaleByRatio(min, max, 1 - max), min);
    EXPECT_EQ(scaleByRatio(min, 1, 0), min);
}

TEST(ScaleByRatio, FloatVersionAndItsZeroDivisor) {
    EXPECT_FLOAT_EQ(scaleByRatioF(100.0f, 8192.0f, 8192.0f), 50.0f);
    EXPECT_FLOAT_EQ(scaleByRatioF(3.0f, 1.0f, 2.0f), 1.0f);
    EXPECT_EQ(scaleByRatioF(3.0f, 1.0f, -1.0f), 0.0f);
}

TEST(RandomHelpers, MapThirtyOneBitValuesAsSpecifiedAtTheEnds) {
    ScopedGenerator g(std::make_shared<ScriptedRandom>(std::vector<uint32_t>{0, kTop, 1u << 30}));
    EXPECT_EQ(randomInt(16), 0);
    EXPECT_EQ(randomInt(16), 15);
    EXPECT_EQ(randomInt(16), 8);
    EXPECT_EQ(randomRange(27, 613), 27);
    EXPECT_EQ(randomRange(27, 613), 612);
    EXPECT_EQ(randomRange(27, 613), 27 + 293);
    EXPECT_EQ(randomFloat(), 0.0f);
    const float top = randomFloat();
    EXPECT_LT(top, 1.0f);
    EXPECT_EQ(top, std::nextafter(1.0f, 0.0f));
    EXPECT_EQ(randomFloat(), 0.5f);
    // Negative n and reversed ranges truncate toward zero like the formula says.
    EXPECT_EQ(randomInt(-16), 0);
    EXPECT_EQ(randomInt(-16), -15);
}

TEST(RandomHelpers, FullIntRangeDoesNotOverflow) {
    ScopedGenerator g(std::make_shared<ScriptedRandom>(std::vector<uint32_t>{0, kTop}));
    const int min = std::numeric_limits<int>::min();
    const int max = std::numeric_limits<int>::max();
    EXPECT_EQ(randomRange(min, max), min);
    const int high = randomRange(min, max);
    EXPECT_LT(high, max);
    EXPECT_GT(high, max - 4);
}

TEST(RandomHelpers, DrawsStayInRangeAndHitEveryValueEvenly) {
    ScopedGenerator g(std::make_shared<JTRandom>(12345));
    int zeros = 0;
    std::vector<int> seen(613, 0);
    const int draws = 160000;
    for (int i = 0; i < draws; ++i) {
        const int r = randomRange(27, 613);
        ASSERT_GE(r, 27);
        ASSERT_LT(r, 613);
        ++seen[r];
        const int n = randomInt(16);
        ASSERT_GE(n, 0);
        ASSERT_LT(n, 16);
        if (n == 0) ++zeros;
        const float f = randomFloat();
        ASSERT_GE(f, 0.0f);
        ASSERT_LT(f, 1.0f);
    }
    for (int v = 27; v < 613; ++v) EXPECT_GT(seen[v], 0) << v;
    // One in 16: 10000 expected; five standard deviations is about 480.
    EXPECT_NEAR(zeros, draws / 16, 500);
}

TEST(RandomGenerator, SameSeedSameSequenceAndDifferentSeedsDiffer) {
    JTRandom a(42), b(42), c(43);
    std::vector<uint32_t> sa, sb, sc;
    for (int i = 0; i < 100; ++i) {
        sa.push_back(a.next31());
        sb.push_back(b.next31());
        sc.push_back(c.next31());
        ASSERT_LT(sa.back(), 1u << 31);
    }
    EXPECT_EQ(sa, sb);
    EXPECT_NE(sa, sc);
    a.seed(42);
    EXPECT_EQ(a.next31(), sa[0]);
}

TEST(RandomGenerator, CurrentInstanceCanBeSeededAndReplaced) {
    JTRandom::current().seed(7);
    const int first = randomRange(27, 613);
    JTRandom::current().seed(7);
    EXPECT_EQ(randomRange(27, 613), first);

    auto mine = std::make_shared<ScriptedRandom>(std::vector<uint32_t>{kTop});
    const auto previous = JTRandom::setCurrent(mine);
    EXPECT_EQ(&JTRandom::current(), mine.get());
    EXPECT_EQ(randomInt(10), 9);
    EXPECT_EQ(JTRandom::setCurrent(previous), mine);
    EXPECT_NE(&JTRandom::current(), mine.get());
}

TEST(Clamps, IntAndFloat) {
    EXPECT_EQ(clampInt(-5, 0, 3), 0);
    EXPECT_EQ(clampInt(9, 0, 3), 3);
    EXPECT_EQ(clampInt(2, 0, 3), 2);
    EXPECT_EQ(clampFloat(-0.5f, 0.0f, 1.0f), 0.0f);
    EXPECT_EQ(clampFloat(1.5f, 0.0f, 1.0f), 1.0f);
    EXPECT_EQ(clampFloat(0.25f, 0.0f, 1.0f), 0.25f);
}

TEST(BitTests, InsideAndOutsideTheWord) {
    EXPECT_TRUE(isBitSet(4, 2));
    EXPECT_FALSE(isBitSet(4, 1));
    EXPECT_TRUE(isBitSet(-1, 31));
    EXPECT_FALSE(isBitSet(-1, 32));
    EXPECT_FALSE(isBitSet(-1, 1000));
    EXPECT_FALSE(isBitSet(-1, -1));
    EXPECT_TRUE(isBitSet(std::numeric_limits<int>::min(), 31));
}
