#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/foundation/ScopedLogSink.h"
#include "platform/plist/PlistFile.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using platform::PlistDict;
using tikoleap::test::TempDir;

namespace {

// Runs a shell command and returns its standard output; nothing when it cannot run or fails.
std::optional<std::string> run(const std::string& command) {
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    if (::pclose(pipe) != 0) return std::nullopt;
    return out;
}

bool haveTool(const std::string& name) {
    return run("command -v " + name).has_value();
}

PlistDict settingsLike() {
    PlistDict d;
    d.setInt("soundVolume.max3", 2);
    d.setInt("currentLevelId", -20);
    d.setReal("neutralAccelerometer.o1.z", -1.0);
    d.setString("CFBundleVersion", "1.0 é");
    d.setBool("flag", true);
    d.setData("arid", std::vector<uint8_t>{0xDE, 0xAD, 0xBE, 0xEF});
    return d;
}

class PlistFiles : public ::testing::Test {
  protected:
    TempDir tmp;
    platform::ScopedLogSink log;

    // Reads a file that must be refused: nothing, exactly one WARN naming it, bytes untouched.
    void expectRefusedWithOneWarning(const std::string& name) {
        const std::vector<uint8_t> before = tmp.read(name);
        log.clear();
        EXPECT_FALSE(platform::readPlistDictionaryFile(tmp.path() / name)) << name;
        ASSERT_EQ(log.lines().size(), 1u) << name;
        EXPECT_EQ(log.lines()[0].rfind("[WARN] ReadDictionaryFromPlistFile\n", 0), 0u) << log.lines()[0];
        EXPECT_NE(log.lines()[0].find((tmp.path() / name).string()), std::string::npos) << log.lines()[0];
        EXPECT_EQ(tmp.read(name), before) << name;
    }
};

}  // namespace

TEST_F(PlistFiles, WriteThenReadGivesTheSameDictionaryInBinaryForm) {
    const fs::path file = tmp.path() / "settings.plist";
    ASSERT_TRUE(platform::writePlistDictionaryFile(file, settingsLike()));
    const std::vector<uint8_t> bytes = tmp.read("settings.plist");
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), "bplist00");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    const auto back = platform::readPlistDictionaryFile(file);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->getInt("currentLevelId"), -20);
    EXPECT_EQ(back->getString("CFBundleVersion"), "1.0 é");
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(PlistFiles, MissingFileIsSilentlyNothing) {
    EXPECT_FALSE(platform::readPlistDictionaryFile(tmp.path() / "first-run.plist"));
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(PlistFiles, CorruptTruncatedAndWrongTypeFilesAreRefusedWithOneWarningAndKept) {
    tmp.write("garbage.plist", std::string_view("\x01\x02 definitely not a plist \xff\xfe"));
    expectRefusedWithOneWarning("garbage.plist");

    tmp.write("empty.plist", std::string_view(""));
    expectRefusedWithOneWarning("empty.plist");

    std::vector<uint8_t> bytes = settingsLike().toBinary();
    bytes.resize(bytes.size() / 2);
    tmp.write("truncated.plist", bytes);
    expectRefusedWithOneWarning("truncated.plist");

    tmp.write("array.plist", std::string_view("<?xml version=\"1.0\"?><plist version=\"1.0\"><array>"
                                              "<integer>1</integer></array></plist>"));
    expectRefusedWithOneWarning("array.plist");

    tmp.write("string.plist",
              std::string_view("<?xml version=\"1.0\"?><plist version=\"1.0\"><string>x</string></plist>"));
    expectRefusedWithOneWarning("string.plist");

    tmp.write("badxml.plist", std::string_view("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a"));
    expectRefusedWithOneWarning("badxml.plist");
}

TEST_F(PlistFiles, AFolderInPlaceOfTheFileIsRefusedWithOneWarning) {
    fs::create_directories(tmp.path() / "folder.plist");
    EXPECT_FALSE(platform::readPlistDictionaryFile(tmp.path() / "folder.plist"));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_NE(log.lines()[0].find("folder.plist"), std::string::npos);
}

TEST_F(PlistFiles, AFolderInTheWayIsNotReplacedAndTheWriteFailsWithOneWarning) {
    fs::create_directories(tmp.path() / "occupied.plist" / "inside");
    EXPECT_FALSE(platform::writePlistDictionaryFile(tmp.path() / "occupied.plist", settingsLike()));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("[WARN] WriteDictionaryToPlistFile\n", 0), 0u);
    EXPECT_TRUE(fs::is_directory(tmp.path() / "occupied.plist" / "inside"));
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(tmp.path())) ++entries;
    EXPECT_EQ(entries, 1) << "no temporary file may be left behind";
}

TEST_F(PlistFiles, WrittenFilesAreReadByPlistutil) {
    if (!haveTool("plistutil")) GTEST_SKIP() << "plistutil not installed";
    const fs::path file = tmp.path() / "out.plist";
    ASSERT_TRUE(platform::writePlistDictionaryFile(file, settingsLike()));
    const auto xml = run("plistutil -i '" + file.string() + "' -o -");
    ASSERT_TRUE(xml);
    EXPECT_NE(xml->find("<key>currentLevelId</key>\n\t<integer>-20</integer>"), std::string::npos) << *xml;
    EXPECT_NE(xml->find("<key>soundVolume.max3</key>\n\t<integer>2</integer>"), std::string::npos) << *xml;
    EXPECT_NE(xml->find("<string>1.0 é</string>"), std::string::npos) << *xml;
    EXPECT_NE(xml->find("<real>-1"), std::string::npos) << *xml;
    EXPECT_NE(xml->find("<true/>"), std::string::npos) << *xml;
    EXPECT_NE(xml->find("3q2+7w=="), std::string::npos) << *xml;  // base64 of DE AD BE EF
}

TEST_F(PlistFiles, PythonReadsOurFilesAndWeReadPythons) {
    if (!run("python3 -c 'import plistlib'")) GTEST_SKIP() << "python3 not available";
    const fs::path ours = tmp.path() / "ours.plist";
    ASSERT_TRUE(platform::writePlistDictionaryFile(ours, settingsLike()));
    const auto seen =
        run("python3 -c \"import plistlib,sys; d=plistlib.load(open(sys.argv[1],'rb')); "
            "print(d['currentLevelId'], d['soundVolume.max3'], d['neutralAccelerometer.o1.z'], "
            "d['flag'], d['arid'].hex(), d['CFBundleVersion'] == '1.0 \\u00e9')\" '" +
            ours.string() + "'");
    ASSERT_TRUE(seen);
    EXPECT_EQ(*seen, "-20 2 -1.0 True deadbeef True\n");

    for (const char* format : {"FMT_BINARY", "FMT_XML"}) {
        const fs::path theirs = tmp.path() / (std::string(format) + ".plist");
        ASSERT_TRUE(run(std::string("python3 -c \"import plistlib,sys; "
                                    "open(sys.argv[1],'wb').write(plistlib.dumps({'21': 1, 'name': 'x', "
                                    "'neg': -5, 'r': 2.5, 'nested': {'a': [1, 'b']}}, fmt=plistlib.") +
                        format + "))\" '" + theirs.string() + "'"));
        const auto back = platform::readPlistDictionaryFile(theirs);
        ASSERT_TRUE(back) << format;
        EXPECT_EQ(back->getInt("21"), 1);
        EXPECT_EQ(back->getInt("neg"), -5);
        EXPECT_EQ(back->getReal("r"), 2.5);
        EXPECT_EQ(back->getDict("nested")->getArray("a")->getString(1), "b");
    }
}
