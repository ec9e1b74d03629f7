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
