// Stored files: what could not be read is never destroyed, deep or shared nesting is refused
// before the library recurses, special files neither hang nor get replaced, links are written
// through only into the game's folders, replaced files keep their owner, and temporaries left by
// killed runs are recognised and swept.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "platform/foundation/AppPaths.h"
#include "platform/foundation/FileIO.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/foundation/StoredFile.h"
#include "platform/plist/PlistFile.h"
#include "platform/plist/PlistLimits.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

namespace fs = std::filesystem;
using platform::PlistDict;
using tikoleap::test::TempDir;

namespace {

PlistDict unlockState() {
    PlistDict d;
    d.setInt("20", 1);
    d.setInt("21", 1);
    return d;
}

std::string text(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

void putBigEndian(std::vector<uint8_t>& out, uint64_t value, int width) {
    for (int i = width - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A binary list of `objects` objects, object i made by `object(i)` (marker and references, 4-byte
// references), object 0 the root.
template <class Fn>
std::vector<uint8_t> binaryList(uint64_t objects, Fn object) {
    std::vector<uint8_t> out{'b', 'p', 'l', 'i', 's', 't', '0', '0'};
    std::vector<uint64_t> offsets;
    for (uint64_t i = 0; i < objects; ++i) {
        offsets.push_back(out.size());
        object(i, out);
    }
    const uint64_t table = out.size();
    for (uint64_t offset : offsets) putBigEndian(out, offset, 4);
    for (int i = 0; i < 6; ++i) out.push_back(0);
    out.push_back(4);  // offset size
    out.push_back(4);  // reference size
    putBigEndian(out, objects, 8);
    putBigEndian(out, 0, 8);
    putBigEndian(out, table, 8);
    return out;
}

// Arrays nested `depth` deep, each holding the next; the innermost one holds an empty dictionary
// when `depth` counts it too.
std::vector<uint8_t> nestedArrays(uint64_t depth) {
    return binaryList(depth, [depth](uint64_t i, std::vector<uint8_t>& out) {
        if (i + 1 == depth) {
            out.push_back(0xD0);
        } else {
            out.push_back(0xA1);
            putBigEndian(out, i + 1, 4);
        }
    });
}

std::string nestedXml(int depth) {
    std::string xml = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>k</key>";
    for (int i = 1; i < depth; ++i) xml += "<array>";
    xml += "<integer>1</integer>";
    for (int i = 1; i < depth; ++i) xml += "</array>";
    return xml + "</dict></plist>";
}

class StoredFiles : public ::testing::Test {
  protected:
    fs::path file(const std::string& name) const { return tmp.path() / name; }

    TempDir tmp;
    platform::ScopedLogSink log;
};

}  // namespace

TEST_F(StoredFiles, AFileThatCouldNotBeReadIsMovedAsideWithOneWarningBeforeItIsReplaced) {
    std::vector<uint8_t> truncated = unlockState().toBinary();
    truncated.resize(truncated.size() - 5);
    struct Case {
        const char* what;
        std::string bytes;
    };
    const std::vector<Case> cases{
        {"empty", ""},
        {"garbage", "\x01\x02 no list here \xff"},
        {"truncated", text(truncated)},
        {"wrong root",
         "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><integer>1</integer></array></plist>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path store = file(std::string(c.what) + ".plist");
        tmp.write(store.filename(), c.bytes);
        EXPECT_FALSE(platform::readPlistDictionaryFile(store));
        log.clear();
        ASSERT_TRUE(platform::writePlistDictionaryFile(store, unlockState()));
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_EQ(log.lines()[0].rfind("[WARN] WriteDictionaryToPlistFile\n", 0), 0u) << log.lines()[0];
        EXPECT_NE(log.lines()[0].find(store.string() + ","), std::string::npos) << log.lines()[0];
        EXPECT_NE(log.lines()[0].find(store.string() + ".corrupt"), std::string::npos) << log.lines()[0];
        EXPECT_EQ(text(tmp.read(store.filename().string() + ".corrupt")), c.bytes);
        EXPECT_EQ(platform::readPlistDictionaryFile(store)->getInt("21"), 1);
        // A good file is replaced without ceremony.
        log.clear();
        ASSERT_TRUE(platform::writePlistDictionaryFile(store, unlockState()));
        EXPECT_TRUE(log.lines().empty());
    }
}

TEST_F(StoredFiles, EarlierCopiesSetAsideAreKept) {
    const fs::path store = file("unlockinglevels.plist");
    for (const char* bytes : {"first", "second", "third"}) {
        tmp.write("unlockinglevels.plist", std::string_view(bytes));
        EXPECT_FALSE(platform::readPlistDictionaryFile(store));
        ASSERT_TRUE(platform::writePlistDictionaryFile(store, unlockState()));
    }
    EXPECT_EQ(text(tmp.read("unlockinglevels.plist.corrupt")), "first");
    EXPECT_EQ(text(tmp.read("unlockinglevels.plist.corrupt.1")), "second");
    EXPECT_EQ(text(tmp.read("unlockinglevels.plist.corrupt.2")), "third");
}

TEST_F(StoredFiles, AFileNeverReadInThisRunIsCheckedBeforeItIsReplaced) {
    tmp.write("settings.plist", std::string_view("precious but not a list"));
    ASSERT_TRUE(platform::writePlistDictionaryFile(file("settings.plist"), unlockState()));
    EXPECT_EQ(text(tmp.read("settings.plist.corrupt")), "precious but not a list");

    // A file over the size cap cannot be read either, so it is kept too.
    const fs::path big = file("big.plist");
    tmp.write("big.plist", unlockState().toBinary());
    fs::resize_file(big, platform::kMaxPlistFileBytes + 1);
    EXPECT_FALSE(platform::readPlistDictionaryFile(big));
    ASSERT_TRUE(platform::writePlistDictionaryFile(big, unlockState()));
    EXPECT_EQ(fs::file_size(file("big.plist.corrupt")), platform::kMaxPlistFileBytes + 1);
}

TEST_F(StoredFiles, AFileThatExistsButCannotBeOpenedIsNotReplaced) {
    const fs::path store = file("unlockinglevels.plist");
    const int code = tikoleap::test::runUnprivileged(tmp.path(), [&] {
        platform::ScopedLogSink childLog;
        if (!platform::writePlistDictionaryFile(store, unlockState())) return 1;
        if (::chmod(store.c_str(), 0) != 0) return 2;
        if (platform::readPlistDictionaryFile(store)) return 3;  // permission denied
        PlistDict changed = unlockState();
        changed.setInt("22", 1);
        childLog.clear();
        if (platform::writePlistDictionaryFile(store, changed)) return 4;
        if (childLog.lines().size() != 1 || childLog.lines()[0].rfind("[WARN]", 0) != 0) return 5;
        if (childLog.lines()[0].find("cannot be opened") == std::string::npos) return 6;
        struct stat st {};
        if (::stat(store.c_str(), &st) != 0 || (st.st_mode & 0777) != 0) return 7;
        if (fs::exists(store.string() + ".corrupt")) return 8;
        return 0;
    });
    EXPECT_EQ(code, 0);
    ::chmod(store.c_str(), 0644);
    EXPECT_EQ(platform::readPlistDictionaryFile(store)->getInt("22"), std::nullopt);
}

TEST_F(StoredFiles, NestingBeyondTheLimitIsRefusedBeforeTheLibraryRecurses) {
    // The root dictionary counts as one level.
    std::string why;
    const std::string atLimit = nestedXml(platform::kMaxPlistNesting);
    EXPECT_TRUE(PlistDict::parse(atLimit.data(), atLimit.size(), &why)) << why;
    const std::string overLimit = nestedXml(platform::kMaxPlistNesting + 1);
    EXPECT_FALSE(PlistDict::parse(overLimit.data(), overLimit.size(), &why));
    EXPECT_NE(why.find("nested too deeply"), std::string::npos) << why;

    // A binary root array is not a dictionary, but the limit comes first.
    const std::vector<uint8_t> binaryAtLimit = nestedArrays(platform::kMaxPlistNesting);
    EXPECT_TRUE(platform::plistWithinLimits(binaryAtLimit.data(), binaryAtLimit.size(), &why)) << why;
    const std::vector<uint8_t> binaryOverLimit = nestedArrays(platform::kMaxPlistNesting + 1);
    EXPECT_FALSE(platform::plistWithinLimits(binaryOverLimit.data(), binaryOverLimit.size(), &why));

    // The files that crashed: 100 000 levels in under a megabyte, and 15 MB of XML.
    tmp.write("deep.plist", nestedArrays(100000));
    EXPECT_LT(fs::file_size(file("deep.plist")), 1000000u);
    EXPECT_FALSE(platform::readPlistDictionaryFile(file("deep.plist")));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_NE(log.lines()[0].find("nested too deeply"), std::string::npos) << log.lines()[0];
    ASSERT_TRUE(platform::writePlistDictionaryFile(file("deep.plist"), unlockState()));
    EXPECT_TRUE(fs::exists(file("deep.plist.corrupt")));

    std::string deepXml = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>k</key>";
    for (int i = 0; i < 1000000; ++i) deepXml += "<array>";
    tmp.write("deep-xml.plist", deepXml);
    EXPECT_FALSE(platform::readPlistDictionaryFile(file("deep-xml.plist")));
    ASSERT_TRUE(platform::writePlistDictionaryFile(file("deep-xml.plist"), unlockState()));
}

TEST_F(StoredFiles, SharedAndSelfReferencesAreRefusedWhereTheLibraryWouldExpandOrLoop) {
    // Each array holds the next one twice: 2^30 nodes once expanded, from 31 objects.
    const std::vector<uint8_t> shared = binaryList(31, [](uint64_t i, std::vector<uint8_t>& out) {
        if (i == 30) {
            out.push_back(0x10);
            out.push_back(7);
            return;
        }
        out.push_back(0xA2);
        putBigEndian(out, i + 1, 4);
        putBigEndian(out, i + 1, 4);
    });
    std::string why;
    EXPECT_FALSE(platform::plistWithinLimits(shared.data(), shared.size(), &why));
    EXPECT_NE(why.find("too many objects"), std::string::npos) << why;

    const std::vector<uint8_t> loop = binaryList(2, [](uint64_t i, std::vector<uint8_t>& out) {
        out.push_back(0xA1);
        putBigEndian(out, 1 - i, 4);
    });
    EXPECT_FALSE(platform::plistWithinLimits(loop.data(), loop.size(), &why));

    // Our own files, with shared keys and values, pass.
    PlistDict keychainLike;
    platform::PlistArray items;
    for (int i = 0; i < 50; ++i) items.appendDict(unlockState());
    keychainLike.setArray("items", items);
    const std::vector<uint8_t> ours = keychainLike.toBinary();
    EXPECT_TRUE(platform::plistWithinLimits(ours.data(), ours.size(), &why)) << why;
}

TEST_F(StoredFiles, AFifoInPlaceOfTheStoreNeitherHangsNorIsReplaced) {
    const fs::path store = file("unlockinglevels.plist");
    ASSERT_EQ(::mkfifo(store.c_str(), 0644), 0);
    auto read = std::async(std::launch::async, [&] { return platform::readPlistDictionaryFile(store); });
    if (read.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "reading a FIFO blocks";
        ::close(::open(store.c_str(), O_WRONLY | O_NONBLOCK));  // lets the reader go
    }
    EXPECT_FALSE(read.get());
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_NE(log.lines()[0].find("not a regular file"), std::string::npos);

    EXPECT_FALSE(platform::writePlistDictionaryFile(store, unlockState()));
    struct stat st {};
    ASSERT_EQ(::lstat(store.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(StoredFiles, ALinkIsWrittenThroughOnlyWhileItLeadsIntoTheGamesFolders) {
    // The game's folders are the home; "outside" stands for any other file on the machine.
    platform::AppPaths::setHome(file("home"));
    struct ResetHome {
        ~ResetHome() { platform::AppPaths::setHome({}); }
    } resetHome;
    const fs::path docs = platform::AppPaths::documentsDirectory();
    fs::create_directories(file("home/elsewhere"));
    tmp.write("home/elsewhere/real.plist", unlockState().toBinary());
    fs::create_symlink("../elsewhere/real.plist", docs / "unlockinglevels.plist");
    fs::create_symlink("unlockinglevels.plist", docs / "second-link.plist");
    PlistDict changed = unlockState();
    changed.setInt("25", 1);
    ASSERT_TRUE(platform::writePlistDictionaryFile(docs / "second-link.plist", changed));
    EXPECT_TRUE(fs::is_symlink(docs / "unlockinglevels.plist"));
    EXPECT_TRUE(fs::is_symlink(docs / "second-link.plist"));
    EXPECT_EQ(platform::readPlistDictionaryFile(file("home/elsewhere/real.plist"))->getInt("25"), 1);
    // An unreadable target inside is set aside beside the target; a dangling link gets it made.
    tmp.write("home/elsewhere/real.plist", std::string_view("garbage"));
    EXPECT_FALSE(platform::readPlistDictionaryFile(docs / "unlockinglevels.plist"));
    ASSERT_TRUE(platform::writePlistDictionaryFile(docs / "unlockinglevels.plist", changed));
    EXPECT_EQ(text(tmp.read("home/elsewhere/real.plist.corrupt")), "garbage");
    fs::create_symlink(file("home/elsewhere/new.plist"), docs / "dangling.plist");
    ASSERT_TRUE(platform::writePlistDictionaryFile(docs / "dangling.plist", changed));
    EXPECT_TRUE(fs::is_regular_file(file("home/elsewhere/new.plist")));

    // Out of the home: an unparsable file, a missing one, a relative way out, a folder on the way.
    fs::create_directories(file("outside/library"));
    tmp.write("outside/passwd", std::string_view("root:x:0:0:root:/root:/bin/sh\n"));
    fs::permissions(file("outside/passwd"), fs::perms(0640));
    fs::create_symlink(file("outside/passwd"), docs / "settings.plist");
    fs::create_symlink(file("outside/missing.plist"), docs / "scores.plist");
    fs::create_symlink("../../outside/passwd", docs / "relative.plist");
    fs::create_directory_symlink(file("outside/library"), docs / "Preferences");
    struct Case {
        fs::path store;
        fs::path leadsTo;
    };
    for (const Case& c :
         {Case{docs / "settings.plist", file("outside/passwd")},
          Case{docs / "scores.plist", file("outside/missing.plist")},
          Case{docs / "relative.plist", file("outside/passwd")},
          Case{docs / "Preferences" / "defaults.plist", file("outside/library/defaults.plist")}}) {
        SCOPED_TRACE(c.store.string());
        platform::readPlistDictionaryFile(c.store);
        log.clear();
        EXPECT_FALSE(platform::writePlistDictionaryFile(c.store, changed));
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_EQ(log.lines()[0].rfind("[WARN] WriteDictionaryToPlistFile\n", 0), 0u) << log.lines()[0];
        EXPECT_NE(log.lines()[0].find(c.store.string() + ":"), std::string::npos) << log.lines()[0];
        EXPECT_NE(log.lines()[0].find(c.leadsTo.string()), std::string::npos) << log.lines()[0];
    }
    EXPECT_TRUE(fs::is_symlink(docs / "settings.plist"));
    EXPECT_EQ(text(tmp.read("outside/passwd")), "root:x:0:0:root:/root:/bin/sh\n");
    EXPECT_EQ(fs::status(file("outside/passwd")).permissions(), fs::perms(0640));
    std::vector<std::string> outside;
    for (const auto& entry : fs::recursive_directory_iterator(file("outside")))
        outside.push_back(entry.path().lexically_relative(file("outside")).string());
    std::sort(outside.begin(), outside.end());
    EXPECT_EQ(outside, (std::vector<std::string>{"library", "passwd"}));

    // Without a home the game's folders are its XDG folders: a temporary folder is not one of them.
    platform::AppPaths::setHome({});
    fs::create_symlink(file("outside/passwd"), file("link.plist"));
    EXPECT_FALSE(platform::writePlistDictionaryFile(file("link.plist"), changed));
    EXPECT_EQ(text(tmp.read("outside/passwd")), "root:x:0:0:root:/root:/bin/sh\n");
    // ... while a store the caller names outside them, without a link, is the caller's choice.
    ASSERT_TRUE(platform::writePlistDictionaryFile(file("plain.plist"), changed));

    fs::create_symlink("loop-b", docs / "loop-a");
    fs::create_symlink("loop-a", docs / "loop-b");
    EXPECT_FALSE(platform::writePlistDictionaryFile(docs / "loop-a", changed));
}

TEST_F(StoredFiles, AReplacedFileKeepsItsOwnerAndAnOutputItsModeWhileAStoreTakesItsOwn) {
    tmp.write("shot.png", std::string_view("old"));
    fs::permissions(file("shot.png"), fs::perms(0640));
    fs::create_symlink("shot.png", file("link.png"));
    const bool root = ::geteuid() == 0;
    // Root writes someone else's file: it stays theirs.
    if (root) {
        ASSERT_EQ(::chown(file("shot.png").c_str(), 4321, 4321), 0);
    }
    std::string error;
    ASSERT_TRUE(platform::writeFileAtomically(file("link.png"), "new", 3, 0644, &error)) << error;
    struct stat st {};
    ASSERT_EQ(::stat(file("shot.png").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 4321u);
    }
    ASSERT_TRUE(platform::writeFileAtomically(file("new.png"), "new", 3, 0644, &error)) << error;
    ASSERT_EQ(::stat(file("new.png").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);

    // A store's mode is part of its privacy: an older, wider file is narrowed.
    tmp.write("keychain.plist", unlockState().toBinary());
    fs::permissions(file("keychain.plist"), fs::perms(0644));
    ASSERT_TRUE(platform::writePlistDictionaryFile(file("keychain.plist"), unlockState(), 0600));
    ASSERT_EQ(::stat(file("keychain.plist").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST_F(StoredFiles, StaleTemporariesOfDeadProcessesAreSweptAndOthersKept) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::string dead = std::to_string(child);
    const std::vector<std::string> stale{
        ".unlockinglevels.plist.tikoleap-" + dead + "-0.tmp",
        ".frame-000007.png.tikoleap-" + dead + "-12.tmp",
        "frame-000001.png.tmp-" + dead + "-3",  // earlier image writer
        "unlockinglevels.plist.q7TzR2",         // earlier store writer
    };
    const std::vector<std::string> kept{
        ".unlockinglevels.plist.tikoleap-1-0.tmp",  // a process that runs
        "notes.plist.backup",
        "frame-000001.png",
        "unlockinglevels.plist",
    };
    for (const auto& name : stale) tmp.write(name, std::string_view("x"));
    for (const auto& name : kept) tmp.write(name, std::string_view("x"));
    EXPECT_TRUE(platform::isTemporaryFileName(stale[0]));
    EXPECT_FALSE(platform::isTemporaryFileName("unlockinglevels.plist"));
    const fs::path streamed = platform::temporaryPathFor(file("sound.wav"));
    EXPECT_EQ(streamed.parent_path(), tmp.path());
    EXPECT_TRUE(platform::isTemporaryFileName(streamed.filename().string())) << streamed;
    EXPECT_NE(platform::temporaryPathFor(file("sound.wav")), streamed);

    EXPECT_EQ(platform::removeStaleTemporaries(tmp.path()), 4);
    for (const auto& name : stale) EXPECT_FALSE(fs::exists(file(name))) << name;
    for (const auto& name : kept) EXPECT_TRUE(fs::exists(file(name))) << name;

    // The writer sweeps a folder the first time it writes there.
    fs::create_directories(file("frames"));
    tmp.write("frames/" + stale[1], std::string_view("x"));
    std::string error;
    ASSERT_TRUE(platform::writeFileAtomically(file("frames/frame-000001.png"), "png", 3, 0644, &error))
        << error;
    EXPECT_FALSE(fs::exists(file("frames/" + stale[1])));
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(file("frames"))) ++entries;
    EXPECT_EQ(entries, 1);

    // The app's folders are swept when first handed out at start-up.
    tmp.write("home/Documents/" + stale[0], std::string_view("x"));
    tmp.write("home/Library/" + stale[0], std::string_view("x"));
    platform::AppPaths::setHome(file("home"));
    platform::AppPaths::documentsDirectory();
    platform::AppPaths::libraryDirectory();
    platform::AppPaths::setHome({});
    EXPECT_FALSE(fs::exists(file("home/Documents/" + stale[0])));
    EXPECT_FALSE(fs::exists(file("home/Library/" + stale[0])));
}
