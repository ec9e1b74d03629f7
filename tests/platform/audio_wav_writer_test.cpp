#include <gtest/gtest.h>

#include <sndfile.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/audio/WavWriter.h"
#include "support/TempDir.h"

using tikoleap::test::TempDir;
namespace fs = std::filesystem;

namespace {

long long framesIn(const fs::path& path) {
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (f == nullptr) return -1;
    sf_close(f);
    return info.frames;
}

size_t entriesIn(const fs::path& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

}  // namespace

TEST(WavWriter, TheTargetIsReplacedOnlyByACompleteFile) {
    TempDir tmp;
    tmp.write("mix.wav", std::string_view("the old mix"));
    const std::vector<std::int16_t> block(441 * 2, 1000);
    std::string error;
    {
        auto writer = platform::audio::WavWriter::create(tmp.file("mix.wav").string(), 44100, 2, &error);
        ASSERT_TRUE(writer) << error;
        ASSERT_TRUE(writer->write(block.data(), 441));
        // Dropped without close: an interrupted run.
    }
    EXPECT_EQ(tmp.read("mix.wav").size(), 11u);
    EXPECT_EQ(entriesIn(tmp.path()), 1u) << "no temporary left behind";

    auto writer = platform::audio::WavWriter::create(tmp.file("mix.wav").string(), 44100, 2, &error);
    ASSERT_TRUE(writer) << error;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(writer->write(block.data(), 441));
    ASSERT_TRUE(writer->close(&error)) << error;
    EXPECT_EQ(framesIn(tmp.file("mix.wav")), 3 * 441);
    EXPECT_EQ(entriesIn(tmp.path()), 1u);
}

TEST(WavWriter, ALinkStaysALinkItsTargetKeepsItsModeAndAFolderIsNeverReplaced) {
    TempDir tmp;
    fs::create_directories(tmp.path() / "out");
    tmp.write("out/real.wav", std::string_view("old"));
    fs::permissions(tmp.path() / "out" / "real.wav", fs::perms(0640));
    fs::create_symlink("out/real.wav", tmp.path() / "link.wav");
    const std::vector<std::int16_t> block(441 * 2, 0);
    std::string error;
    auto writer = platform::audio::WavWriter::create(tmp.file("link.wav").string(), 44100, 2, &error);
    ASSERT_TRUE(writer) << error;
    writer->write(block.data(), 441);
    ASSERT_TRUE(writer->close(&error)) << error;
    EXPECT_TRUE(fs::is_symlink(tmp.path() / "link.wav"));
    EXPECT_EQ(framesIn(tmp.path() / "out" / "real.wav"), 441);
    EXPECT_EQ(fs::status(tmp.path() / "out" / "real.wav").permissions(), fs::perms(0640));

    EXPECT_FALSE(platform::audio::WavWriter::create((tmp.path() / "out").string(), 44100, 2, &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_directory(tmp.path() / "out"));
}
