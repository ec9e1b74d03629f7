// Saving a picture: only into the pictures folder, under a name of our own, over nothing that is
// there and through no link.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "platform/foundation/AppPaths.h"
#include "platform/photos/PhotoLibrary.h"
#include "support/TempDir.h"

using platform::photos::PhotoLibrary;

namespace {

std::string png(int width, int height) {
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
    gdk_pixbuf_fill(pixbuf, 0xff000080);
    gchar* buffer = nullptr;
    gsize size = 0;
    gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "png", nullptr, nullptr);
    std::string bytes(buffer, size);
    g_free(buffer);
    g_object_unref(pixbuf);
    return bytes;
}

// A 16 x 8 photo, its left half red and its right half blue, whose EXIF orientation is `turn`
// (none when 0).
std::string photo(int turn) {
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 16, 8);
    gdk_pixbuf_fill(pixbuf, 0x0000ffff);
    GdkPixbuf* left = gdk_pixbuf_new_subpixbuf(pixbuf, 0, 0, 8, 8);
    gdk_pixbuf_fill(left, 0xff0000ff);
    g_object_unref(left);
    gchar* buffer = nullptr;
    gsize size = 0;
    gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "jpeg", nullptr, "quality", "100", nullptr);
    std::string bytes(buffer, size);
    g_free(buffer);
    g_object_unref(pixbuf);
    if (turn == 0) return bytes;
    // An APP1 segment: "Exif", then a little-endian TIFF header whose first directory holds one
    // entry, the orientation (tag 0x112, one SHORT).
    const std::string tiff = std::string("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18) +
                             static_cast<char>(turn) + std::string(7, '\0');
    const std::string exif = std::string("Exif\0\0", 6) + tiff;
    const std::size_t length = exif.size() + 2;
    return bytes.substr(0, 2) + "\xff\xe1" + static_cast<char>(length >> 8) +
           static_cast<char>(length & 0xff) + exif + bytes.substr(2);
}

}  // namespace

TEST(PhotoLibrary, APictureNeverReplacesAFileNorFollowsALink) {
    tikoleap::test::TempDir home("tikoleap-photos");
    platform::AppPaths::setHome(home.path());
    const auto folder = PhotoLibrary::picturesDirectory();
    EXPECT_EQ(folder, home.path() / "Pictures");
    std::filesystem::create_directories(folder);
    const auto outside = home.path() / "outside.png";
    // Every name the next few seconds could give is taken by a link leading out of the folder.
    for (std::time_t t = std::time(nullptr); t < std::time(nullptr) + 5; ++t) {
        std::tm local{};
        localtime_r(&t, &local);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
        std::filesystem::create_symlink(outside,
                                        folder / ("tikoleap-picture-" + std::string(stamp) + ".png"));
    }

    std::string error;
    const auto saved = PhotoLibrary::saveImage(png(3, 2), &error);
    ASSERT_TRUE(saved) << error;
    EXPECT_EQ(saved->parent_path(), folder);
    EXPECT_FALSE(std::filesystem::is_symlink(*saved));
    EXPECT_FALSE(std::filesystem::exists(outside));
    GdkPixbuf* back = gdk_pixbuf_new_from_file(saved->c_str(), nullptr);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(gdk_pixbuf_get_width(back), 3);
    EXPECT_TRUE(gdk_pixbuf_get_has_alpha(back));
    g_object_unref(back);

    EXPECT_FALSE(PhotoLibrary::saveImage(png(2, PhotoLibrary::kMaxSide + 1), &error));
    EXPECT_NE(error.find("at most 4096 a side"), std::string::npos) << error;
    platform::AppPaths::setHome({});
}

TEST(PhotoLibrary, TakesABmpBesideAPagesPictures) {
    tikoleap::test::TempDir home("tikoleap-photos-bmp");
    platform::AppPaths::setHome(home.path());
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 5, 4);
    gdk_pixbuf_fill(pixbuf, 0x336699ff);
    gchar* buffer = nullptr;
    gsize size = 0;
    ASSERT_TRUE(gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "bmp", nullptr, nullptr));
    const std::string bmp(buffer, size);
    g_free(buffer);
    g_object_unref(pixbuf);
    std::string error;
    const auto saved = PhotoLibrary::saveImage(bmp, &error);
    ASSERT_TRUE(saved) << error;
    GdkPixbuf* back = gdk_pixbuf_new_from_file(saved->c_str(), nullptr);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(gdk_pixbuf_get_width(back), 5);
    EXPECT_EQ(gdk_pixbuf_get_pixels(back)[1], 0x66);
    g_object_unref(back);
    platform::AppPaths::setHome({});
}

TEST(PhotoLibrary, StoresAPhotoUprightAsItsExifSays) {
    tikoleap::test::TempDir home("tikoleap-photos-turned");
    platform::AppPaths::setHome(home.path());
    // Orientation 6: the camera was turned a quarter, so the stored left half is the top.
    struct Case {
        int turn;
        int width;
        int height;
        int redX, redY;  // a pixel of the red half, as shown
    };
    for (const Case c :
         {Case{0, 16, 8, 2, 4}, Case{1, 16, 8, 2, 4}, Case{6, 8, 16, 4, 2}, Case{8, 8, 16, 4, 13}}) {
        std::string error;
        const auto saved = PhotoLibrary::saveImage(photo(c.turn), &error);
        ASSERT_TRUE(saved) << error;
        GdkPixbuf* back = gdk_pixbuf_new_from_file(saved->c_str(), nullptr);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(gdk_pixbuf_get_width(back), c.width) << c.turn;
        EXPECT_EQ(gdk_pixbuf_get_height(back), c.height) << c.turn;
        const int stride = gdk_pixbuf_get_rowstride(back);
        const int channels = gdk_pixbuf_get_n_channels(back);
        const guchar* red = gdk_pixbuf_get_pixels(back) + c.redY * stride + c.redX * channels;
        EXPECT_GT(red[0], 200) << c.turn;
        EXPECT_LT(red[2], 60) << c.turn;
        g_object_unref(back);
        std::filesystem::remove(*saved);
    }
    platform::AppPaths::setHome({});
}
