// Decoding pictures from memory: each format, its pixels and alpha; what is refused (truncated,
// another format, too large, empty) with a reason; the caller's say before pixel memory is taken;
// only an animation's first frame; the work a JPEG's scans, the blocks the pixels do not come
// from and the way a GIF is handed to the library may cost; decoding on several threads at once.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/foundation/AppPaths.h"
#include "platform/foundation/FileIO.h"
#include "platform/image/DecodeAllowance.h"
#include "platform/image/ImageDecoder.h"
#include "platform/photos/PhotoLibrary.h"
#include "support/GifFiles.h"
#include "support/PeakMemory.h"
#include "support/TempDir.h"

// After <cstdio>: the header uses FILE.
#include <jpeglib.h>

using platform::Image;
using platform::ImageDecoder;

namespace {

// The picture saved as `type` by gdk-pixbuf (which then lets it go).
std::string encoded(GdkPixbuf* pixbuf, const char* type) {
    gchar* buffer = nullptr;
    gsize size = 0;
    EXPECT_TRUE(gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, type, nullptr, nullptr));
    std::string bytes(buffer, size);
    g_free(buffer);
    g_object_unref(pixbuf);
    return bytes;
}

// A picture of width x height in one colour (0xRRGGBBAA).
std::string saved(const char* type, int width, int height, std::uint32_t rgba, bool alpha) {
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, width, height);
    gdk_pixbuf_fill(pixbuf, rgba);
    return encoded(pixbuf, type);
}

// A picture of width x height whose pixels all differ, so that its compressed data is long.
std::string noisy(const char* type, int width, int height) {
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 3; ++x)
            pixels[y * stride + x] = static_cast<guchar>((x * 31 + y * 17) ^ (x * y));
    return encoded(pixbuf, type);
}

// A GIF of width x height whose every pixel is colour 1 of a two-colour table (red, then green),
// with colour 1 transparent when `transparent`; its one frame is frameWidth x frameHeight when
// given (a frame larger than the picture is the decoder's to cut). The LZW codes name ever longer
// runs of that colour, as an encoder's table grows on a plain picture: a few bytes per 10 000
// pixels.
std::string gif(int width, int height, bool transparent = false, int frameWidth = 0, int frameHeight = 0) {
    if (frameWidth == 0) frameWidth = width;
    if (frameHeight == 0) frameHeight = height;
    std::string out = "GIF89a";
    auto u16 = [&out](int v) {
        out += static_cast<char>(v & 0xff);
        out += static_cast<char>((v >> 8) & 0xff);
    };
    u16(width);
    u16(height);
    out += '\x80';  // a global table of two colours
    out += '\0';
    out += '\0';
    out += std::string("\xff\x00\x00\x00\xff\x00", 6);
    if (transparent) out += std::string("\x21\xf9\x04\x01\x00\x00\x01\x00", 8);
    out += ',';
    u16(0);
    u16(0);
    u16(frameWidth);
    u16(frameHeight);
    out += '\0';
    out += '\x02';  // smallest code size: 4 clears the table, 5 ends, 6 on are runs of 2, 3, ...
    std::vector<std::uint8_t> data;
    unsigned long bits = 0;
    int count = 0, size = 3;
    auto code = [&](unsigned c) {
        bits |= static_cast<unsigned long>(c) << count;
        for (count += size; count >= 8; count -= 8, bits >>= 8)
            data.push_back(static_cast<std::uint8_t>(bits));
    };
    unsigned next = 6;
    long longest = 1;
    code(4);
    const long pixels = static_cast<long>(frameWidth) * frameHeight;
    for (long at = 0; at < pixels;) {
        const long run = std::min(pixels - at, longest);
        code(run == 1 ? 1 : 5 + static_cast<unsigned>(run) - 1);
        if ((at += run) == pixels) break;
        if (next == 4096) {  // a full table starts again
            code(4);
            size = 3;
            next = 6;
            longest = 1;
            continue;
        }
        longest = run + 1;
        if (next == (1u << size) && size < 12) ++size;
        ++next;
    }
    code(5);
    if (count > 0) data.push_back(static_cast<std::uint8_t>(bits));
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - at);
        out += static_cast<char>(n);
        out.append(reinterpret_cast<const char*>(data.data() + at), n);
    }
    out += '\0';
    out += ';';
    return out;
}

const std::uint8_t* pixel(const Image& image, int x, int y) {
    return &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4];
}

// A progressive JPEG of width x height (libjpeg's ten scans of a grey ramp), with its last scan
// repeated `extra` times more before its end marker.
std::string progressiveJpeg(int width, int height, std::uint64_t extra = 0) {
    jpeg_compress_struct jpeg{};
    jpeg_error_mgr errors{};
    jpeg.err = jpeg_std_error(&errors);
    jpeg_create_compress(&jpeg);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&jpeg, &buffer, &size);
    jpeg.image_width = static_cast<JDIMENSION>(width);
    jpeg.image_height = static_cast<JDIMENSION>(height);
    jpeg.input_components = 3;
    jpeg.in_color_space = JCS_RGB;
    jpeg_set_defaults(&jpeg);
    jpeg_simple_progression(&jpeg);
    jpeg_start_compress(&jpeg, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 3);
    for (std::size_t x = 0; x < row.size(); ++x) row[x] = static_cast<JSAMPLE>(x / 3 * 255 / width);
    for (JSAMPROW rows = row.data(); jpeg.next_scanline < jpeg.image_height;)
        jpeg_write_scanlines(&jpeg, &rows, 1);
    jpeg_finish_compress(&jpeg);
    std::string file(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    jpeg_destroy_compress(&jpeg);
    const std::size_t last = file.rfind("\xff\xda");
    const std::string scan = file.substr(last, file.size() - 2 - last);
    file.resize(file.size() - 2);  // the end marker
    for (std::uint64_t i = 0; i < extra; ++i) file += scan;
    return file + "\xff\xd9";
}

// A PNG chunk of the type with its data, length and checksum.
std::string pngChunk(const char* type, const std::string& data) {
    std::string chunk;
    const auto put32 = [&chunk](uLong v) {
        for (int shift = 24; shift >= 0; shift -= 8) chunk += static_cast<char>((v >> shift) & 0xff);
    };
    put32(data.size());
    chunk += std::string(type, 4) + data;
    put32(crc32(0, reinterpret_cast<const Bytef*>(chunk.data() + 4), static_cast<uInt>(data.size() + 4)));
    return chunk;
}

}  // namespace

TEST(ImageDecoder, DecodesEachFormatToItsPixels) {
    std::string error;
    const auto png = ImageDecoder::decode(saved("png", 3, 2, 0x20408080, true), &error);
    ASSERT_TRUE(png) << error;
    EXPECT_EQ(png->width, 3);
    EXPECT_EQ(png->height, 2);
    ASSERT_TRUE(png->hasBitmap());
    EXPECT_EQ(png->content, Image::Content::RGBAPremultiplied);
    // Half alpha: the colour is multiplied by it.
    EXPECT_EQ(pixel(*png, 2, 1)[0], 0x10);
    EXPECT_EQ(pixel(*png, 2, 1)[1], 0x20);
    EXPECT_EQ(pixel(*png, 2, 1)[2], 0x40);
    EXPECT_EQ(pixel(*png, 2, 1)[3], 0x80);

    const auto jpeg = ImageDecoder::decode(saved("jpeg", 16, 8, 0x3060c0ff, false), &error);
    ASSERT_TRUE(jpeg) << error;
    EXPECT_EQ(jpeg->width, 16);
    EXPECT_EQ(jpeg->content, Image::Content::RGB);
    ASSERT_TRUE(jpeg->hasBitmap());
    EXPECT_NEAR(pixel(*jpeg, 5, 5)[0], 0x30, 4);
    EXPECT_NEAR(pixel(*jpeg, 5, 5)[2], 0xc0, 4);
    EXPECT_EQ(pixel(*jpeg, 5, 5)[3], 255);

    const auto opaque = ImageDecoder::decode(gif(5, 3), &error);
    ASSERT_TRUE(opaque) << error;
    EXPECT_EQ(opaque->width, 5);
    EXPECT_EQ(opaque->height, 3);
    ASSERT_TRUE(opaque->hasBitmap());
    EXPECT_EQ(pixel(*opaque, 4, 2)[1], 0xff);  // colour 1: green
    EXPECT_EQ(pixel(*opaque, 4, 2)[0], 0);
    // Colour 1 transparent: nothing shows, premultiplied.
    const auto clear = ImageDecoder::decode(gif(2, 2, true), &error);
    ASSERT_TRUE(clear) << error;
    EXPECT_EQ(clear->content, Image::Content::RGBAPremultiplied);
    EXPECT_EQ(pixel(*clear, 1, 1)[3], 0);
    EXPECT_EQ(pixel(*clear, 1, 1)[1], 0);
}

TEST(ImageDecoder, RefusesWhatIsNoWholePictureOfItsKindWithAReason) {
    const std::string png = noisy("png", 40, 40);
    const std::string jpeg = noisy("jpeg", 40, 40);
    const std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"4\" height=\"4\"/>";
    const std::string bmp = "BM" + std::string(60, '\0');
    struct Case {
        const char* what;
        std::string bytes;
        const char* reason;
    };
    const std::vector<Case> cases{
        {"empty", "", "empty"},
        {"svg", svg, "no PNG, JPEG or GIF"},
        {"bmp", bmp, "no PNG, JPEG or GIF"},
        {"png cut short", png.substr(0, png.size() / 2), "truncated or corrupt"},
        {"png header only", png.substr(0, 8), "truncated or corrupt"},
        {"png without its end", png.substr(0, png.size() - 12), "truncated or corrupt"},
        {"jpeg cut in its tables", jpeg.substr(0, 200), "truncated or corrupt"},
        {"jpeg cut in its pixels", jpeg.substr(0, jpeg.size() * 3 / 4), "truncated or corrupt"},
        {"gif cut in its header", gif(4, 4).substr(0, 20), "truncated or corrupt"},
        {"gif cut in its pixels", gif(400, 400).substr(0, 300), "truncated or corrupt"},
        {"png bytes after a jpeg start", "\xff\xd8\xff" + png.substr(3), "truncated or corrupt"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ImageDecoder::decode(c.bytes, &error)) << c.what;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
    }
    EXPECT_FALSE(ImageDecoder::decode(nullptr, 5));
}

TEST(ImageDecoder, RefusesAPictureLargerThanTheLimitASide) {
    // At the limit a side is taken; one pixel more, in either direction and in each format, is not.
    std::string error;
    EXPECT_TRUE(ImageDecoder::decode(saved("png", ImageDecoder::kMaxSide, 1, 0xffffffff, false), &error))
        << error;
    const std::vector<std::pair<const char*, std::string>> large{
        {"png wide", saved("png", ImageDecoder::kMaxSide + 1, 1, 0xffffffff, false)},
        {"jpeg tall", saved("jpeg", 8, ImageDecoder::kMaxSide + 1, 0xffffffff, false)},
        {"gif wide", gif(ImageDecoder::kMaxSide + 1, 1)},
    };
    for (const auto& [what, bytes] : large) {
        EXPECT_FALSE(ImageDecoder::decode(bytes, &error)) << what;
        EXPECT_NE(error.find("at most 4096 a side"), std::string::npos) << what << ": " << error;
    }
    // The limit is the caller's to lower.
    EXPECT_FALSE(ImageDecoder::decode(saved("png", 33, 2, 0xffffffff, false), &error, 32));
    EXPECT_NE(error.find("33 x 2"), std::string::npos) << error;

    // A header that claims 65536 pixels a side is refused from the header alone, with no memory
    // taken for them (the sanitizer builds would fail the allocation).
    std::string vast = saved("png", 2, 2, 0xffffffff, false);
    vast.replace(16, 8, std::string("\x00\x01\x00\x00\x00\x01\x00\x00", 8));
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(vast.data() + 12), 17);
    for (int i = 0; i < 4; ++i) vast[29 + i] = static_cast<char>((crc >> (24 - 8 * i)) & 0xff);
    EXPECT_FALSE(ImageDecoder::decode(vast, &error));
    EXPECT_NE(error.find("65536 x 65536"), std::string::npos) << error;
}

TEST(ImageDecoder, AsksTheCallerAboutTheSizeBeforeDecoding) {
    const std::vector<std::pair<const char*, std::string>> pictures{
        {"png", saved("png", 30, 20, 0x11223344, true)},
        {"jpeg", saved("jpeg", 30, 20, 0x112233ff, false)},
        {"gif", gif(30, 20)}};
    for (const auto& [what, bytes] : pictures) {
        std::vector<std::pair<int, int>> asked;
        std::string error;
        const auto declined = ImageDecoder::decode(bytes, &error, ImageDecoder::kMaxSide, [&](int w, int h) {
            asked.emplace_back(w, h);
            return false;
        });
        EXPECT_FALSE(declined) << what;
        EXPECT_NE(error.find("30 x 20 pixels was declined"), std::string::npos) << what << ": " << error;
        const auto taken = ImageDecoder::decode(bytes, &error, ImageDecoder::kMaxSide, [&](int w, int h) {
            asked.emplace_back(w, h);
            return true;
        });
        ASSERT_TRUE(taken) << what << ": " << error;
        EXPECT_EQ(taken->width, 30) << what;
        EXPECT_EQ(asked, (std::vector<std::pair<int, int>>(2, {30, 20}))) << what;
    }
    // A picture over the limit a side is refused without asking.
    bool asked = false;
    EXPECT_FALSE(ImageDecoder::decode(gif(ImageDecoder::kMaxSide + 1, 1), nullptr, ImageDecoder::kMaxSide,
                                      [&](int, int) { return asked = true; }));
    EXPECT_FALSE(asked);
}

TEST(ImageDecoder, JudgesAGifByItsFirstFrameWhereThatIsLargerThanItsScreen) {
    // The library decodes the frame at its own size before it cuts it to the 16 x 16 screen: a
    // frame past the limit a side (about 46 KB of file) is refused before any pixel is decoded.
    const int past = 2 * ImageDecoder::kMaxSide;
    const std::string vast = gif(16, 16, false, past, past);
    std::string error;
    const std::size_t before = tikoleap::test::resetPeakResidentBytes();
    EXPECT_FALSE(ImageDecoder::decode(vast, &error, ImageDecoder::kMaxSide, [](int, int) { return true; }));
    const std::size_t peak = tikoleap::test::peakResidentBytes();
    EXPECT_NE(error.find("8192 x 8192"), std::string::npos) << error;
    if (tikoleap::test::kPeakMemoryMeasured) {
        EXPECT_LT(peak - before, std::size_t{16} << 20);
    }

    // The user's picture library, which also takes an ad's pictures, judges a GIF the same way.
    error.clear();
    const std::size_t beforeSaving = tikoleap::test::resetPeakResidentBytes();
    EXPECT_FALSE(platform::photos::PhotoLibrary::saveImage(vast, &error));
    const std::size_t peakSaving = tikoleap::test::peakResidentBytes();
    EXPECT_NE(error.find("8192 x 8192"), std::string::npos) << error;
    if (tikoleap::test::kPeakMemoryMeasured) {
        EXPECT_LT(peakSaving - beforeSaving, std::size_t{16} << 20);
    }
    // A GIF within the limits is kept as its first frame, cut to its screen.
    tikoleap::test::TempDir home("tikoleap-gif-photos");
    platform::AppPaths::setHome(home.path());
    const auto saved = platform::photos::PhotoLibrary::saveImage(gif(16, 16, true, 300, 200), &error);
    ASSERT_TRUE(saved) << error;
    const platform::FileReadResult file = platform::readWholeFile(*saved, 1 << 20);
    const auto back = ImageDecoder::decode(file.bytes.data(), file.bytes.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width, 16);
    EXPECT_EQ(back->height, 16);

    // Within the limit, the caller is asked about the frame's size, and gets the screen's.
    const std::string wide = gif(16, 16, false, 300, 200);
    std::vector<std::pair<int, int>> asked;
    for (const bool take : {false, true}) {
        const auto decoded = ImageDecoder::decode(wide, &error, ImageDecoder::kMaxSide, [&](int w, int h) {
            asked.emplace_back(w, h);
            return take;
        });
        ASSERT_EQ(decoded.has_value(), take) << error;
        if (decoded) {
            EXPECT_EQ(decoded->width, 16);
        }
    }
    EXPECT_EQ(asked, (std::vector<std::pair<int, int>>(2, {300, 200})));
}

TEST(ImageDecoder, DecodesOnlyTheFirstFrameOfAnAnimation) {
    // A second frame of the other colour, cut short: never decoded, so neither shown nor a fault.
    std::string animation = gif(6, 4);
    animation.pop_back();  // the end marker
    animation += std::string("\x21\xf9\x04\x00\x0a\x00\x00\x00", 8);
    animation += std::string(",\0\0\0\0\x06\0\x04\0\x80\x00\x00\x00\x00\x00\xff\x02\x05\x84", 19);
    std::string error;
    const auto first = ImageDecoder::decode(animation, &error);
    ASSERT_TRUE(first) << error;
    EXPECT_EQ(first->width, 6);
    EXPECT_EQ(pixel(*first, 5, 3)[1], 0xff);  // colour 1 of the first frame's table: green
    EXPECT_EQ(pixel(*first, 5, 3)[0], 0);
    // A GIF with no whole first picture is refused all the same.
    EXPECT_FALSE(ImageDecoder::decode(gif(6, 4).substr(0, 30), &error));
    EXPECT_NE(error.find("truncated or corrupt"), std::string::npos) << error;
}

TEST(ImageDecoder, RefusesAJpegWhoseScansWouldCostPastTheBound) {
    tikoleap::test::TempDir home("tikoleap-jpeg-photos");
    platform::AppPaths::setHome(home.path());
    // An ordinary progressive JPEG, and one of as many scans as are taken, decode at full size.
    std::string error;
    for (const auto& [width, extra] : {std::pair{300, 0u}, {16, ImageDecoder::kMaxJpegScans - 10}}) {
        const auto image = ImageDecoder::decode(progressiveJpeg(width, 200, extra), &error);
        ASSERT_TRUE(image) << error;
        EXPECT_EQ(image->width, width);
        EXPECT_EQ(image->height, 200);
        EXPECT_NEAR(pixel(*image, width - 1, 199)[0], 255 * (width - 1) / width, 6);
    }
    // The loader decodes the whole picture again with each scan: one scan more than taken, or
    // more pixels in all scans than taken (65 scans of 4096 x 1024, 473 KB), is refused before
    // any is decoded, here as in the user's picture library, which an ad may ask to save to.
    const std::uint64_t side = 4096 * 1024;
    // Scans behind a stuffed zero between two segments, which the loader skips as stray bytes to
    // find the next marker, are no whole file.
    const std::string tiny = progressiveJpeg(16, 8);
    const std::size_t last = tiny.rfind("\xff\xda");
    std::string hidden;
    while (hidden.size() < 4000) hidden += tiny.substr(last, tiny.size() - 2 - last);
    const std::string stray = std::string("\xff\x00", 2) + static_cast<char>((hidden.size() + 2) >> 8) +
                              static_cast<char>((hidden.size() + 2) & 0xff) + hidden;
    struct Case {
        const char* what;
        std::string bytes;
        const char* reason;
    };
    // A second frame header of 1 x 1 before the end: the loader decodes the first frame's every
    // scan before it refuses the second.
    std::string framed = progressiveJpeg(4096, 1024, ImageDecoder::kMaxJpegScanPixels / side - 10 + 1);
    const std::size_t sof = framed.find("\xff\xc2");
    std::string second = framed.substr(sof, 2 + static_cast<unsigned char>(framed[sof + 3]));
    second.replace(5, 4, std::string("\0\1\0\1", 4));
    framed.insert(framed.size() - 2, second);
    const std::vector<Case> costly{
        {"scans", progressiveJpeg(16, 8, ImageDecoder::kMaxJpegScans - 10 + 1),
         "scans; at most 100 are taken"},
        {"pixels", progressiveJpeg(4096, 1024, ImageDecoder::kMaxJpegScanPixels / side - 10 + 1),
         "scans; at most 100 are taken"},
        {"hidden", tiny.substr(0, last) + stray + tiny.substr(last), "truncated or corrupt"},
        {"second frame", framed, "scans; at most 100 are taken"}};
    for (const auto& [what, bytes, reason] : costly) {
        EXPECT_FALSE(ImageDecoder::decode(bytes, &error)) << what;
        EXPECT_NE(error.find(reason), std::string::npos) << what << ": " << error;
        error.clear();
        EXPECT_FALSE(platform::photos::PhotoLibrary::saveImage(bytes, &error)) << what;
        EXPECT_NE(error.find(reason), std::string::npos) << what << ": " << error;
    }
    platform::AppPaths::setHome({});
}

TEST(ImageDecoder, HandsThePngLoaderOnlyTheChunksOfThePixels) {
    // Ten compressed comments of 7 MB each in 70 KB of file: the loader would inflate every one
    // and keep it. The picture decodes as without them, in the library too.
    std::string comment(7'000'000, 'a');
    uLongf packedSize = compressBound(comment.size());
    std::string packed(packedSize, '\0');
    ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                        reinterpret_cast<const Bytef*>(comment.data()), comment.size(), 9),
              Z_OK);
    packed.resize(packedSize);
    std::string png = saved("png", 4, 4, 0x336699ff, false);
    for (int i = 0; i < 10; ++i) png.insert(33, pngChunk("zTXt", std::string("Comment\0\0", 9) + packed));
    tikoleap::test::TempDir home("tikoleap-png-photos");
    platform::AppPaths::setHome(home.path());
    std::string error;
    const std::size_t before = tikoleap::test::resetPeakResidentBytes();
    const auto image = ImageDecoder::decode(png, &error);
    ASSERT_TRUE(image) << error;
    EXPECT_EQ(pixel(*image, 3, 3)[0], 0x33);
    EXPECT_EQ(pixel(*image, 3, 3)[2], 0x99);
    EXPECT_TRUE(platform::photos::PhotoLibrary::saveImage(png, &error)) << error;
    const std::size_t peak = tikoleap::test::peakResidentBytes();
    if (tikoleap::test::kPeakMemoryMeasured) {
        EXPECT_LT(peak - before, std::size_t{16} << 20);
    }
    platform::AppPaths::setHome({});
}

TEST(ImageDecoder, HandsTheJpegAndGifLoadersOnlyWhatThePixelsComeFrom) {
    // The loaders' time grows faster than the blocks they skip: thousands of comment and
    // application segments in a JPEG, or of comment blocks and frames after the first in a GIF,
    // are left out of what they are handed, and the picture is the same. One Adobe segment (it
    // decides the colour transform) stays.
    const std::string segment = std::string("\xff\xfe\x01\x01", 4) + std::string(255, 'c');
    const std::string adobe =
        std::string("\xff\xee\x00\x0e", 4) + "Adobe" + std::string("\x00\x64\x00\x00\x00\x00\x01", 7);
    std::string app = segment;
    app[1] = '\xe1';
    const std::string jpeg = saved("jpeg", 8, 8, 0x336699ff, false);
    std::string stuffedJpeg = jpeg.substr(0, 2) + adobe;
    for (int i = 0; i < 2000; ++i) stuffedJpeg += segment + app;
    stuffedJpeg += jpeg.substr(2);
    const std::string plainJpeg = jpeg.substr(0, 2) + adobe + jpeg.substr(2);

    const std::string gifFile = gif(4, 4, true);
    const std::size_t screen = 13 + 6;  // the header and the global colour table
    const std::size_t picture = gifFile.find(',');
    std::string stuffedGif = gifFile.substr(0, screen);
    const std::string comment = std::string("\x21\xfe\x03", 3) + "abc" + '\0';
    for (int i = 0; i < 2000; ++i) stuffedGif += comment;
    stuffedGif += gifFile.substr(screen, gifFile.size() - 1 - screen);
    for (int i = 0; i < 2000; ++i) stuffedGif += gifFile.substr(picture, gifFile.size() - 1 - picture);
    stuffedGif += ';';

    for (const auto& [plain, stuffed] : {std::pair{plainJpeg, stuffedJpeg}, {gifFile, stuffedGif}}) {
        const auto handed = ImageDecoder::loaderInput(stuffed);
        ASSERT_TRUE(handed);
        EXPECT_EQ(*handed, plain) << handed->size() << " bytes handed of " << stuffed.size();
        std::string error;
        const auto image = ImageDecoder::decode(stuffed, &error);
        const auto expected = ImageDecoder::decode(plain, &error);
        ASSERT_TRUE(image && expected) << error;
        EXPECT_EQ(image->pixels, expected->pixels);
    }
    // Bytes that end within a block are no whole picture.
    EXPECT_FALSE(ImageDecoder::loaderInput(stuffedGif.substr(0, screen + 3)));
    EXPECT_FALSE(ImageDecoder::loaderInput(stuffedJpeg.substr(0, 2000)));
}

TEST(ImageDecoder, HandsAGifsPictureToTheLibraryOnce) {
    // The library's GIF loader decodes the picture again from its start each time it is handed
    // more, and moves all it holds after each block it reads: a picture of a megabyte, and one of
    // many one-byte blocks, are each handed once, whole, and come out as their codes name them.
    const std::string large = testsupport::literalGif(1024, 1024);
    const std::string blocks = testsupport::literalGif(48, 40, 1, 300000);
    for (const auto& [file, width, height] : {std::tuple{&large, 1024, 1024}, {&blocks, 48, 40}}) {
        const auto before = ImageDecoder::loaderHandings();
        std::string error;
        const auto image = ImageDecoder::decode(*file, &error);
        EXPECT_EQ(ImageDecoder::loaderHandings() - before, 1u) << file->size() << " bytes";
        ASSERT_TRUE(image) << error;
        ASSERT_EQ(image->width, width);
        ASSERT_EQ(image->height, height);
        int wrong = 0;
        for (long at = 0; at < static_cast<long>(width) * height; ++at) {
            const std::uint32_t colour =
                testsupport::literalGifColour(testsupport::literalGifIndex(at, width));
            const std::uint8_t* pixel = &image->pixels[static_cast<std::size_t>(at) * 4];
            wrong += pixel[0] != (colour >> 16) || pixel[1] != ((colour >> 8) & 0xff) ||
                     pixel[2] != (colour & 0xff) || pixel[3] != 255;
        }
        EXPECT_EQ(wrong, 0) << file->size() << " bytes";
    }
}

TEST(ImageDecoder, TakesEachPicturesWorkFromTheAllowanceItShares) {
    // A picture's work is its size times the loader's passes over it and what a pixel of its
    // format costs, and the bytes its loader reads: a progressive JPEG of ten scans takes ten times
    // its pixels, an 8-bit RGB PNG 3 + 4 a pixel, a GIF (the larger of screen and frame) 4. The picture that
    // passes what is left is refused before it decodes, and so is every later one, however small.
    const auto read = [](const std::string& file) {
        return ImageDecoder::loaderInput(file)->size() *
               (ImageDecoder::formatOf(reinterpret_cast<const std::uint8_t*>(file.data()), file.size()) ==
                        ImageDecoder::Format::GIF
                    ? ImageDecoder::kGifWorkPerByte
                    : ImageDecoder::kWorkPerByte);
    };
    const std::string jpeg = progressiveJpeg(32, 16);
    const std::string png = saved("png", 16, 16, 0x112233ff, false);
    const std::string gifFile = gif(8, 10, false, 20, 5);
    platform::DecodeAllowance allowance(32 * 16 * 10 + read(jpeg) + 16 * 16 * 7 + read(png) + 100);
    std::string error;
    EXPECT_TRUE(ImageDecoder::decode(jpeg, &error, ImageDecoder::kMaxSide, {}, ImageDecoder::Formats::Web,
                                     &allowance))
        << error;
    EXPECT_EQ(allowance.left(), 16u * 16 * 7 + read(png) + 100);
    EXPECT_TRUE(
        ImageDecoder::decode(png, &error, ImageDecoder::kMaxSide, {}, ImageDecoder::Formats::Web, &allowance))
        << error;
    EXPECT_EQ(allowance.left(), 100u);
    int asked = 0;
    const ImageDecoder::Admission count = [&asked](int, int) { return ++asked > 0; };
    EXPECT_FALSE(ImageDecoder::decode(gifFile, &error, ImageDecoder::kMaxSide, count,
                                      ImageDecoder::Formats::Web, &allowance));
    EXPECT_NE(error.find(std::to_string(200 * 4 + read(gifFile)) + " units"), std::string::npos) << error;
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(allowance.spent());
    EXPECT_FALSE(ImageDecoder::decode(saved("png", 1, 1, 0x112233ff, false), &error, ImageDecoder::kMaxSide,
                                      {}, ImageDecoder::Formats::Web, &allowance));
    EXPECT_NE(error.find("decode work"), std::string::npos) << error;
    EXPECT_EQ(allowance.left(), 100u);

    // Many small pictures of many bytes: a GIF of one-byte blocks costs what its bytes take to
    // read, and allowances drawing on one pool take from it together.
    const std::string blocks = testsupport::literalGif(48, 40, 1, 300000);
    const std::uint64_t each = 48 * 40 * 4 + read(blocks);
    EXPECT_GT(each, 48u * 40 * 100);
    auto pool = std::make_shared<platform::DecodeAllowance>(3 * each);
    platform::DecodeAllowance first(2 * each, pool), second(2 * each, pool);
    EXPECT_TRUE(
        ImageDecoder::decode(blocks, &error, ImageDecoder::kMaxSide, {}, ImageDecoder::Formats::Web, &first))
        << error;
    EXPECT_TRUE(
        ImageDecoder::decode(blocks, &error, ImageDecoder::kMaxSide, {}, ImageDecoder::Formats::Web, &second))
        << error;
    EXPECT_TRUE(
        ImageDecoder::decode(blocks, &error, ImageDecoder::kMaxSide, {}, ImageDecoder::Formats::Web, &first))
        << error;
    EXPECT_FALSE(ImageDecoder::decode(blocks, &error, ImageDecoder::kMaxSide, {}, ImageDecoder::Formats::Web,
                                      &second));
    EXPECT_TRUE(second.spent());
    EXPECT_EQ(second.left(), each);
    EXPECT_EQ(pool->left(), 0u);
}

TEST(ImageDecoder, ChargesAPngWhatItsPixelsCostAsDecodedSoAnAdsAllowanceBuysLittleOfThem) {
    // 64 PNGs of 4096 x 4096 16-bit RGBA pixels in a few kilobytes, whose data is cut short (so
    // that this test decodes little; a whole one costs its loader 0.7 s), draw on an ad's allowance: each
    // pixel costs its loader the eight bytes it holds as decoded and the four of the RGBA it becomes, so no
    // more than two reach the loader. Ordinary pictures of several ads (a 1200 x 628 PNG, a 1024 x 1024 JPEG,
    // a GIF of about 500 KB each) all load on the same allowance.
    constexpr std::uint64_t anAdsAllowance = 2 * ImageDecoder::kMaxJpegScanPixels;
    std::string header(13, '\0');
    for (int i : {0, 4}) header[i + 2] = 0x10;  // 4096 wide and tall
    header[8] = 16;                             // bits a channel
    header[9] = 6;                              // RGBA
    const std::string rows(64 * (1 + 4096 * 8), '\0');
    std::string data(compressBound(rows.size()), '\0');
    uLongf length = data.size();
    ASSERT_EQ(compress(reinterpret_cast<Bytef*>(data.data()), &length,
                       reinterpret_cast<const Bytef*>(rows.data()), rows.size()),
              Z_OK);
    data.resize(length - 8);
    const std::string hostile = std::string("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) +
                                pngChunk("IDAT", data) + pngChunk("IEND", "");
    platform::DecodeAllowance allowance(anAdsAllowance);
    std::string error;
    int reached = 0;
    for (int i = 0; i < 64; ++i) {
        EXPECT_FALSE(ImageDecoder::decode(hostile, &error, ImageDecoder::kMaxSide, {},
                                          ImageDecoder::Formats::Web, &allowance));
        reached += error.find("decode work") == std::string::npos;
    }
    EXPECT_LE(reached, 2);

    platform::DecodeAllowance honest(anAdsAllowance);
    const std::string png = saved("png", 1200, 628, 0x336699cc, true);
    const std::string jpeg = noisy("jpeg", 1024, 1024);
    const std::string gifFile = testsupport::literalGif(660, 660);
    for (int ad = 0; ad < 4; ++ad)
        for (const std::string* file : {&png, &jpeg, &gifFile})
            EXPECT_TRUE(ImageDecoder::decode(*file, &error, ImageDecoder::kMaxSide, {},
                                             ImageDecoder::Formats::Web, &honest))
                << error;
}

TEST(ImageDecoder, ReadsAGifWithoutProcAndRefusesOneTooLargeBeforeTakingItsWork) {
    // A process may run without /proc, where the GIF's file in memory has no name the library's
    // reader of whole files can open. Run in a child with an empty /proc of its own: an ordinary
    // GIF still comes out as its codes name it, and one whose picture is past what the other
    // reader takes is refused, saying why, with nothing taken from the allowance.
    const std::string small = testsupport::literalGif(64, 48);
    const std::string large = testsupport::literalGif(1024, 1024);
    ASSERT_GT(ImageDecoder::loaderInput(large)->size(), ImageDecoder::kMaxGifBytesInOneWrite);
    const auto expected = ImageDecoder::decode(small);
    ASSERT_TRUE(expected);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("none", "/proc", "tmpfs", 0, nullptr) != 0)
            ::_exit(77);
        platform::DecodeAllowance allowance(std::uint64_t{1} << 40);
        std::string error;
        const auto image = ImageDecoder::decode(small, &error, ImageDecoder::kMaxSide, {},
                                                ImageDecoder::Formats::Web, &allowance);
        if (!image || image->width != 64 || image->pixels != expected->pixels) {
            std::fprintf(stderr, "the small GIF: %s\n", error.c_str());
            ::_exit(1);
        }
        const auto left = allowance.left();
        if (ImageDecoder::decode(large, &error, ImageDecoder::kMaxSide, {}, ImageDecoder::Formats::Web,
                                 &allowance))
            ::_exit(2);
        std::fprintf(stderr, "the large GIF: %s\n", error.c_str());
        ::_exit(error.find("/proc/self/fd/") == std::string::npos ? 3 : allowance.left() != left ? 4 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no mount namespace of its own for the child";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ImageDecoder, DecodesOnSeveralThreadsAtOnce) {
    const std::vector<std::string> inputs{saved("png", 64, 64, 0x11223344, true),
                                          saved("jpeg", 64, 64, 0x112233ff, false), gif(64, 64)};
    std::vector<int> decoded(8, 0);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < decoded.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 10; ++round) {
                const auto image = ImageDecoder::decode(inputs[(t + round) % inputs.size()]);
                if (image && image->width == 64 && image->hasBitmap()) ++decoded[t];
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int n : decoded) EXPECT_EQ(n, 10);
}
