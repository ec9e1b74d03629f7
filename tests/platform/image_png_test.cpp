// PNG files: round trips, the kinds of bitmap a decoded file yields, broken files, atomic writes.
#include <cairo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/image/PngCodec.h"
#include "support/PngHeaders.h"

namespace fs = std::filesystem;
using platform::Image;

namespace {

class PngFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("tikoleap-png-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        return names;
    }
    fs::path dir_;
};

std::vector<std::uint8_t> opaqueGradient(int w, int h) {
    std::vector<std::uint8_t> rgba(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = &rgba[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = static_cast<std::uint8_t>(x * 40);
            p[1] = static_cast<std::uint8_t>(y * 60);
            p[2] = static_cast<std::uint8_t>(255 - x * 10);
            p[3] = 255;
        }
    }
    return rgba;
}

}  // namespace

TEST_F(PngFiles, OpaquePixelsRoundTripExactlyTopRowFirst) {
    const auto rgba = opaqueGradient(5, 3);
    std::string error;
    ASSERT_TRUE(platform::writePng(path("a.png"), rgba.data(), 5, 3, &error)) << error;
    auto image = platform::loadPng(path("a.png"), &error);
    ASSERT_TRUE(image) << error;
    EXPECT_EQ(image->width, 5);
    EXPECT_EQ(image->height, 3);
    EXPECT_TRUE(image->hasBitmap());
    // All opaque: the file carries no alpha, so it reads back as colour only (unused byte 255).
    EXPECT_EQ(image->content, Image::Content::RGB);
    EXPECT_EQ(image->pixels, rgba);
}

TEST_F(PngFiles, TranslucentPixelsComeBackPremultiplied) {
    const std::vector<std::uint8_t> rgba = {200, 100, 50, 128, 255, 255, 255, 0};
    ASSERT_TRUE(platform::writePng(path("t.png"), rgba.data(), 2, 1));
    auto image = platform::loadPng(path("t.png"));
    ASSERT_TRUE(image);
    ASSERT_EQ(image->pixels.size(), 8u);
    EXPECT_NEAR(image->pixels[0], 100, 1);
    EXPECT_NEAR(image->pixels[1], 50, 1);
    EXPECT_NEAR(image->pixels[2], 25, 1);
    EXPECT_EQ(image->pixels[3], 128);
    // Fully transparent: no colour left.
    EXPECT_EQ((std::vector<std::uint8_t>(image->pixels.begin() + 4, image->pixels.end())),
              (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST_F(PngFiles, FileWithoutAlphaLoadsAsRGB) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 2, 2);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, 0, 1, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    ASSERT_EQ(cairo_surface_write_to_png(s, path("rgb.png").c_str()), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(s);

    auto image = platform::loadPng(path("rgb.png"));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->content, Image::Content::RGB);
    ASSERT_EQ(image->pixels.size(), 16u);
    EXPECT_EQ((std::vector<std::uint8_t>(image->pixels.begin(), image->pixels.begin() + 4)),
              (std::vector<std::uint8_t>{0, 255, 0, 255}));
}

TEST_F(PngFiles, BrokenOrMissingFilesGiveAReasonNotACrash) {
    const auto rgba = opaqueGradient(64, 64);
    ASSERT_TRUE(platform::writePng(path("whole.png"), rgba.data(), 64, 64));
    const auto size = fs::file_size(path("whole.png"));
    fs::copy_file(path("whole.png"), path("truncated.png"));
    fs::resize_file(path("truncated.png"), size / 2);
    fs::copy_file(path("whole.png"), path("header-only.png"));
    fs::resize_file(path("header-only.png"), 8);
    fs::copy_file(path("whole.png"), path("flipped.png"));
    {
        std::fstream flip(path("flipped.png"), std::ios::in | std::ios::out | std::ios::binary);
        flip.seekp(static_cast<std::streamoff>(size - 20));
        flip.put('\x5a');
    }
    std::ofstream(path("garbage.png")) << "this is not an image at all";
    std::ofstream(path("empty.png")).flush();
    fs::create_directory(path("folder.png"));

    struct Case {
        std::string name;
        std::string expected;
    };
    for (const Case& c :
         {Case{"truncated.png", "corrupt or truncated"}, Case{"header-only.png", "corrupt or truncated"},
          Case{"garbage.png", "not a PNG"}, Case{"empty.png", "not a PNG"},
          Case{"folder.png", "not a regular file"}, Case{"missing.png", "No such file"}}) {
        std::string error;
        EXPECT_FALSE(platform::loadPng(path(c.name), &error)) << c.name;
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.name << ": " << error;
        EXPECT_NE(error.find(c.name), std::string::npos) << "the message names the file: " << error;
        // The check without decoding refuses the same files.
        EXPECT_FALSE(platform::PngCodec::verify(path(c.name), &error)) << c.name;
        EXPECT_NE(error.find(c.name), std::string::npos) << error;
    }
    // A changed byte of image data fails its chunk's checksum.
    EXPECT_FALSE(platform::PngCodec::verify(path("flipped.png")));
    EXPECT_TRUE(platform::PngCodec::verify(path("whole.png")));
}

TEST(PngBytes, AHeaderClaimingAHugePictureIsRefusedBeforeItsPixelsAreTaken) {
    // A header of 40000 x 40000 RGBA pixels (6.4 GB decoded).
    const std::vector<std::uint8_t> png = tikoleap::test::pngClaiming(40000, 40000);
    std::string error;
    EXPECT_FALSE(platform::PngCodec::decode(png.data(), png.size(), 0, &error));
    EXPECT_NE(error.find("40000 x 40000"), std::string::npos) << error;
}

TEST_F(PngFiles, AWholeFileWhoseHeaderTheDecoderRefusesFailsTheCheck) {
    struct Case {
        std::string name;
        std::vector<std::uint8_t> bytes;
        std::string expected;
    };
    for (const Case& c : {Case{"huge.png", tikoleap::test::pngClaiming(60000, 60000), "60000 x 60000"},
                          Case{"many.png", tikoleap::test::pngClaiming(10000, 10000), "10000 x 10000"},
                          Case{"odd-depth.png", tikoleap::test::pngClaiming(4, 4, 7), "corrupt"}}) {
        std::ofstream(path(c.name), std::ios::binary)
            .write(reinterpret_cast<const char*>(c.bytes.data()),
                   static_cast<std::streamsize>(c.bytes.size()));
        std::string error;
        EXPECT_FALSE(platform::PngCodec::verify(path(c.name), &error)) << c.name;
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.name << ": " << error;
        EXPECT_NE(error.find(c.name), std::string::npos) << error;
    }
}

TEST_F(PngFiles, WritingReplacesWholeFilesAndLeavesNoTemporaryBehind) {
    std::ofstream(path("shot.png")) << "old contents";
    const auto rgba = opaqueGradient(4, 4);
    ASSERT_TRUE(platform::writePng(path("shot.png"), rgba.data(), 4, 4));
    EXPECT_TRUE(platform::loadPng(path("shot.png")));
    EXPECT_EQ(entries(), std::vector<std::string>{"shot.png"});

    std::string error;
    EXPECT_FALSE(platform::writePng(path("no/such/folder/x.png"), rgba.data(), 4, 4, &error));
    EXPECT_NE(error.find("x.png"), std::string::npos) << error;
    // Renaming onto a directory fails after encoding: the temporary file must be gone too.
    fs::create_directory(path("taken.png"));
    EXPECT_FALSE(platform::writePng(path("taken.png"), rgba.data(), 4, 4, &error));
    auto names = entries();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"shot.png", "taken.png"}));
}

TEST_F(PngFiles, WritingRefusesMissingPixelsAndImpossibleSizes) {
    const auto rgba = opaqueGradient(2, 2);
    std::string error;
    EXPECT_FALSE(platform::writePng(path("a.png"), nullptr, 2, 2, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(platform::writePng(path("a.png"), rgba.data(), 0, 2));
    EXPECT_FALSE(platform::writePng(path("a.png"), rgba.data(), 2, -3));
    EXPECT_FALSE(platform::writePng(path("a.png"), rgba.data(), 40000, 1));
    EXPECT_TRUE(entries().empty());
}

TEST(ImageBitmap, HasBitmapOnlyWhenThePixelsMatchTheSize) {
    Image image;
    EXPECT_FALSE(image.hasBitmap());
    image.width = 2;
    image.height = 2;
    image.content = Image::Content::AlphaOnly;
    image.pixels.assign(4, 0);
    EXPECT_TRUE(image.hasBitmap());
    image.content = Image::Content::RGB;  // needs 16 bytes now
    EXPECT_FALSE(image.hasBitmap());
    image.pixels.assign(16, 0);
    EXPECT_TRUE(image.hasBitmap());
    image.content = Image::Content::None;
    EXPECT_FALSE(image.hasBitmap());
}
