#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/foundation/AppPaths.h"
#include "platform/foundation/FileIO.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/foundation/SystemVersion.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using platform::AppPaths;
using tikoleap::test::TempDir;

namespace {

// Sets an environment variable for one test and puts the old value back afterwards.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = ::getenv(name)) old_ = old;
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

mode_t modeOf(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::lstat(p.c_str(), &st), 0) << p;
    return st.st_mode & 07777;
}

class AppPathsTest : public ::testing::Test {
  protected:
    void TearDown() override { AppPaths::setHome({}); }
    TempDir tmp;
};

}  // namespace

TEST_F(AppPathsTest, HomeRootsEveryFolderAndCreatesThemPrivate) {
    AppPaths::setHome(tmp.path());
    EXPECT_EQ(AppPaths::documentsDirectory(), tmp.path() / "Documents");
    EXPECT_EQ(AppPaths::libraryDirectory(), tmp.path() / "Library");
    EXPECT_EQ(AppPaths::cachesDirectory(), tmp.path() / "Caches");
    EXPECT_EQ(AppPaths::temporaryDirectory(), tmp.path() / "tmp");
    for (const char* name : {"Documents", "Library", "Caches", "tmp"}) {
        EXPECT_TRUE(fs::is_directory(tmp.path() / name)) << name;
        EXPECT_EQ(modeOf(tmp.path() / name), 0700u) << name;
    }
}

TEST_F(AppPathsTest, RelativeHomeIsMadeAbsoluteAndEmptyHomeRestoresXdgFolders) {
    const fs::path old = fs::current_path();
    fs::current_path(tmp.path());
    AppPaths::setHome("relative-home");
    fs::current_path(old);
    ASSERT_TRUE(AppPaths::home());
    EXPECT_EQ(*AppPaths::home(), tmp.path() / "relative-home");

    ScopedEnv data("XDG_DATA_HOME", (tmp.path() / "data").string());
    AppPaths::setHome({});
    EXPECT_FALSE(AppPaths::home());
    EXPECT_EQ(AppPaths::documentsDirectory(), tmp.path() / "data" / "tikoleap" / "Documents");
}

TEST_F(AppPathsTest, XdgFoldersFollowTheEnvironmentAndIgnoreRelativeValues) {
    ScopedEnv data("XDG_DATA_HOME", (tmp.path() / "data").string());
    ScopedEnv cache("XDG_CACHE_HOME", (tmp.path() / "cache").string());
    ScopedEnv tmpdir("TMPDIR", (tmp.path() / "t").string());
    fs::create_directories(tmp.path() / "t");
    EXPECT_EQ(AppPaths::documentsDirectory(), tmp.path() / "data/tikoleap/Documents");
    EXPECT_EQ(AppPaths::libraryDirectory(), tmp.path() / "data/tikoleap/Library");
    EXPECT_EQ(AppPaths::cachesDirectory(), tmp.path() / "cache/tikoleap");
    EXPECT_EQ(AppPaths::temporaryDirectory(), tmp.path() / ("t/tikoleap-" + std::to_string(::getuid())));
    EXPECT_EQ(modeOf(AppPaths::libraryDirectory()), 0700u);

    ScopedEnv home("HOME", (tmp.path() / "home").string());
    ScopedEnv relative("XDG_DATA_HOME", std::string("not/absolute"));
    EXPECT_EQ(AppPaths::documentsDirectory(), tmp.path() / "home/.local/share/tikoleap/Documents");
}

TEST_F(AppPathsTest, SharedTemporaryFolderIsNotTrustedWhenItIsALinkOrOpenToOthers) {
    ScopedEnv tmpdir("TMPDIR", tmp.path().string());
    const fs::path shared = tmp.path() / ("tikoleap-" + std::to_string(::getuid()));
    fs::create_directories(tmp.path() / "elsewhere");
    fs::create_directory_symlink(tmp.path() / "elsewhere", shared);
    const fs::path chosen = AppPaths::temporaryDirectory();
    EXPECT_NE(chosen, shared);
    EXPECT_TRUE(fs::is_directory(chosen));
    EXPECT_FALSE(fs::is_symlink(chosen));
    EXPECT_EQ(modeOf(chosen), 0700u);
}

TEST(AtomicFiles, WriteReplacesContentsWithModeAndLeavesNoTemporaryFiles) {
    TempDir tmp;
    const fs::path file = tmp.path() / "data.bin";
    std::string error;
    ASSERT_TRUE(platform::writeFileAtomically(file, "old contents", 12, 0600, &error)) << error;
    EXPECT_EQ(modeOf(file), 0600u);
    // The mode is that of a new file: a replaced one keeps its own.
    ASSERT_TRUE(platform::writeFileAtomically(file, "new", 3, 0644, &error)) << error;
    EXPECT_EQ(tmp.read("data.bin"), (std::vector<uint8_t>{'n', 'e', 'w'}));
    EXPECT_EQ(modeOf(file), 0600u);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(tmp.path())) ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(AtomicFiles, FailedWriteKeepsTheOldFileAndSaysWhy) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
    TempDir tmp;
    tmp.write("keep.bin", std::string_view("precious"));
    fs::permissions(tmp.path(), fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
    std::string error;
    EXPECT_FALSE(platform::writeFileAtomically(tmp.path() / "keep.bin", "x", 1, 0644, &error));
    EXPECT_FALSE(error.empty());
    fs::permissions(tmp.path(), fs::perms::owner_all, fs::perm_options::replace);
    EXPECT_EQ(tmp.read("keep.bin").size(), 8u);
}

TEST(AtomicFiles, WriteIntoMissingFolderFailsWithoutCreatingIt) {
    TempDir tmp;
    std::string error;
    EXPECT_FALSE(platform::writeFileAtomically(tmp.path() / "no/such/file", "x", 1, 0644, &error));
    EXPECT_FALSE(fs::exists(tmp.path() / "no"));
}

TEST(WholeFileReads, DistinguishMissingUnreadableOversizedAndGood) {
    TempDir tmp;
    using Status = platform::FileReadResult::Status;
    EXPECT_EQ(platform::readWholeFile(tmp.path() / "absent", 100).status, Status::Missing);
    EXPECT_EQ(platform::readWholeFile(tmp.path(), 100).status, Status::Failed);  // a folder
    tmp.write("ten", std::string_view("0123456789"));
    const auto tooBig = platform::readWholeFile(tmp.path() / "ten", 9);
    EXPECT_EQ(tooBig.status, Status::Failed);
    EXPECT_NE(tooBig.error.find("too large"), std::string::npos);
    const auto good = platform::readWholeFile(tmp.path() / "ten", 10);
    ASSERT_EQ(good.status, Status::Ok);
    EXPECT_EQ(good.bytes.size(), 10u);
}

TEST(SystemVersion, ComparesComponentsAsNumbers) {
    using platform::compareVersionsNumerically;
    EXPECT_EQ(compareVersionsNumerically("10.0", "9.3"), 1);
    EXPECT_EQ(compareVersionsNumerically("4.0", "4"), 0);
    EXPECT_EQ(compareVersionsNumerically("4.0.1", "4.0"), 1);
    EXPECT_EQ(compareVersionsNumerically("3.2", "4.0"), -1);
    EXPECT_GE(compareVersionsNumerically(platform::kSystemVersion, "4.0"), 0);
    EXPECT_EQ(compareVersionsNumerically("99999999999999999999999", "1"), 1);
}

TEST(LogLines, FormatLabelsAndSilenceTheDebugLevel) {
    platform::ScopedLogSink capture;
    platform::logMessage("fn", 1, "debug only");
    platform::logMessage("fn", 2, "");
    platform::logMessage("fn", 3, "text");
    platform::logMessage("fn", 4);
    platform::logMessage(nullptr, 7, "x");
    EXPECT_EQ(capture.lines(),
              (std::vector<std::string>{"[INFO] fn", "[WARN] fn\ntext", "[ERROR] fn", "[] (null)\nx"}));
}

TEST(LogLines, TheTerminalReadsEachEntryOnOneLine) {
    const platform::LogSink previous = platform::setLogSink(nullptr);
    testing::internal::CaptureStderr();
    platform::logMessage("fn", 3, "text");
    platform::logMessage("fn", 4);
    const std::string printed = testing::internal::GetCapturedStderr();
    platform::setLogSink(previous);
    EXPECT_EQ(printed, "[WARN] fn: text\n[ERROR] fn\n");
}

// Whatever floor writes a line, a value in it from a server or a page can neither flood the log nor
// start a line of its own.
TEST(LogLines, TheLogCutsAndEscapesEveryLineWhoeverWritesIt) {
    platform::ScopedLogSink capture(true);
    platform::logMessage("fn\n[ERROR] forged", 3,
                         "stopping https://ads.example/\n[WARN] HeadlessWaits: \u202e\xff");
    platform::logMessage("fn", 1, "\x1b[2J");
    platform::logMessage("fn", 2, std::string(1500092, 'u'));
    platform::logLine("<Rerive> one\ntwo\u2028three");
    ASSERT_EQ(capture.lines().size(), 4u);
    EXPECT_EQ(
        capture.lines()[0],
        "[WARN] fn\\n[ERROR] forged\nstopping https://ads.example/\\n[WARN] HeadlessWaits: \\u202e\\xff");
    EXPECT_EQ(capture.lines()[1], "[] fn\n\\x1b[2J");
    EXPECT_EQ(capture.lines()[2], "[INFO] fn\n" + std::string(platform::kMaxLoggedTextBytes, 'u') + "...");
    EXPECT_EQ(capture.lines()[3], "<Rerive> one\\ntwo\\u2028three");
}

TEST(LogLines, ScopedSinkPutsThePreviousSinkBack) {
    std::vector<std::string> outer;
    platform::ScopedLogSink first([&](const std::string& line) { outer.push_back(line); });
    {
        platform::ScopedLogSink inner;
        platform::logMessage("a", 2);
        EXPECT_EQ(inner.lines().size(), 1u);
    }
    platform::logMessage("b", 2);
    EXPECT_EQ(outer, (std::vector<std::string>{"[INFO] b"}));
}
