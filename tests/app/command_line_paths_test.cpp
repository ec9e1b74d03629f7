// The paths on the command line are checked before a run: outputs only ever replace regular
// files (through links, keeping their mode) and need a folder to go in, the input script is a
// bounded regular file, and a broken resources folder stops the program with a message instead
// of a run without pictures.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/CommandLineChecks.h"
#include "support/Command.h"
#include "support/PngHeaders.h"
#include "support/RunOutput.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using tikoleap::test::TempDir;

namespace {

using Process = tikoleap::test::CommandResult;

// Standard output and error together.
Process runTikoleap(const std::string& arguments) {
    return tikoleap::test::runCommand(std::string(TIKOLEAP_BINARY_DIR) +
                                      "/tikoleap --headless --ticks 5 --seed 1 " + arguments + " 2>&1");
}

bool makeSocket(const fs::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    const bool ok = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) ::close(fd);
    return ok;
}

mode_t typeOf(const fs::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

class CommandLinePaths : public ::testing::Test {
  protected:
    std::string home() const { return "--home " + tmp.path().string() + "/home "; }
    TempDir tmp;
};

}  // namespace

TEST_F(CommandLinePaths, AnOutputThatIsNotARegularFileIsRefusedBeforeTheRun) {
    fs::create_directories(tmp.path() / "folder.png");
    ASSERT_EQ(::mkfifo((tmp.path() / "fifo.png").c_str(), 0644), 0);
    ASSERT_TRUE(makeSocket(tmp.path() / "socket.png"));
    std::vector<std::string> targets{"folder.png", "fifo.png", "socket.png"};
    if (::geteuid() == 0) {
        // A private copy of the null device: the real one must never be put at risk.
        ASSERT_EQ(::mknod((tmp.path() / "device.png").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
        targets.push_back("device.png");
    }
    for (const std::string option : {"--screenshot ", "--sound-out "}) {
        for (const std::string& name : targets) {
            SCOPED_TRACE(option + name);
            const fs::path target = tmp.path() / name;
            const mode_t before = typeOf(target);
            const Process p = runTikoleap(home() + option + target.string());
            EXPECT_EQ(p.code, 2) << p.out;
            EXPECT_NE(p.out.find(target.string()), std::string::npos) << p.out;
            EXPECT_EQ(p.out.find("\"ticks\""), std::string::npos) << "the run must not start: " << p.out;
            EXPECT_EQ(typeOf(target), before);
        }
    }

    // Through a link, what the link names decides.
    fs::create_symlink("fifo.png", tmp.path() / "to-fifo.png");
    EXPECT_EQ(runTikoleap(home() + "--screenshot " + (tmp.path() / "to-fifo.png").string()).code, 2);
    EXPECT_EQ(typeOf(tmp.path() / "fifo.png"), static_cast<mode_t>(S_IFIFO));

    // A frames folder that is a file, or a frame in it that is not a file.
    tmp.write("not-a-folder", std::string_view("keep"));
    EXPECT_EQ(runTikoleap(home() + "--frames-dir " + (tmp.path() / "not-a-folder").string()).code, 2);
    EXPECT_EQ(tmp.read("not-a-folder").size(), 4u);
    fs::create_directories(tmp.path() / "frames");
    ASSERT_EQ(::mkfifo((tmp.path() / "frames" / "frame-000003.png").c_str(), 0644), 0);
    const Process frames = runTikoleap(home() + "--frames-dir " + (tmp.path() / "frames").string());
    EXPECT_EQ(frames.code, 2) << frames.out;
    EXPECT_NE(frames.out.find("frame-000003.png"), std::string::npos) << frames.out;
}

TEST_F(CommandLinePaths, AnOutputThatCannotBeWrittenWhereItIsNamedExitsWithOne) {
    tmp.write("a-file", std::string_view("keep"));
    const std::string tooLong = (tmp.path() / (std::string(300, 'x') + ".png")).string();
    for (const std::string option : {"--screenshot ", "--sound-out ", "--frames-dir "}) {
        for (const std::string& path : {(tmp.path() / "a-file" / "out.png").string(), tooLong,
                                        (tmp.path() / "absent" / "out.png").string()}) {
            if (option == "--frames-dir " && path.find("absent") != std::string::npos) continue;  // made
            SCOPED_TRACE(option + path);
            const Process p = runTikoleap(home() + option + path);
            EXPECT_EQ(p.code, 1) << p.out;
            EXPECT_NE(p.out.find("cannot be written"), std::string::npos) << p.out;
            EXPECT_EQ(p.out.find("\"ticks\""), std::string::npos) << p.out;
        }
    }
    EXPECT_EQ(tmp.read("a-file").size(), 4u);
}

TEST_F(CommandLinePaths, AScreenshotThroughALinkReplacesTheLinkedFileAndKeepsTheLinkAndTheMode) {
    fs::create_directories(tmp.path() / "shots");
    tmp.write("shots/last.png", std::string_view("old picture"));
    fs::permissions(tmp.path() / "shots" / "last.png", fs::perms(0640));
    fs::create_symlink("shots/last.png", tmp.path() / "link.png");
    const Process p = runTikoleap(home() + "--screenshot " + (tmp.path() / "link.png").string());
    ASSERT_EQ(p.code, 0) << p.out;
    EXPECT_TRUE(fs::is_symlink(tmp.path() / "link.png"));
    EXPECT_EQ(fs::status(tmp.path() / "shots" / "last.png").permissions(), fs::perms(0640));
    const std::vector<uint8_t> png = tmp.read("shots/last.png");
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
}

TEST_F(CommandLinePaths, TheInputScriptMustBeABoundedRegularFile) {
    fs::create_directories(tmp.path() / "script-folder");
    tmp.write("huge.txt", std::string_view("1 tilt 0\n"));
    fs::resize_file(tmp.path() / "huge.txt", 64 * 1024 * 1024 + 1);
    struct Case {
        std::string path;
        const char* reason;
    };
    for (const Case& c :
         {Case{(tmp.path() / "script-folder").string(), "not a regular file"},
          Case{"/dev/zero", "not a regular file"}, Case{(tmp.path() / "huge.txt").string(), "file too large"},
          Case{(tmp.path() / "absent.txt").string(), "no such file"}}) {
        SCOPED_TRACE(c.path);
        const Process p = runTikoleap(home() + "--input " + c.path);
        EXPECT_EQ(p.code, 2) << p.out;
        EXPECT_NE(p.out.find(c.path + ": cannot read the input script: " + c.reason), std::string::npos)
            << p.out;
    }
}

TEST_F(CommandLinePaths, AMissingEmptyOrIncompleteResourcesFolderStopsTheProgram) {
    fs::create_directories(tmp.path() / "empty");
    const fs::path partial = tmp.path() / "partial";
    fs::copy(TIKOLEAP_RESOURCES_DIR, partial, fs::copy_options::recursive);
    for (const char* scale : {"", "_cs150", "_cs200"})
        fs::remove(partial / ("toge" + std::string(scale) + ".png"));
    const fs::path broken = tmp.path() / "broken";
    fs::copy(TIKOLEAP_RESOURCES_DIR, broken, fs::copy_options::recursive);
    fs::resize_file(broken / "haikei.png", 100);

    struct Case {
        fs::path folder;
        std::string named;
    };
    for (const Case& c : {Case{tmp.path() / "absent", "is missing"}, Case{tmp.path() / "empty", "is empty"},
                          Case{partial, ": toge (no toge.png)"}, Case{broken, ": haikei (cannot decode"}}) {
        SCOPED_TRACE(c.folder.string());
        const Process p = runTikoleap(home() + "--resources " + c.folder.string());
        EXPECT_EQ(p.code, 1) << p.out;
        EXPECT_NE(p.out.find(c.named), std::string::npos) << p.out;
        EXPECT_NE(p.out.find(c.folder.string()), std::string::npos) << p.out;
    }
    // The real folder passes, and so does a missing output in a real folder.
    EXPECT_FALSE(checkResources(TIKOLEAP_RESOURCES_DIR));
    EXPECT_FALSE(checkOutputFile("--screenshot", (tmp.path() / "new.png").string()));
}

// A damaged interface file or picture, or a texture whose header the decoder refuses, stops the
// program with a message naming the file, never an abort; so does an interface file naming what its
// screen does not have, which shows only when the screen loads.
TEST_F(CommandLinePaths, ADamagedInterfaceFileOrPictureStopsTheProgramNamingIt) {
    const fs::path copy = tmp.path() / "resources";
    fs::copy(TIKOLEAP_RESOURCES_DIR, copy, fs::copy_options::recursive);
    const std::vector<std::uint8_t> huge = tikoleap::test::pngClaiming(60000, 60000);
    std::string strayOutlet = tikoleap::test::readFile(copy / "ui" / "Title_Portrait.json");
    strayOutlet.replace(strayOutlet.find("\"levelSelectBtn\""), 16, "\"strayOutlet\"");
    // The pause screen, which no start shows, names a picture that is not there.
    std::string missingPicture = tikoleap::test::readFile(copy / "ui" / "Pause_Portrait.json");
    missingPicture.replace(missingPicture.find("\"pause_sky\""), 11, "\"pause_skies\"");
    struct Case {
        std::string file;
        std::vector<std::uint8_t> bytes;
        std::vector<std::string> named;
    };
    const auto text = [](std::string_view t) { return std::vector<std::uint8_t>(t.begin(), t.end()); };
    for (const Case& c :
         {Case{"ui/Title_Portrait.json", text("{\"class\": 5}"), {"Title_Portrait.json", "class"}},
          Case{"ui/menu_sky.png", huge, {"menu_sky.png", "60000 x 60000"}},
          Case{"haikei.png", huge, {": haikei (cannot decode", "60000 x 60000"}},
          Case{"ui/Title_Portrait.json", text(strayOutlet), {"Title_Portrait.json", "strayOutlet"}},
          Case{"ui/Pause_Portrait.json", text(missingPicture), {"Pause_Portrait.json", "pause_skies"}}}) {
        SCOPED_TRACE(c.file);
        const std::vector<std::uint8_t> original = tmp.read("resources/" + c.file);
        tmp.write("resources/" + c.file, c.bytes);
        const Process p = runTikoleap(home() + "--resources " + copy.string());
        EXPECT_EQ(p.code, 1) << p.out;
        for (const std::string& named : c.named) EXPECT_NE(p.out.find(named), std::string::npos) << p.out;
        EXPECT_EQ(p.out.find("terminate"), std::string::npos) << p.out;
        tmp.write("resources/" + c.file, original);
    }
}

// A texture or interface picture whose checksums hold but whose data does not decode passes the
// start-up check of whole files; where it is loaded it stops the program, naming the file.
TEST_F(CommandLinePaths, APictureWhoseDataDoesNotDecodeStopsTheProgramNamingIt) {
    const fs::path copy = tmp.path() / "resources";
    fs::copy(TIKOLEAP_RESOURCES_DIR, copy, fs::copy_options::recursive);
    using tikoleap::test::pngClaiming;
    const std::vector<std::uint8_t> garbage = pngClaiming(64, 64, 8, {0xff, 0xff, 0x13, 0x37, 0xff, 0xff});
    const std::vector<std::uint8_t> cutShort = pngClaiming(2048, 2048);
    struct Case {
        std::string file;
        std::vector<std::uint8_t> bytes;
        std::string arguments;  // the texture loads with the game, the title's buttons on the title
    };
    for (const Case& c :
         {Case{"haikei.png", garbage, "--level 20"}, Case{"haikei.png", cutShort, "--level 20"},
          Case{"ui/btn_green_240x56_pressed.png", garbage, ""}}) {
        SCOPED_TRACE(c.file);
        const std::vector<std::uint8_t> original = tmp.read("resources/" + c.file);
        tmp.write("resources/" + c.file, c.bytes);
        const Process p = runTikoleap(home() + c.arguments + " --resources " + copy.string());
        EXPECT_EQ(p.code, 1) << p.out;
        EXPECT_NE(p.out.find((copy / c.file).string()), std::string::npos) << p.out;
        EXPECT_EQ(p.out.find("terminate"), std::string::npos) << p.out;
        tmp.write("resources/" + c.file, original);
    }
}

// The start judges the interface pictures whole without decoding them (decoding every one cost
// each start tens of milliseconds): a picture whose header and checksums are right but whose pixels
// are cut short stops the run, naming it, when its screen loads, and a run that never shows that
// screen does not pay for it.
TEST_F(CommandLinePaths, AnInterfacePictureIsDecodedWhenItsScreenLoadsNotAtTheStart) {
    const fs::path copy = tmp.path() / "resources";
    fs::copy(TIKOLEAP_RESOURCES_DIR, copy, fs::copy_options::recursive);
    tmp.write("resources/ui/pause_sky.png", tikoleap::test::pngClaiming(320, 480));
    const std::string resources = "--resources " + copy.string() + " --level 20 ";
    const Process playing = runTikoleap(home() + resources);
    EXPECT_EQ(playing.code, 0) << playing.out;
    tmp.write("pause.txt", std::string_view("2 background\n"));
    const Process paused = runTikoleap(home() + resources + "--input " + (tmp.path() / "pause.txt").string());
    EXPECT_EQ(paused.code, 1) << paused.out;
    EXPECT_NE(paused.out.find("ui/pause_sky.png"), std::string::npos) << paused.out;
}
