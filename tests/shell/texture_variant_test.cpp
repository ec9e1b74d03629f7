// Which texture file a contents-scale index loads, and at what scale.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "shell/TextureVariant.h"

namespace fs = std::filesystem;

namespace {

class TextureVariantTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("tikoleap-variant-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    void touch(const std::string& name) { std::ofstream(dir_ / name) << "png"; }
    std::string found(int index, const std::string& name = "block") {
        auto v = TextureVariant::find(dir_.string(), name, index);
        return v ? fs::path(v->path).filename().string() + "@" + std::to_string(v->contentsScale).substr(0, 3)
                 : "none";
    }
    fs::path dir_;
};

}  // namespace

TEST_F(TextureVariantTest, SuffixesAndScalesPerIndex) {
    EXPECT_STREQ(TextureVariant::suffixForIndex(1), "");
    EXPECT_STREQ(TextureVariant::suffixForIndex(2), "_cs150");
    EXPECT_STREQ(TextureVariant::suffixForIndex(3), "_cs200");
    EXPECT_STREQ(TextureVariant::suffixForIndex(0), "");
    EXPECT_FLOAT_EQ(TextureVariant::scaleForIndex(2), 1.5f);
    EXPECT_FLOAT_EQ(TextureVariant::scaleForIndex(3), 2.0f);
    EXPECT_FLOAT_EQ(TextureVariant::scaleForIndex(9), 1.0f);
}

TEST_F(TextureVariantTest, WantedIndexFirstThenLowerThenHigher) {
    EXPECT_EQ(found(3), "none");
    touch("block.png");
    EXPECT_EQ(found(3), "block.png@1.0") << "only the plain file: used at scale 1";
    touch("block_cs200.png");
    EXPECT_EQ(found(3), "block_cs200.png@2.0");
    EXPECT_EQ(found(2), "block.png@1.0") << "2, then 1, before 3";
    touch("block_cs150.png");
    EXPECT_EQ(found(2), "block_cs150.png@1.5");
    EXPECT_EQ(found(3), "block_cs200.png@2.0");
    EXPECT_EQ(found(1), "block.png@1.0");
}

TEST_F(TextureVariantTest, FallsUpwardWhenNothingLowerExists) {
    touch("ham_cs150.png");
    touch("ham_cs200.png");
    EXPECT_EQ(found(1, "ham"), "ham_cs150.png@1.5") << "after 1 comes 2";
    fs::remove(dir_ / "ham_cs150.png");
    EXPECT_EQ(found(1, "ham"), "ham_cs200.png@2.0");
    EXPECT_EQ(found(2, "ham"), "ham_cs200.png@2.0");
}

TEST_F(TextureVariantTest, OnlyRegularFilesCountAndTheFolderMayEndInASlash) {
    fs::create_directory(dir_ / "enemy_cs200.png");
    touch("enemy.png");
    EXPECT_EQ(found(3, "enemy"), "enemy.png@1.0");
    auto v = TextureVariant::find(dir_.string() + "/", "enemy", 1);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->path, (dir_ / "enemy.png").string());
    EXPECT_EQ(v->contentsScaleIndex, 1);
}
