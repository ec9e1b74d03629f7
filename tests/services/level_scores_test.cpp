#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/foundation/AppPaths.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/plist/PlistDict.h"
#include "shell/AppCoreBase.h"
#include "shell/Crc32.h"
#include "shell/LevelInfo.h"
#include "shell/LevelScores.h"
#include "shell/PlistFiles.h"
#include "support/TempDir.h"

using tikoleap::test::TempDir;
namespace fs = std::filesystem;

namespace {

constexpr const char* kKey = "s3cret";

struct ScoresFixture : testing::Test {
    void SetUp() override {
        platform::AppPaths::setHome(home.path());
        core.setWebSecretKey(kKey);
    }

    std::shared_ptr<LevelInfo> level(int id) {
        return std::make_shared<LevelInfo>(JTAppBase::JTLevelInfo::create(nullptr, id), &core);
    }
    static std::shared_ptr<LevelScoreElem> elem(int score, double date) {
        auto e = std::make_shared<LevelScoreElem>();
        e->setScore(score);
        e->setDate(date);
        return e;
    }
    static std::vector<int> scoresOf(const LevelScores::List& list) {
        std::vector<int> out;
        for (const auto& e : list) out.push_back(e->score());
        return out;
    }
    std::string fileOf(int id) { return *LevelScores::fileNameForLevelId(id, true); }
    // An entry dictionary hashed as the game hashes it.
    static platform::PlistDict entry(int levelId, int score, uint32_t udate) {
        const std::string text = std::string(kKey) + "," + std::to_string(levelId) + "," +
                                 std::to_string(score) + "," + std::to_string(udate);
        platform::PlistDict d;
        d.setInt("score", score);
        d.setInt("udate", udate);
        d.setInt("hash", static_cast<int32_t>(Crc32OfCString(text.c_str())));
        return d;
    }

    TempDir home;
    AppCoreBase core{"", nullptr};
};

}  // namespace

TEST_F(ScoresFixture, RecentScoresKeepTheThreeNewestFirstAndSurviveAReload) {
    auto info = level(20);
    auto scores = info->openLevelScores();
    EXPECT_TRUE(scores->recentScores().empty());

    scores->registerScore(elem(100, 1.7e9));
    EXPECT_EQ(scores->previousHighScore(), nullptr);
    EXPECT_TRUE(scores->highScores().empty());
    scores->registerScore(elem(250, 1.7e9 + 60));
    scores->registerScore(elem(50, 1.7e9 + 120));
    scores->registerScore(elem(900, 1.7e9 + 180.75));
    EXPECT_EQ(scoresOf(scores->recentScores()), (std::vector<int>{900, 50, 250}));
    ASSERT_TRUE(scores->save());

    auto reloaded = info->openLevelScores();
    EXPECT_EQ(scoresOf(reloaded->recentScores()), (std::vector<int>{900, 50, 250}));
    // Dates come back as whole seconds.
    EXPECT_EQ(reloaded->recentScores()[0]->date(), 1.7e9 + 180);
    EXPECT_TRUE(reloaded->highScores().empty());

    // The file is a binary property list with the version and both lists.
    auto dict = ReadDictionaryFromPlistFile(fileOf(20));
    ASSERT_TRUE(dict);
    EXPECT_EQ(dict->getInt("LevelScores.version"), 4097);
    EXPECT_EQ(dict->getArray("highScores")->size(), 0u);
    EXPECT_EQ(dict->getArray("recentScores")->size(), 3u);
    EXPECT_EQ(home.read("Documents/LevelScores/20.plist")[0], 'b');
}

TEST_F(ScoresFixture, EntriesThatFailTheirHashAreDroppedAndTheRestKept) {
    auto info = level(21);
    platform::PlistDict file;
    platform::PlistArray recent;
    recent.appendDict(entry(21, 500, 1700000000));
    auto edited = entry(21, 400, 1700000100);
    edited.setInt("score", 40000);  // edited by hand
    recent.appendDict(edited);
    recent.appendDict(entry(20, 300, 1700000200));  // another level's entry
    recent.appendDict(entry(21, 200, 0));
    file.setArray("recentScores", recent);
    ASSERT_TRUE(WriteDictionaryToPlistFile(fileOf(21), file));

    auto scores = info->openLevelScores();
    EXPECT_EQ(scoresOf(scores->recentScores()), (std::vector<int>{500, 200}));
    EXPECT_EQ(scores->recentScores()[1]->date(), 0.0);

    // Another secret key refuses them all.
    core.setWebSecretKey("other");
    EXPECT_TRUE(info->openLevelScores()->recentScores().empty());
}

TEST_F(ScoresFixture, HashesAreComparedOnTheirThirtyTwoBitsAndNonDictionariesEndTheList) {
    auto info = level(22);
    platform::PlistDict file;
    platform::PlistArray recent;
    // The same 32 bits stored unsigned instead of as a negative number.
    auto wide = entry(22, 7, 1234);
    wide.setInt("hash", static_cast<int64_t>(static_cast<uint32_t>(*wide.getInt("hash"))));
    recent.appendDict(wide);
    recent.appendString("not an entry");
    recent.appendDict(entry(22, 8, 1235));
    file.setArray("recentScores", recent);
    platform::PlistArray high;
    high.appendDict(entry(22, 9, 1));
    high.appendDict(entry(22, 10, 2));
    file.setArray("highScores", high);
    ASSERT_TRUE(WriteDictionaryToPlistFile(fileOf(22), file));

    auto scores = info->openLevelScores();
    EXPECT_EQ(scoresOf(scores->recentScores()), (std::vector<int>{7}));
    // The high-score list has no slots: a bound of 0 keeps none, on reading and on saving.
    EXPECT_TRUE(scores->highScores().empty());
    ASSERT_TRUE(scores->save());
    EXPECT_EQ(ReadDictionaryFromPlistFile(fileOf(22))->getArray("highScores")->size(), 0u);
}

TEST_F(ScoresFixture, AnUnreadableFileReadsAsEmptyWithOneWarningAndIsKeptAsideBeforeTheNextSave) {
    auto info = level(25);
    home.write("Documents/LevelScores/25.plist", std::string("bplist00 garbage that is no list"));
    std::vector<std::string> lines;
    std::shared_ptr<LevelScores> scores;
    {
        platform::ScopedLogSink sink([&](const std::string& line) { lines.push_back(line); });
        scores = info->openLevelScores();
    }
    EXPECT_TRUE(scores->recentScores().empty());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("[WARN]"), std::string::npos);
    EXPECT_NE(lines[0].find("25.plist"), std::string::npos);

    scores->registerScore(elem(60, 1.7e9));
    ASSERT_TRUE(scores->save());
    const auto aside = home.read("Documents/LevelScores/25.plist.corrupt");
    EXPECT_EQ(std::string(aside.begin(), aside.end()), "bplist00 garbage that is no list");
    EXPECT_EQ(scoresOf(info->openLevelScores()->recentScores()), (std::vector<int>{60}));

    // A second unreadable file does not replace the first one kept aside.
    home.write("Documents/LevelScores/25.plist", std::string("junk"));
    scores = info->openLevelScores();
    ASSERT_TRUE(scores->save());
    EXPECT_TRUE(fs::exists(home.path() / "Documents/LevelScores/25.plist.corrupt.1"));
    EXPECT_EQ(home.read("Documents/LevelScores/25.plist.corrupt").size(), aside.size());
}

TEST_F(ScoresFixture, ANonRegularFileInThePlaceOfTheListIsNeverReplaced) {
    auto info = level(27);
    fs::create_directories(home.path() / "Documents/LevelScores/27.plist");
    auto scores = info->openLevelScores();
    scores->registerScore(elem(1, 1.7e9));
    EXPECT_FALSE(scores->save());
    EXPECT_TRUE(fs::is_directory(home.path() / "Documents/LevelScores/27.plist"));
}

TEST(LevelScoreElem, DateNumberIsTheWholeSecondsKeptToThirtyTwoBits) {
    LevelScoreElem e;
    EXPECT_EQ(e.dateNumber(), 0u);
    e.setDate(1700000000.9);
    EXPECT_EQ(e.dateNumber(), 1700000000u);
    e.setDate(4294967296.0 + 5);
    EXPECT_EQ(e.dateNumber(), 5u);
    e.setDate(std::nan(""));
    EXPECT_EQ(e.dateNumber(), 0u);
}
