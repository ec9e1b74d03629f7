// Text laid out with Pango and rendered to alpha coverage: the box, alignment, wrapping, font
// mapping and hostile input.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/text/TextRasterizer.h"

using platform::Size;
using platform::TextRasterizer;
using platform::TextStyle;

namespace {

struct Ink {
    int minX = 1 << 30, maxX = -1, minY = 1 << 30, maxY = -1;
    int count = 0;
    bool any() const { return count > 0; }
};

Ink inkOf(const std::vector<std::uint8_t>& a8, int width, int height) {
    Ink ink;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (a8[static_cast<size_t>(y) * width + x] > 64) {
                ink.minX = std::min(ink.minX, x);
                ink.maxX = std::max(ink.maxX, x);
                ink.minY = std::min(ink.minY, y);
                ink.maxY = std::max(ink.maxY, y);
                ++ink.count;
            }
        }
    }
    return ink;
}

TextStyle style(int alignment, float size = 20) {
    TextStyle s;
    s.fontName = "Arial";
    s.fontSizePixels = size;
    s.alignment = alignment;
    return s;
}

}  // namespace

TEST(TextRasterizer, ArialAndHelveticaUseTheMetricCompatibleFamily) {
    EXPECT_EQ(TextRasterizer::familyFor("Arial"), "Liberation Sans");
    EXPECT_EQ(TextRasterizer::familyFor("Arial-BoldMT"), "Liberation Sans");
    EXPECT_EQ(TextRasterizer::familyFor("Helvetica-Bold"), "Liberation Sans");
    EXPECT_EQ(TextRasterizer::familyFor(""), "Liberation Sans");
    EXPECT_EQ(TextRasterizer::familyFor("DejaVu Serif"), "DejaVu Serif");
}

TEST(TextRasterizer, InkStaysInsideTheBoxStartingAtTheTopLeft) {
    auto& r = TextRasterizer::forThisThread();
    // The box is smaller than the buffer, as for a texture rounded up to powers of two.
    const auto a8 = r.render("Score 12345 and more words", 256, 64, Size{100, 30}, style(0));
    ASSERT_EQ(a8.size(), 256u * 64u);
    const Ink ink = inkOf(a8, 256, 64);
    ASSERT_TRUE(ink.any());
    EXPECT_LT(ink.minX, 4);
    EXPECT_LT(ink.minY, 8);
    EXPECT_LT(ink.maxX, 100);
    EXPECT_LT(ink.maxY, 30);
}

TEST(TextRasterizer, AlignmentShiftsTheInkLeftCentreRight) {
    auto& r = TextRasterizer::forThisThread();
    const Ink left = inkOf(r.render("Hi", 128, 32, Size{128, 32}, style(0)), 128, 32);
    const Ink centre = inkOf(r.render("Hi", 128, 32, Size{128, 32}, style(1)), 128, 32);
    const Ink right = inkOf(r.render("Hi", 128, 32, Size{128, 32}, style(2)), 128, 32);
    ASSERT_TRUE(left.any() && centre.any() && right.any());
    EXPECT_LT(left.minX, 5);
    EXPECT_GT(right.maxX, 120);
    EXPECT_NEAR((centre.minX + centre.maxX) / 2.0, 64.0, 4.0);
    EXPECT_LT(left.minX, centre.minX);
    EXPECT_LT(centre.minX, right.minX);
    // Same glyphs, just moved.
    EXPECT_EQ(left.maxX - left.minX, right.maxX - right.minX);
    // Anything not 1 or 2 is left aligned.
    EXPECT_EQ(inkOf(r.render("Hi", 128, 32, Size{128, 32}, style(7)), 128, 32).minX, left.minX);
}

TEST(TextRasterizer, WordsWrapWithinTheWidthAndMeasureFollows) {
    auto& r = TextRasterizer::forThisThread();
    const std::string text = "one two three four five six";
    const Ink wide = inkOf(r.render(text, 512, 128, Size{512, 128}, style(0)), 512, 128);
    const Ink narrow = inkOf(r.render(text, 512, 128, Size{80, 128}, style(0)), 512, 128);
    EXPECT_LT(narrow.maxX, 80);
    EXPECT_GT(narrow.maxY, wide.maxY + 20) << "more lines";

    const Size oneLine = r.measure(text, 0, style(0));
    const Size wrapped = r.measure(text, 80, style(0));
    EXPECT_GT(oneLine.width, 150);
    EXPECT_LE(wrapped.width, 80);
    EXPECT_GE(wrapped.height, oneLine.height * 3);
    // A single word wider than the box breaks between letters instead of overflowing it.
    const Ink longWord = inkOf(r.render("Supercalifragilistic", 128, 128, Size{60, 128}, style(0)), 128, 128);
    EXPECT_LT(longWord.maxX, 60);
}

TEST(TextRasterizer, FontSizeScalesTheText) {
    auto& r = TextRasterizer::forThisThread();
    const Size small = r.measure("Tiko", 0, style(0, 12));
    const Size big = r.measure("Tiko", 0, style(0, 36));
    EXPECT_NEAR(big.height / small.height, 3.0, 0.35);
    EXPECT_NEAR(big.width / small.width, 3.0, 0.35);
}

TEST(TextRasterizer, EmptyHostileAndDegenerateInputsAreSafe) {
    auto& r = TextRasterizer::forThisThread();
    EXPECT_TRUE(r.render("x", 0, 10, Size{10, 10}, style(0)).empty());
    const auto blank = r.render("", 16, 8, Size{16, 8}, style(0));
    EXPECT_EQ(blank, std::vector<std::uint8_t>(16 * 8, 0));
    EXPECT_FALSE(inkOf(r.render("x", 16, 8, Size{0, 8}, style(0)), 16, 8).any());
    EXPECT_EQ(r.measure("", 100, style(0)), (Size{0, 0}));

    // Invalid UTF-8 is repaired and drawn, not trusted.
    const std::string broken = "ok\xff\xfe\xc3(";
    EXPECT_TRUE(inkOf(r.render(broken, 64, 32, Size{64, 32}, style(0)), 64, 32).any());
    // Absurd font sizes are clamped rather than handed to the shaper.
    TextStyle silly = style(0, -5);
    EXPECT_NO_THROW(r.render("x", 16, 16, Size{16, 16}, silly));
    silly.fontSizePixels = 1e30f;
    EXPECT_NO_THROW(r.measure("x", 16, silly));
}
