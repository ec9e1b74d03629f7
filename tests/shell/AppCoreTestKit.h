#pragma once
// A real app core on a private home and resources folder, on the virtual clock: the start-up
// chain, the settings file and the keychain file as a launch sees them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/MyAppCore.h"
#include "platform/foundation/AppPaths.h"
#include "platform/gl/GLContext.h"
#include "platform/launcher/UrlOpener.h"
#include "platform/plist/PlistDict.h"
#include "platform/plist/PlistFile.h"
#include "platform/runloop/ManualRunLoop.h"
#include "support/TempDir.h"

namespace shelltest {

// The bundle information of a build with `version`, written where the app core looks.
inline void writeInfoPlist(const std::filesystem::path& folder, const std::string& version) {
    platform::PlistDict info;
    info.setString("CFBundleShortVersionString", version);
    info.setString("CFBundleDisplayName", "TikoLeap");
    info.setString("CFBundleIdentifier", "net.corvane.iphone.TikoLeap");
    info.setString("NSHumanReadableCopyright", "Copyright line");
    platform::writePlistDictionaryFile(folder / "Info.plist", info);
}

// Identity of a file on disk: an atomic rewrite makes a new inode.
inline ino_t inodeOf(const std::filesystem::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? st.st_ino : 0;
}

struct AppCoreTest : testing::Test {
    void SetUp() override {
        platform::AppPaths::setHome(home.path());
        previousLoop = platform::RunLoop::setMain(loop);
        previousOpener = platform::UrlOpener::setShared(opener);
        writeInfoPlist(resources.path(), "1.0.0");
        // The launch shows the title screen: the game's own screens stand beside the test's Info.plist.
        std::filesystem::create_directory_symlink(std::filesystem::path(TIKOLEAP_RESOURCES_DIR) / "ui",
                                                  resources.path() / "ui");
    }
    void TearDown() override {
        platform::UrlOpener::setShared(previousOpener);
        platform::RunLoop::setMain(previousLoop);
        platform::AppPaths::setHome({});
    }
    // A launched core: init and the launch; `gl` only when the test starts games.
    std::unique_ptr<MyAppCore> launch(std::shared_ptr<platform::GLContext> gl = nullptr) {
        auto core = std::make_unique<MyAppCore>(resources.path().string(), std::move(gl));
        core->init();
        core->applicationDidFinishLaunchingWithOptions(std::nullopt);
        return core;
    }
    std::filesystem::path settingsFile() const { return home.path() / "Documents" / "settings.plist"; }
    std::filesystem::path keychainFile() const { return home.path() / "Library" / "keychain.plist"; }

    tikoleap::test::TempDir home;
    tikoleap::test::TempDir resources{"tikoleap-res"};
    std::shared_ptr<platform::ManualRunLoop> loop = std::make_shared<platform::ManualRunLoop>();
    std::shared_ptr<platform::RunLoop> previousLoop;
    std::shared_ptr<platform::RecordingUrlOpener> opener = std::make_shared<platform::RecordingUrlOpener>();
    std::shared_ptr<platform::UrlOpener> previousOpener;
};

}  // namespace shelltest
