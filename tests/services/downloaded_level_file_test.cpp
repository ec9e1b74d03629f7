// Downloaded level files: the header line, the sizes and the check value, what is stored, and
// every way a file can be broken.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/foundation/AppPaths.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/plist/PlistDict.h"
#include "services/DownloadedLevelFile.h"
#include "support/TempDir.h"
#include "tests/services/AnnounceTestKit.h"
#include "tests/services/FakeFilesLevelManager.h"

using announcetest::FakeFilesLevelManager;
using announcetest::readFile;
using announcetest::referenceCrc32;

namespace {

struct LevelFileTest : testing::Test {
    void SetUp() override { platform::AppPaths::setHome(home.path()); }
    void TearDown() override { platform::AppPaths::setHome({}); }

    // The check value of a body, computed independently: CRC-32 of "-" and the body.
    static int64_t dhOf(const std::string& body) { return referenceCrc32("-" + body); }
    static std::string header(const std::string& lid, const std::string& ds, const std::string& dh,
                              const std::string& name = "Sky", const std::string& flags = "3") {
        return "{lid=\"" + lid + "\";name=\"" + name + "\";ds=\"" + ds + "\";dh=\"" + dh + "\";flags=\"" +
               flags + "\";}";
    }
    static std::string file(int lid, const std::string& body) {
        return header(std::to_string(lid), std::to_string(body.size()), std::to_string(dhOf(body))) + "\n" +
               body;
    }
    bool process(int lid, const std::string& bytes) {
        return processDownloadedBytes(*manager, lid, reinterpret_cast<const uint8_t*>(bytes.data()),
                                      bytes.size());
    }
    // The message of the exception a file throws, or "" when it throws none.
    std::string thrown(int lid, const std::string& bytes) {
        try {
            process(lid, bytes);
        } catch (const JTCore::Ref<JTCore::JTException>& e) {
            return e->getMessage()->toUtf8();
        }
        return "";
    }
    std::filesystem::path stored(int lid) const {
        return home.path() / "Documents" / "levels" / std::to_string(lid);
    }

    tikoleap::test::TempDir home;
    JTCore::Ref<FakeFilesLevelManager> manager = JTCore::makeRef<FakeFilesLevelManager>(nullptr);
};

const std::string kBody = "{ platforms = (1, 2, 3); }";

}  // namespace

TEST_F(LevelFileTest, AGoodFileIsStoredAndHandedToTheManager) {
    ASSERT_TRUE(process(40, file(40, kBody)));
    EXPECT_EQ(readFile(stored(40)), kBody);
    ASSERT_EQ(manager->added.size(), 1u);
    const auto& info = manager->added.front();
    EXPECT_EQ(info->getLevelId(), 40);
    EXPECT_EQ(info->getName()->toUtf8(), "Sky");
    EXPECT_EQ(info->getDataSize(), static_cast<int>(kBody.size()));
    EXPECT_EQ(info->getDataHash(), dhOf(kBody));
    EXPECT_EQ(info->getFlags(), 3);
    EXPECT_TRUE(info->isDownloaded());

    // Only the low 32 bits of dh count, written in decimal or after "0x"; the header may be XML
    // too, and its level id an integer of the property list.
    platform::PlistDict xml;
    xml.setInt("lid", 41);
    xml.setString("name", "Deep");
    xml.setString("ds", std::to_string(kBody.size()));
    xml.setString("dh", std::to_string(4294967296LL + dhOf(kBody)));
    xml.setString("flags", "0");
    std::string xmlHeader = xml.toXml();
    for (char& c : xmlHeader)
        if (c == '\n') c = ' ';
    EXPECT_TRUE(process(41, xmlHeader + "\n" + kBody));
    EXPECT_EQ(manager->added.back()->getLevelId(), 41);
    EXPECT_EQ(manager->added.back()->getDataHash(), 4294967296LL + dhOf(kBody));
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08llx", static_cast<unsigned long long>(dhOf(kBody)));
    EXPECT_TRUE(process(42, header("42", std::to_string(kBody.size()), hex) + "\n" + kBody)) << hex;
    EXPECT_EQ(manager->added.back()->getDataHash(), dhOf(kBody));
}

TEST_F(LevelFileTest, StructuralFaultsAreRefusedWithAWarning) {
    struct Case {
        const char* what;
        std::string bytes;
        const char* line;
    };
    const std::vector<Case> cases = {
        {"no line feed", header("40", "3", "0"), "No LF"},
        {"line feed first", "\n" + file(40, kBody), "No LF"},
        {"header not a property list", "{lid=;\n" + kBody, "processDownloadedBytes"},
        {"header not a dictionary", "(\"40\")\n" + kBody, "Invalid header"},
        {"another level", file(39, kBody), "lid unmatch"},
        {"body cut short", file(40, kBody).substr(0, file(40, kBody).size() - 1), "size unmatch"},
        {"body too long", file(40, kBody) + " ", "size unmatch"},
        {"negative size", header("40", "-5", "0") + "\n" + kBody, "size unmatch"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::ScopedLogSink log;
        EXPECT_FALSE(process(40, c.bytes));
        ASSERT_FALSE(log.lines().empty());
        EXPECT_NE(log.lines().front().find(c.line), std::string::npos) << log.lines().front();
        EXPECT_EQ(log.lines().front().rfind("[WARN] processDownloadedBytes", 0), 0u);
    }
    EXPECT_TRUE(manager->added.empty());
    EXPECT_FALSE(std::filesystem::exists(stored(40)));
}

TEST_F(LevelFileTest, MalformedValuesAndBodiesThrowAndStoreNothing) {
    platform::PlistDict numbers;
    numbers.setString("lid", "40");
    numbers.setString("name", "n");
    numbers.setInt("ds", static_cast<int64_t>(kBody.size()));
    numbers.setString("dh", "0");
    numbers.setString("flags", "0");
    std::string numberHeader = numbers.toXml();
    for (char& c : numberHeader)
        if (c == '\n') c = ' ';
    EXPECT_EQ(thrown(40, numberHeader + "\n" + kBody), "ensureNSString failed");
    EXPECT_EQ(thrown(40, "{lid=\"40\";name=n;ds=\"1\";dh=\"0\";}\nx"), "ensureNSString failed");  // no flags
    EXPECT_EQ(thrown(40, header("40", std::to_string(kBody.size()), "12345") + "\n" + kBody), "dh unmatch");
    const std::string notPlist = "not { a property list";
    EXPECT_FALSE(thrown(40, file(40, notPlist)).empty());
    EXPECT_FALSE(thrown(40, file(40, "")).empty());  // an empty body is no property list
    EXPECT_TRUE(manager->added.empty());
    EXPECT_FALSE(std::filesystem::exists(stored(40)));
}

TEST_F(LevelFileTest, TheBodyMayBeEightMebibytesAndNotOneByteMore) {
    const std::string largest = "\"" + std::string(kMaxDownloadedLevelBytes - 2, 'a') + "\"";
    EXPECT_TRUE(process(40, file(40, largest)));
    const std::string tooBig = largest + " ";
    EXPECT_EQ(thrown(40, file(40, tooBig)), "too big size");
}

TEST_F(LevelFileTest, TheCheckValueOfAnEmptyBodyIsThatOfTheDashAlone) {
    EXPECT_EQ(downloadedLevelCheckValue(nullptr, 0), referenceCrc32("-"));
    const std::string body = "abc";
    EXPECT_EQ(downloadedLevelCheckValue(reinterpret_cast<const uint8_t*>(body.data()), body.size()),
              referenceCrc32("-abc"));
}

TEST_F(LevelFileTest, ALevelsFolderThatIsAFileStoresNothing) {
    std::filesystem::create_directories(home.path() / "Documents");
    platform::writeFileAtomically(home.path() / "Documents" / "levels", "x", 1, 0644);
    EXPECT_FALSE(process(40, file(40, kBody)));
    EXPECT_TRUE(manager->added.empty());
}
