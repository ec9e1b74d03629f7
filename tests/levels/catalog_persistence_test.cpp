// The unlocking state on disk: round trips, bad files, failed saves, and rule tables that name
// levels outside the catalog.
#include <fstream>

#include "catalog_support.h"
#include "platform/foundation/ScopedLogSink.h"
#include "shell/PlistFiles.h"

using catalogtest::CatalogFixture;
using catalogtest::utf8;
using JTCore::makeRef;
using JTCore::Ref;

namespace {

std::vector<uint8_t> bytesOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

int countContaining(const std::vector<std::string>& lines, const std::string& part) {
    int n = 0;
    for (const auto& line : lines) n += line.find(part) != std::string::npos ? 1 : 0;
    return n;
}

}  // namespace

TEST_F(CatalogFixture, UnlockedLevelsSurviveARestartThroughTheFile) {
    play(20, 10000);
    ASSERT_TRUE(std::filesystem::exists(stateFile()));

    // The file is an ordinary property list: level ids as decimal keys, 1 for open.
    auto dict = ReadDictionaryFromPlistFile(stateFile().string());
    ASSERT_TRUE(dict.has_value());
    EXPECT_EQ(dict->keys().size(), 2u);
    EXPECT_EQ(dict->getNumberAsInt("21"), 1);
    EXPECT_EQ(dict->getNumberAsInt("22"), 1);

    manager = freshManager();
    EXPECT_EQ(openLevels(), (std::vector<int>{20, 21, 22}));
    EXPECT_EQ(manager->getSelectableLevelId(22), 22);
    // What was open stays open and is not congratulated again.
    EXPECT_EQ(play(20, 10000), std::vector<JTAppBase::JTLevelManager::Message>{});
}

TEST_F(CatalogFixture, ReloadReadsTheFileAgain) {
    EXPECT_EQ(openLevels(), std::vector<int>{20});
    platform::PlistDict dict;
    dict.setInt("25", 1);
    ASSERT_TRUE(WriteDictionaryToPlistFile(stateFile().string(), dict));
    EXPECT_EQ(openLevels(), std::vector<int>{20});  // read once, kept in memory
    manager->reloadLevels();
    EXPECT_EQ(openLevels(), (std::vector<int>{20, 25}));
}

TEST_F(CatalogFixture, UnusableFilesReadAsOnlyNormalOpenAndAreNotOverwrittenUnwarned) {
    platform::PlistDict notNumbers;
    notNumbers.setString("21", "yes");
    notNumbers.setString("22", "1");
    struct Case {
        const char* what;
        std::string bytes;
        int warnings;  // an unreadable file is named in one warning
    };
    const std::vector<Case> cases{
        {"garbage", "this is not a property list \x01\x02\x03", 1},
        {"empty", "", 1},
        {"array root",
         "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><integer>21</integer></array></plist>", 1},
        {"truncated binary", std::string("bplist00\xd1\x01\x02", 11), 1},
        // A readable dictionary of foreign values is kept as it is and simply opens nothing.
        {"values that are not numbers", notNumbers.toXml(), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(stateFile(), c.bytes);
        platform::ScopedLogSink log;
        manager = freshManager();
        EXPECT_EQ(openLevels(), std::vector<int>{20});
        // Reading it, and a game that opens nothing, leave the file alone.
        play(20, 100);
        EXPECT_EQ(bytesOf(stateFile()), std::vector<uint8_t>(c.bytes.begin(), c.bytes.end()));
        EXPECT_EQ(countContaining(log.lines(), "[WARN]"), c.warnings);

        // The first unlock replaces it with a good file.
        play(20, 3500);
        manager = freshManager();
        EXPECT_EQ(openLevels(), (std::vector<int>{20, 21}));
    }
}

TEST_F(CatalogFixture, UnreadableFileIsNamedInAWarningAndMovedAsideBeforeItIsReplaced) {
    writeBytes(stateFile(), "garbage");
    std::vector<std::string> events;
    platform::ScopedLogSink log([&](const std::string& line) { events.push_back(line); });
    manager = freshManager();
    play(20, 3500);
    // One warning when it is read, one naming both paths when it is moved aside.
    ASSERT_EQ(countContaining(events, "[WARN]"), 2);
    EXPECT_NE(events.front().find("[WARN]"), std::string::npos);
    EXPECT_NE(events.front().find("unlockinglevels.plist"), std::string::npos);
    const std::string aside = stateFile().string() + ".corrupt";
    EXPECT_NE(events.back().find(stateFile().string() + ","), std::string::npos) << events.back();
    EXPECT_NE(events.back().find(aside), std::string::npos) << events.back();
    EXPECT_EQ(bytesOf(aside), std::vector<uint8_t>({'g', 'a', 'r', 'b', 'a', 'g', 'e'}));
    EXPECT_TRUE(ReadDictionaryFromPlistFile(stateFile().string()).has_value());
}

TEST_F(CatalogFixture, AFailedSaveKeepsTheUnlockForTheRunAndRetriesAfterTheNextGame) {
    // A folder in the file's place makes every write fail.
    std::filesystem::create_directories(stateFile() / "blocker");
    platform::ScopedLogSink log;
    EXPECT_EQ(play(20, 3500).size(), 1u);
    EXPECT_EQ(openLevels(), (std::vector<int>{20, 21}));
    EXPECT_EQ(countContaining(log.lines(), "[WARN] saveUnlockingState"), 1);

    // Still blocked: the next game tries again and warns again, and reloading the levels does
    // not throw away what the file could not take.
    play(21, 0);
    EXPECT_EQ(countContaining(log.lines(), "[WARN] saveUnlockingState"), 2);
    manager->reloadLevels();
    EXPECT_EQ(countContaining(log.lines(), "[WARN] saveUnlockingState"), 3);
    EXPECT_EQ(openLevels(), (std::vector<int>{20, 21}));

    // Unblocked: a game that opens nothing still writes the owed state.
    std::filesystem::remove_all(stateFile());
    play(21, 0);
    EXPECT_EQ(countContaining(log.lines(), "[WARN] saveUnlockingState"), 3);
    manager = freshManager();
    EXPECT_EQ(openLevels(), (std::vector<int>{20, 21}));
}

namespace {

// The game's catalog with extra rules: some naming levels outside it, one copy rule carrying the
// state of a retired level id over to Trampoline, and two rules from one game to one level.
class ExtraRules : public JTApp::MyLevelManager {
  public:
    using MyLevelManager::MyLevelManager;
    void createUnlockRules(const Ref<JTCore::JTArrayList>& rules) override {
        MyLevelManager::createUnlockRules(rules);
        rules->add(makeRef<JTAppBase::UnlockByScoreRule>(99, 10, 22));
        rules->add(makeRef<JTAppBase::UnlockByScoreRule>(20, 10, 98));
        rules->add(makeRef<JTAppBase::UnlockByScoreRule>(23, JTAppBase::UnlockByScoreRule::kCopyRule, 31));
        rules->add(makeRef<JTAppBase::UnlockByScoreRule>(20, 50, 29));
        rules->add(makeRef<JTAppBase::UnlockByScoreRule>(20, 60, 29));
    }
};

}  // namespace

TEST_F(CatalogFixture, RulesNamingLevelsOutsideTheCatalogAreDroppedWithAWarning) {
    platform::ScopedLogSink log;
    auto extra = makeRef<ExtraRules>(context.get());
    extra->reloadLevels();
    context->setLevelManager(extra);
    manager = extra;
    EXPECT_EQ(countContaining(log.lines(), "[WARN] reloadLevels"), 2);
    EXPECT_EQ(extra->getUnlockRules()->size(), 22 + 3);

    // The lock text of Enemy is the game's own; the rule from level 99 is not in it.
    EXPECT_EQ(
        utf8(menuItem(22)->getLockMessage()),
        "This level is unlocked when you score more than 10000 points in the Level: Normal, or 4500 points "
        "in the Level: Fall.");
    // Two rules of one game that open one level name it once; the rule to level 98 opens nothing.
    EXPECT_EQ(play(20, 100),
              (std::vector<JTAppBase::JTLevelManager::Message>{
                  {"Congratulations!",
                   "Level: Right+Enemy was unlocked.\nNow you can select the new level in the Title "
                   "Menu."}}));
    EXPECT_FALSE(extra->isLevelUnlocked(98));
}

TEST_F(CatalogFixture, CopyRulesCarryARetiredLevelsStateAndSaveIt) {
    platform::PlistDict dict;
    dict.setInt("23", 1);
    ASSERT_TRUE(WriteDictionaryToPlistFile(stateFile().string(), dict));
    auto extra = makeRef<ExtraRules>(context.get());
    extra->reloadLevels();
    context->setLevelManager(extra);
    manager = extra;
    EXPECT_EQ(openLevels(), (std::vector<int>{20, 31}));
    auto saved = ReadDictionaryFromPlistFile(stateFile().string());
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->getNumberAsInt("31"), 1);
    EXPECT_EQ(saved->getNumberAsInt("23"), 1);
}
