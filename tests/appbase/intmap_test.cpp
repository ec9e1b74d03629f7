#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

#include "appbase/JTIntIntMap.h"
#include "core/JTException.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/plist/PlistFile.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using JTAppBase::JTIntIntMap;
using JTCore::JTString;
using JTCore::makeRef;
using JTCore::Ref;
using tikoleap::test::TempDir;

namespace {

class IntIntMap : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::AppPaths::setHome(tmp.path());
        platform::AppPaths::documentsDirectory();
    }
    void TearDown() override { platform::AppPaths::setHome({}); }

    static Ref<JTString> name(const char* text) { return makeRef<JTString>(text); }
    fs::path fileOf(const char* text) const {
        return tmp.path() / "Documents" / (std::string(text) + ".plist");
    }

    TempDir tmp;
    platform::ScopedLogSink log;
};

}  // namespace

TEST_F(IntIntMap, GetPutRemoveClear) {
    auto map = makeRef<JTIntIntMap>();
    EXPECT_EQ(map->get(5, -1), -1);
    map->put(5, 0);
    EXPECT_EQ(map->get(5, -1), 0);
    map->put(5, 7);
    map->put(-3, std::numeric_limits<int>::min());
    EXPECT_EQ(map->get(5, -1), 7);
    EXPECT_EQ(map->get(-3, 0), std::numeric_limits<int>::min());
    EXPECT_EQ(map->dictionary().getInt("-3"), std::numeric_limits<int>::min());
    map->remove(5);
    map->remove(99);
    EXPECT_EQ(map->get(5, -1), -1);
    map->clear();
    EXPECT_EQ(map->get(-3, 42), 42);
    EXPECT_TRUE(map->dictionary().empty());
}

TEST_F(IntIntMap, SaveThenLoadRoundTripsThroughDocumentsFile) {
    auto map = makeRef<JTIntIntMap>();
    map->put(21, 1);
    map->put(22, 1);
    map->put(-7, -70000);
    ASSERT_TRUE(map->save(name("unlockinglevels")));
    ASSERT_TRUE(fs::exists(fileOf("unlockinglevels")));
    // The file is a plain property list: decimal-text keys, integer values.
    const auto raw = platform::readPlistDictionaryFile(fileOf("unlockinglevels"));
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->getInt("21"), 1);
    EXPECT_EQ(raw->getInt("-7"), -70000);

    auto loaded = makeRef<JTIntIntMap>();
    loaded->put(99, 9);  // replaced by the file's contents
    ASSERT_TRUE(loaded->load(name("unlockinglevels")));
    EXPECT_EQ(loaded->get(21, 0), 1);
    EXPECT_EQ(loaded->get(22, 0), 1);
    EXPECT_EQ(loaded->get(-7, 0), -70000);
    EXPECT_EQ(loaded->get(99, -1), -1);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(IntIntMap, EntriesOfOtherTypesGiveTheDefaultAndNumbersAreTakenAsInts) {
    platform::PlistDict file;
    file.setString("21", "1");
    file.setReal("22", 2.9);
    file.setBool("23", true);
    file.setInt("24", int64_t{1} << 40);
    file.setInt("25", 3);
    file.setInt("not-a-number", 1);
    platform::PlistDict nested;
    file.setDict("26", nested);
    ASSERT_TRUE(platform::writePlistDictionaryFile(fileOf("mixed"), file));

    auto map = makeRef<JTIntIntMap>();
    ASSERT_TRUE(map->load(name("mixed")));
    EXPECT_EQ(map->get(21, -1), -1);
    EXPECT_EQ(map->get(22, -1), 2);
    EXPECT_EQ(map->get(23, -1), 1);
    EXPECT_EQ(map->get(24, -1), std::numeric_limits<int>::max());
    EXPECT_EQ(map->get(25, -1), 3);
    EXPECT_EQ(map->get(26, -1), -1);
    // Entries are kept as they are, so a save writes them back unchanged.
    ASSERT_TRUE(map->save(name("mixed")));
    EXPECT_EQ(platform::readPlistDictionaryFile(fileOf("mixed"))->getString("21"), "1");
    EXPECT_TRUE(map->dictionary().contains("not-a-number"));
}

TEST_F(IntIntMap, LoadOfMissingFileKeepsEntriesSilently) {
    auto map = makeRef<JTIntIntMap>();
    map->put(20, 1);
    EXPECT_FALSE(map->load(name("nothing-here")));
    EXPECT_EQ(map->get(20, 0), 1);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(IntIntMap, LoadOfCorruptFileKeepsEntriesWarnsOnceAndLeavesTheFile) {
    tmp.write("Documents/unlockinglevels.plist", std::string_view("bplist00\x01\x02\x03 truncated"));
    const auto before = tmp.read("Documents/unlockinglevels.plist");
    auto map = makeRef<JTIntIntMap>();
    map->put(20, 1);
    EXPECT_FALSE(map->load(name("unlockinglevels")));
    EXPECT_EQ(map->get(20, 0), 1);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("[WARN] ", 0), 0u);
    EXPECT_NE(log.lines()[0].find("unlockinglevels.plist"), std::string::npos);
    EXPECT_EQ(tmp.read("Documents/unlockinglevels.plist"), before);

    // The next save keeps the unreadable file beside the new one, also from a map that never
    // tried to read it.
    ASSERT_TRUE(map->save(name("unlockinglevels")));
    EXPECT_EQ(tmp.read("Documents/unlockinglevels.plist.corrupt"), before);
    tmp.write("Documents/unlockinglevels.plist", std::string_view("garbage written by someone else"));
    ASSERT_TRUE(makeRef<JTIntIntMap>()->save(name("unlockinglevels")));
    EXPECT_EQ(tmp.read("Documents/unlockinglevels.plist.corrupt.1").size(), 31u);
    EXPECT_EQ(tmp.read("Documents/unlockinglevels.plist.corrupt"), before);
}

TEST_F(IntIntMap, LoadOfArrayRootFileIsRefused) {
    tmp.write("Documents/arr.plist", std::string_view("<?xml version=\"1.0\"?><plist version=\"1.0\"><array>"
                                                      "<integer>1</integer></array></plist>"));
    auto map = makeRef<JTIntIntMap>();
    EXPECT_FALSE(map->load(name("arr")));
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST_F(IntIntMap, NullNameIsAnAssertionFailureAndPathNamesAreRefused) {
    auto map = makeRef<JTIntIntMap>();
    EXPECT_THROW(map->save(nullptr), Ref<JTCore::JTException>);
    EXPECT_THROW(map->load(nullptr), Ref<JTCore::JTException>);
    EXPECT_FALSE(map->save(name("../escape")));
    EXPECT_FALSE(map->save(name("")));
    EXPECT_FALSE(map->load(name("..")));
    EXPECT_FALSE(fs::exists(tmp.path() / "escape.plist"));
    EXPECT_EQ(log.lines().size(), 3u);
}
