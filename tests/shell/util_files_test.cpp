#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "appbase/JTRandom.h"
#include "appbase/LogMessage.h"
#include "platform/foundation/AppPaths.h"
#include "shell/Keychain.h"
#include "shell/PlistFiles.h"
#include "shell/RandomSeed.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using tikoleap::test::TempDir;

namespace {

class ShellFiles : public ::testing::Test {
  protected:
    void SetUp() override { platform::AppPaths::setHome(tmp.path()); }
    void TearDown() override { platform::AppPaths::setHome({}); }
    TempDir tmp;
    platform::ScopedLogSink log;
};

const std::vector<uint8_t> kArid{0x10, 0x21, 0x32, 0x43, 0x54, 0x65, 0x76, 0x87,
                                 0x98, 0xa9, 0xba, 0xcb, 0xdc, 0xed, 0xfe, 0x0f};

}  // namespace

TEST_F(ShellFiles, DocumentsPathsLiveUnderTheAppHome) {
    EXPECT_EQ(DocumentsDirectory(), (tmp.path() / "Documents").string());
    EXPECT_EQ(DocumentsSubdirectory("LevelScores", false), (tmp.path() / "Documents/LevelScores").string());
    EXPECT_FALSE(fs::exists(tmp.path() / "Documents/LevelScores"));
    EXPECT_EQ(DocumentsSubdirectory("LevelScores", true), (tmp.path() / "Documents/LevelScores").string());
    EXPECT_TRUE(fs::is_directory(tmp.path() / "Documents/LevelScores"));
    // Already there: the same path again.
    EXPECT_EQ(DocumentsSubdirectory("LevelScores", true), (tmp.path() / "Documents/LevelScores").string());
    EXPECT_EQ(DocumentsSubdirectory("a/b/c", true), (tmp.path() / "Documents/a/b/c").string());
}

TEST_F(ShellFiles, SubdirectoryIsNothingWhenAFileHoldsTheNameOrTheNameLeavesDocuments) {
    tmp.write("Documents/taken", std::string_view("file"));
    EXPECT_FALSE(DocumentsSubdirectory("taken", true));
    EXPECT_FALSE(DocumentsSubdirectory("taken/inner", true));
    EXPECT_FALSE(DocumentsSubdirectory("../outside", true));
    EXPECT_FALSE(DocumentsSubdirectory("/etc", false));
    EXPECT_FALSE(fs::exists(tmp.path() / "outside"));
}

TEST_F(ShellFiles, PlistHelpersRoundTripAndReportCorruptFilesOnce) {
    platform::PlistDict d;
    d.setInt("soundVolume.max3", 3);
    const std::string path = DocumentsDirectory() + "/settings.plist";
    ASSERT_TRUE(WriteDictionaryToPlistFile(path, d));
    EXPECT_EQ(ReadDictionaryFromPlistFile(path)->getInt("soundVolume.max3"), 3);
    EXPECT_FALSE(ReadDictionaryFromPlistFile(DocumentsDirectory() + "/missing.plist"));
    EXPECT_TRUE(log.lines().empty());

    tmp.write("Documents/settings.plist", std::string_view("bplist00 but then garbage"));
    EXPECT_FALSE(ReadDictionaryFromPlistFile(path));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_NE(log.lines()[0].find("[WARN] ReadDictionaryFromPlistFile"), std::string::npos);
    EXPECT_NE(log.lines()[0].find(path), std::string::npos);
}

TEST_F(ShellFiles, KeychainItemRoundTripInAPrivateLibraryFile) {
    const platform::PlistDict query =
        KeychainQueryForAccount("arid", "svc.example", std::string("GROUP.svc.example"));
    EXPECT_FALSE(KeychainCopyData(query));
    ASSERT_TRUE(KeychainAddData(query, kArid));
    EXPECT_FALSE(KeychainAddData(query, kArid)) << "the item exists already";

    const fs::path file = tmp.path() / "Library/keychain.plist";
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    EXPECT_EQ(KeychainCopyData(query), kArid);
    // The stored item carries the add-time attributes.
    const auto root = ReadDictionaryFromPlistFile(file.string());
    ASSERT_TRUE(root);
    const auto item = root->getArray("items")->getDict(0);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->getString("acct"), "arid");
    EXPECT_EQ(item->getString("agrp"), "GROUP.svc.example");
    EXPECT_EQ(item->getString("labl"), "");
    EXPECT_EQ(item->getString("desc"), "");
    EXPECT_EQ(item->getString("pdmn"), "ck");
    EXPECT_FALSE(item->contains("m_Limit"));

    EXPECT_TRUE(KeychainDelete(query));
    EXPECT_FALSE(KeychainCopyData(query));
    EXPECT_FALSE(KeychainDelete(query));
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(ShellFiles, QueryWithoutAccessGroupLeavesItOut) {
    const platform::PlistDict query = KeychainQueryForAccount("arid", "svc", std::nullopt);
    EXPECT_EQ(query.getString("class"), "genp");
    EXPECT_EQ(query.getString("svce"), "svc");
    EXPECT_FALSE(query.contains("agrp"));
}

TEST_F(ShellFiles, CorruptKeychainIsWarnedAboutAndKeptAside) {
    tmp.write("Library/keychain.plist", std::string_view("corrupt keychain bytes"));
    const platform::PlistDict query = KeychainQueryForAccount("arid", "svc", std::nullopt);
    EXPECT_FALSE(KeychainCopyData(query));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("[WARN] KeychainCopyData\n", 0), 0u);
    EXPECT_NE(log.lines()[0].find("keychain.plist"), std::string::npos);

    EXPECT_TRUE(KeychainAddData(query, kArid));
    EXPECT_EQ(log.lines().size(), 2u);
    EXPECT_TRUE(fs::exists(tmp.path() / "Library/keychain.plist.corrupt"));
    EXPECT_EQ(KeychainCopyData(query), kArid);
}

TEST(RandomSeed, StartupSeedReplaysTheSameSequence) {
    const uint32_t seed = SeedRandomAtStartup();
    auto& current = JTAppBase::JTRandom::current();
    const uint32_t first = current.next31();
    const uint32_t second = current.next31();
    current.seed(seed);
    EXPECT_EQ(current.next31(), first);
    EXPECT_EQ(current.next31(), second);
}
