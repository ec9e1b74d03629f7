// Texture2D on the real headless GL: sizes and coordinates, pixel formats, what lands where on
// screen when drawn, and strings.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <stdexcept>

#include "appbase/Texture2D.h"
#include "support/GLTestContext.h"

using platform::Image;
using platform::Point;
using platform::Rect;
using platform::Size;
using Pixel = std::array<std::uint8_t, 4>;

namespace {

Image solid(int w, int h, Image::Content content, std::array<std::uint8_t, 4> value = {255, 255, 255, 255}) {
    Image image;
    image.width = w;
    image.height = h;
    image.content = content;
    const int bpp = Image::bytesPerPixel(content);
    image.pixels.resize(static_cast<size_t>(w) * h * bpp);
    for (size_t i = 0; i < image.pixels.size(); i += bpp) {
        for (int c = 0; c < bpp; ++c) image.pixels[i + c] = value[c];
    }
    return image;
}

void setPixel(Image& image, int x, int y, std::array<std::uint8_t, 4> value) {
    std::copy(value.begin(), value.end(),
              image.pixels.begin() + (static_cast<size_t>(y) * image.width + x) * 4);
}

constexpr Pixel kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255},
    kWhite{255, 255, 255, 255}, kBlack{0, 0, 0, 255};

class TextureTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(gl_.ok()) << gl_.error(); }
    GLTestContext gl_{16, 16};
};

}  // namespace

TEST_F(TextureTest, ImageSizesRoundUpToPowersOfTwoWithContentCoordinates) {
    auto t = Texture2D::initWithImage(solid(480, 320, Image::Content::RGBAPremultiplied), 1.0f);
    ASSERT_TRUE(t);
    EXPECT_NE(t->name(), 0u);
    EXPECT_EQ(t->pixelsWide(), 512u);
    EXPECT_EQ(t->pixelsHigh(), 512u);
    EXPECT_FLOAT_EQ(t->maxS(), 0.9375f);
    EXPECT_FLOAT_EQ(t->maxT(), 0.625f);
    EXPECT_EQ(t->contentSize(), (Size{480, 320}));

    // Content size is in points: pixels over the contents scale.
    auto retina = Texture2D::initWithImage(solid(480, 320, Image::Content::RGBAPremultiplied), 2.0f);
    EXPECT_EQ(retina->contentSize(), (Size{240, 160}));
    EXPECT_FLOAT_EQ(retina->contentsScale(), 2.0f);

    auto tiny = Texture2D::initWithImage(solid(1, 3, Image::Content::RGB), 1.0f);
    EXPECT_EQ(tiny->pixelsWide(), 1u);
    EXPECT_EQ(tiny->pixelsHigh(), 4u);

    // A scale of zero would make every size infinite; it counts as 1.
    auto noScale = Texture2D::initWithImage(solid(4, 4, Image::Content::RGB), 0.0f);
    EXPECT_EQ(noScale->contentSize(), (Size{4, 4}));
}

TEST_F(TextureTest, ImagesBeyondTheLargestSideAreHalvedWithTheirContent) {
    auto t = Texture2D::initWithImage(solid(2048, 100, Image::Content::RGBAPremultiplied), 1.0f);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->pixelsWide(), 1024u);
    EXPECT_EQ(t->pixelsHigh(), 64u);
    EXPECT_EQ(t->contentSize(), (Size{1024, 50}));
    EXPECT_FLOAT_EQ(t->maxS(), 1.0f);
    EXPECT_FLOAT_EQ(t->maxT(), 50.0f / 64.0f);

    // A very long thin strip keeps a side of 1 instead of collapsing to nothing.
    auto strip = Texture2D::initWithImage(solid(4096, 1, Image::Content::RGB), 1.0f);
    EXPECT_EQ(strip->pixelsWide(), 1024u);
    EXPECT_EQ(strip->pixelsHigh(), 1u);
}

TEST_F(TextureTest, HalvingAveragesThePixelsItMerges) {
    // Columns alternate black and white: halved once they become mid grey.
    Image image = solid(2048, 2, Image::Content::RGBAPremultiplied, kBlack);
    for (int y = 0; y < 2; ++y) {
        for (int x = 1; x < 2048; x += 2) setPixel(image, x, y, kWhite);
    }
    auto t = Texture2D::initWithImage(image, 1.0f);
    t->setNearestFilter();
    t->drawFromRect(Rect(0, 0, 16, 1), Rect(0, 0, 16, 16));
    const Pixel p = gl_.pixel(5, 5);
    EXPECT_NEAR(p[0], 128, 1);
    EXPECT_NEAR(p[1], 128, 1);
}

TEST_F(TextureTest, FormatFollowsWhatTheBitmapHolds) {
    EXPECT_EQ(Texture2D::initWithImage(solid(2, 2, Image::Content::RGBAPremultiplied), 1)->pixelFormat(),
              Texture2D::kRGBA8888);
    EXPECT_EQ(Texture2D::initWithImage(solid(2, 2, Image::Content::RGB), 1)->pixelFormat(),
              Texture2D::kRGB565);
    EXPECT_EQ(Texture2D::initWithImage(solid(2, 2, Image::Content::AlphaOnly), 1)->pixelFormat(),
              Texture2D::kA8);
}

TEST_F(TextureTest, AnImageWithoutBitmapIsRefusedWithAMessage) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(Texture2D::initWithImage(Image{}, 1.0f), nullptr);
    Image lying = solid(4, 4, Image::Content::RGB);
    lying.pixels.resize(3);  // claims 4x4 but holds less
    EXPECT_EQ(Texture2D::initWithImage(lying, 1.0f), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Image is Null\nImage is Null\n");
}

TEST_F(TextureTest, UnknownPixelFormatThrowsAndLeavesBindingAlone) {
    const std::uint8_t pixel[4] = {};
    EXPECT_THROW(Texture2D(pixel, 4, 1, 1, Size{1, 1}, 1.0f), std::logic_error);
    EXPECT_THROW(Texture2D(pixel, 0, 1, 1, Size{1, 1}, 1.0f), std::logic_error);

    GLuint other = 0;
    glGenTextures(1, &other);
    glBindTexture(GL_TEXTURE_2D, other);
    Texture2D made(pixel, Texture2D::kRGBA8888, 1, 1, Size{1, 1}, 1.0f);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), other) << "the previous binding is restored";
    glDeleteTextures(1, &other);
}

TEST_F(TextureTest, DestroyingDeletesTheGLTexture) {
    auto t = Texture2D::initWithImage(solid(2, 2, Image::Content::RGB), 1);
    const GLuint name = t->name();
    EXPECT_TRUE(glIsTexture(name));
    t.reset();
    EXPECT_FALSE(glIsTexture(name));
}

TEST_F(TextureTest, RGB565KeepsTheTopBitsWithRedHighest) {
    // 0x07 has no bits in red's top five; 0xF8 fills blue's.
    Image image = solid(1, 1, Image::Content::RGB, {0x07, 0xFF, 0xF8, 255});
    auto t = Texture2D::initWithImage(image, 1);
    t->drawInRect(Rect(0, 0, 16, 16));
    EXPECT_EQ(gl_.pixel(8, 8), (Pixel{0, 255, 255, 255}));

    auto red = Texture2D::initWithImage(solid(1, 1, Image::Content::RGB, kRed), 1);
    red->drawInRect(Rect(0, 0, 16, 16));
    EXPECT_EQ(gl_.pixel(8, 8), kRed);

    // 128 keeps 6 green bits: 32/63 of full.
    auto grey = Texture2D::initWithImage(solid(1, 1, Image::Content::RGB, {128, 128, 128, 255}), 1);
    grey->drawInRect(Rect(0, 0, 16, 16));
    const Pixel g = gl_.pixel(8, 8);
    EXPECT_NEAR(g[0], 132, 1);  // 16/31
    EXPECT_NEAR(g[1], 130, 1);  // 32/63
}

TEST_F(TextureTest, NarrowAlphaAndRGB565RowsUploadWithoutPadding) {
    // One pixel wide: each row is 1 (A8) or 2 (565) bytes, not 4.
    Image alpha = solid(1, 4, Image::Content::AlphaOnly);
    alpha.pixels = {255, 0, 255, 0};
    auto a = Texture2D::initWithImage(alpha, 1);
    a->setNearestFilter();
    a->drawInRect(Rect(0, 0, 16, 16));   // white times coverage over black
    EXPECT_EQ(gl_.pixel(4, 1)[0], 255);  // image row 0, top of screen
    EXPECT_EQ(gl_.pixel(4, 5)[0], 0);    // row 1
    EXPECT_EQ(gl_.pixel(4, 9)[0], 255);  // row 2
    EXPECT_EQ(gl_.pixel(4, 13)[0], 0);   // row 3

    Image rgb = solid(1, 2, Image::Content::RGB, kBlue);
    setPixel(rgb, 0, 1, kGreen);
    auto c = Texture2D::initWithImage(rgb, 1);
    c->setNearestFilter();
    c->drawInRect(Rect(0, 0, 16, 16));
    EXPECT_EQ(gl_.pixel(4, 3), kBlue);
    EXPECT_EQ(gl_.pixel(4, 12), kGreen);
}

TEST_F(TextureTest, DrawInRectPutsTheImageTopRowAtTheTopOfTheRect) {
    Image image = solid(2, 2, Image::Content::RGBAPremultiplied, kBlue);
    setPixel(image, 0, 0, kRed);
    setPixel(image, 1, 0, kRed);
    auto t = Texture2D::initWithImage(image, 1);
    t->setNearestFilter();
    // Lower-left quarter of the target in y-up units: screen rows 8..15 from the top.
    t->drawInRect(Rect(0, 0, 8, 8));
    EXPECT_EQ(gl_.pixel(3, 9), kRed);
    EXPECT_EQ(gl_.pixel(3, 14), kBlue);
    EXPECT_EQ(gl_.pixel(3, 4), kBlack) << "nothing above the rect";
    EXPECT_EQ(gl_.pixel(12, 12), kBlack) << "nothing right of the rect";
}

TEST_F(TextureTest, DrawAtPointCentresTheContent) {
    auto t = Texture2D::initWithImage(solid(4, 2, Image::Content::RGBAPremultiplied, kGreen), 1);
    t->drawAtPoint(Point{8, 8});  // covers x 6..10, y 7..9 (y up) = screen rows 7..8
    EXPECT_EQ(gl_.pixel(6, 7), kGreen);
    EXPECT_EQ(gl_.pixel(9, 8), kGreen);
    EXPECT_EQ(gl_.pixel(5, 7), kBlack);
    EXPECT_EQ(gl_.pixel(10, 7), kBlack);
    EXPECT_EQ(gl_.pixel(7, 6), kBlack);
    EXPECT_EQ(gl_.pixel(7, 9), kBlack);
}

TEST_F(TextureTest, DrawFromRectTakesTheSourceFromTheImageTopLeftInPoints) {
    // Quadrants: top-left red, top-right green, bottom-left blue, bottom-right white; at scale 2
    // the 4x4 pixels are 2x2 points.
    Image image = solid(4, 4, Image::Content::RGBAPremultiplied, kWhite);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            if (y < 2) setPixel(image, x, y, x < 2 ? kRed : kGreen);
            if (y >= 2 && x < 2) setPixel(image, x, y, kBlue);
        }
    }
    auto t = Texture2D::initWithImage(image, 2.0f);
    ASSERT_EQ(t->contentSize(), (Size{2, 2}));
    t->setNearestFilter();
    t->drawFromRect(Rect(1, 0, 1, 1), Rect(0, 0, 16, 16));
    EXPECT_EQ(gl_.pixel(1, 1), kGreen);
    EXPECT_EQ(gl_.pixel(14, 14), kGreen);
    t->drawFromRect(Rect(0, 1, 1, 1), Rect(0, 0, 16, 16));
    EXPECT_EQ(gl_.pixel(8, 8), kBlue);
    // Source top half into the whole target: red over green left to right, nothing of the bottom.
    t->drawFromRect(Rect(0, 0, 2, 1), Rect(0, 0, 16, 16));
    EXPECT_EQ(gl_.pixel(2, 2), kRed);
    EXPECT_EQ(gl_.pixel(13, 13), kGreen);
}

TEST_F(TextureTest, EdgeMarginKeepsSamplingInsideTheContent) {
    // 3 opaque red pixels in a 4-wide texture whose 4th texel is transparent padding.
    GLTestContext wide(60, 4);  // its own context: the texture is made in it
    ASSERT_TRUE(wide.ok());
    auto t = Texture2D::initWithImage(solid(3, 1, Image::Content::RGBAPremultiplied, kRed), 1);
    t->drawInRect(Rect(0, 0, 60, 4));
    EXPECT_LT(wide.pixel(59, 2)[0], 200) << "without a margin the padding bleeds in";

    wide.clear(0, 0, 0, 1);
    t->setEdgeMarginH(0.5f / static_cast<float>(t->pixelsWide()));
    t->setEdgeMarginV(0.5f / static_cast<float>(t->pixelsHigh()));
    EXPECT_FLOAT_EQ(t->edgeMarginH(), 0.125f);
    t->drawInRect(Rect(0, 0, 60, 4));
    EXPECT_EQ(wide.pixel(59, 2), kRed);
    EXPECT_EQ(wide.pixel(0, 2), kRed);
}

TEST_F(TextureTest, NearestFilterAndDescription) {
    auto t = Texture2D::initWithImage(solid(480, 320, Image::Content::RGB), 1);
    GLint filter = 0;
    glBindTexture(GL_TEXTURE_2D, t->name());
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR);
    t->setNearestFilter();
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &filter);
    EXPECT_EQ(filter, GL_CLAMP_TO_EDGE);

    const std::regex shape("<Texture2D = [0-9A-F]{8,} \\| Name = " + std::to_string(t->name()) +
                           " \\| Dimensions = 512x512 \\| Coordinates = \\(0\\.94, 0\\.62\\)>");
    EXPECT_TRUE(std::regex_match(t->description(), shape)) << t->description();
}

TEST_F(TextureTest, StringsBecomeAlphaTexturesOfTheBox) {
    auto t = Texture2D::initWithString("Hi", Size{100, 30}, 0, "Arial", 20, 2.0f);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->pixelFormat(), Texture2D::kA8);
    EXPECT_EQ(t->pixelsWide(), 128u);
    EXPECT_EQ(t->pixelsHigh(), 32u);
    EXPECT_EQ(t->contentSize(), (Size{50, 15}));
    EXPECT_FLOAT_EQ(t->maxS(), 100.0f / 128.0f);
    EXPECT_FLOAT_EQ(t->maxT(), 30.0f / 32.0f);

    testing::internal::CaptureStderr();
    EXPECT_EQ(Texture2D::initWithString("x", Size{0, 30}, 0, "Arial", 20, 1), nullptr);
    EXPECT_EQ(Texture2D::initWithString("x", Size{30, -1}, 0, "Arial", 20, 1), nullptr);
    EXPECT_EQ(Texture2D::initWithString("x", Size{NAN, 30}, 0, "Arial", 20, 1), nullptr);
    EXPECT_EQ(Texture2D::initWithString("x", Size{1e9f, 30}, 0, "Arial", 20, 1), nullptr);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no text texture"), std::string::npos);
}

TEST(TextureString, GlyphInkSitsInTheBoxAtTheAlignmentAskedFor) {
    GLTestContext gl(128, 32);
    ASSERT_TRUE(gl.ok()) << gl.error();
    struct Ink {
        int minX = 1000, maxX = -1, maxY = -1;
    };
    auto inkFor = [&](int alignment) {
        gl.clear(0, 0, 0, 1);
        auto t = Texture2D::initWithString("Go", Size{96, 24}, alignment, "Arial", 18, 1.0f);
        EXPECT_TRUE(t);
        t->drawInRect(Rect(0, 32 - 24, 96, 24));  // box at the top-left of the target
        const auto pixels = gl.readPixels();
        Ink ink;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 128; ++x) {
                if (pixels[(static_cast<size_t>(y) * 128 + x) * 4] > 100) {
                    ink.minX = std::min(ink.minX, x);
                    ink.maxX = std::max(ink.maxX, x);
                    ink.maxY = std::max(ink.maxY, y);
                }
            }
        }
        return ink;
    };
    const Ink left = inkFor(0), centre = inkFor(1), right = inkFor(2);
    ASSERT_GE(left.maxX, 0) << "the text left ink";
    EXPECT_LT(left.maxY, 24);
    EXPECT_LT(right.maxX, 96);
    EXPECT_LT(left.minX, 4);
    EXPECT_GT(right.maxX, 88);
    EXPECT_NEAR((centre.minX + centre.maxX) / 2.0, 48.0, 4.0);
}
