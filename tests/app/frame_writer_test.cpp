// Frames written on the worker thread: every one, whole and decodable, under its own name; a
// folder that cannot take them fails the run with the first reason instead of losing frames quietly.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "app/FrameWriter.h"
#include "platform/image/PngCodec.h"
#include "support/TempDir.h"

using tikoleap::test::TempDir;

namespace {

std::vector<std::uint8_t> solid(int w, int h, std::uint8_t red) {
    std::vector<std::uint8_t> rgba(static_cast<size_t>(w) * h * 4, 255);
    for (size_t i = 0; i < rgba.size(); i += 4) rgba[i] = red;
    return rgba;
}

}  // namespace

TEST(FrameWriter, WritesEveryQueuedFrameWholeAndInItsOwnFile) {
    TempDir tmp;
    FrameWriter writer(tmp.path(), 2);  // a short queue: add() must wait for the worker
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(writer.add("f" + std::to_string(i) + ".png",
                               solid(16, 8, static_cast<std::uint8_t>(i * 20)), 16, 8));
    }
    std::string error;
    ASSERT_TRUE(writer.finish(&error)) << error;
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(tmp.path())) ++files;
    EXPECT_EQ(files, 12) << "no temporaries left, no frame missing";
    for (int i = 0; i < 12; ++i) {
        auto image = platform::loadPng((tmp.path() / ("f" + std::to_string(i) + ".png")).string());
        ASSERT_TRUE(image) << i;
        EXPECT_EQ(image->width, 16);
        EXPECT_EQ(image->pixels[0], i * 20) << "frame " << i << " holds another frame's pixels";
    }
}

TEST(FrameWriter, AFolderThatCannotTakeTheFramesFailsWithTheReason) {
    TempDir tmp;
    FrameWriter writer(tmp.path() / "missing", 1);
    bool refused = false;
    for (int i = 0; i < 20 && !refused; ++i) refused = !writer.add("f.png", solid(4, 4, 0), 4, 4);
    std::string error;
    EXPECT_FALSE(writer.finish(&error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    EXPECT_FALSE(writer.add("late.png", solid(4, 4, 0), 4, 4));
}
