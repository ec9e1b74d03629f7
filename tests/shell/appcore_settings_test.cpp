// The start-up save and the settings file: every key, nothing written by a same-version launch,
// stored values coming back, wrong entries ignored, unreadable files kept aside.
#include <cmath>
#include <fstream>

#include "appbase/JTLevelManager.h"
#include "platform/foundation/ScopedLogSink.h"
#include "shell/GameViewBase.h"
#include "tests/shell/AppCoreTestKit.h"

using platform::PlistDict;
using platform::PlistType;
using shelltest::AppCoreTest;

namespace {

PlistDict readSettings(const std::filesystem::path& file) {
    std::optional<PlistDict> dict = platform::readPlistDictionaryFile(file);
    EXPECT_TRUE(dict) << file;
    return dict.value_or(PlistDict{});
}

std::vector<std::string> warnings(const platform::ScopedLogSink& log) {
    std::vector<std::string> out;
    for (const std::string& line : log.lines())
        if (line.rfind("[WARN]", 0) == 0) out.push_back(line);
    return out;
}

}  // namespace

TEST_F(AppCoreTest, FirstLaunchWritesEveryKeyWithTheFlatNeutralTilt) {
    auto core = launch();
    const PlistDict settings = readSettings(settingsFile());
    for (const char* key :
         {"soundVolume.max3", "bgMusicMode", "contentsScaleIndex", "currentLevelId", "SettingModel.version"})
        EXPECT_EQ(settings.typeOf(key), PlistType::Integer) << key;
    EXPECT_EQ(settings.getInt("soundVolume.max3"), 2);
    EXPECT_EQ(settings.getInt("bgMusicMode"), 1);
    EXPECT_EQ(settings.getInt("contentsScaleIndex"), 0);
    EXPECT_EQ(settings.getInt("currentLevelId"), 0);
    EXPECT_EQ(settings.getInt("SettingModel.version"), 4097);
    EXPECT_EQ(settings.getString("CFBundleVersion"), "1.0.0");
    for (int o : {1, 2, 3, 4}) {
        const std::string key = "neutralAccelerometer.o" + std::to_string(o);
        EXPECT_EQ(settings.getReal(key + ".x"), 0.0) << key;
        EXPECT_EQ(settings.getReal(key + ".y"), 0.0) << key;
        EXPECT_EQ(settings.getReal(key + ".z"), -1.0) << key;
    }
    EXPECT_EQ(settings.size(), 18u);
    EXPECT_EQ(core->bundleVersionOfLoadedSettings(), std::nullopt);
}

TEST_F(AppCoreTest, SameVersionWritesNothingAtStartUpAndANewVersionRewrites) {
    launch();
    const ino_t first = shelltest::inodeOf(settingsFile());
    ASSERT_NE(first, 0u);

    auto again = launch();
    EXPECT_EQ(again->bundleVersionOfLoadedSettings(), "1.0.0");
    EXPECT_EQ(shelltest::inodeOf(settingsFile()), first);

    shelltest::writeInfoPlist(resources.path(), "1.1");
    auto upgraded = launch();
    EXPECT_EQ(upgraded->bundleVersionOfLoadedSettings(), "1.0.0");
    EXPECT_NE(shelltest::inodeOf(settingsFile()), first);
    EXPECT_EQ(readSettings(settingsFile()).getString("CFBundleVersion"), "1.1");
}

TEST_F(AppCoreTest, StoredValuesComeBackAndWrongEntriesKeepTheirDefaults) {
    PlistDict stored;
    stored.setString("CFBundleVersion", "1.0.0");
    stored.setInt("soundVolume.max3", 7);       // clamped to 3
    stored.setString("bgMusicMode", "0");       // not a number: stays 1
    stored.setReal("contentsScaleIndex", 2.7);  // a number: its integer value
    stored.setReal("neutralAccelerometer.o3.x", 0.25);
    stored.setString("neutralAccelerometer.o3.y", "0.5");
    stored.setReal("neutralAccelerometer.o3.z", std::nan(""));  // no tilt: stays -1
    stored.setInt("currentLevelId", 25);
    platform::AppPaths::documentsDirectory();
    ASSERT_TRUE(platform::writePlistDictionaryFile(settingsFile(), stored));

    // Read at init, before the title screen would trade the locked level for an open one.
    auto core = std::make_unique<MyAppCore>(resources.path().string(), nullptr);
    core->setMainScreenScale(1.5f);  // a screen with a choice of resolutions
    core->init();
    EXPECT_EQ(core->soundVolume(), 3);
    EXPECT_EQ(core->bgMusicMode(), 1);
    EXPECT_EQ(core->contentsScaleIndexSetting(), 2);
    EXPECT_EQ(core->contentsScaleIndex(), 2);
    EXPECT_EQ(core->currentLevelId(), 25);
    const OrientationDependedInfo& landscapeRight = core->orientationDependedInfoFor(3);
    EXPECT_EQ(landscapeRight.neutralAccelerometerX(), 0.25);
    EXPECT_EQ(landscapeRight.neutralAccelerometerY(), 0.0);
    EXPECT_EQ(landscapeRight.neutralAccelerometerZ(), -1.0);
    EXPECT_EQ(core->orientationDependedInfoFor(2).neutralAccelerometerX(), 0.0);

    stored.setInt("soundVolume.max3", -4);
    stored.setInt("contentsScaleIndex", 9);
    ASSERT_TRUE(platform::writePlistDictionaryFile(settingsFile(), stored));
    auto low = std::make_unique<MyAppCore>(resources.path().string(), nullptr);
    low->setMainScreenScale(1.5f);
    low->init();
    EXPECT_EQ(low->soundVolume(), 0);
    EXPECT_EQ(low->contentsScaleIndex(), 3);
}

TEST_F(AppCoreTest, ContentsScaleIndexFollowsTheSettingOnlyWhereTheScreenOffersAChoice) {
    AppCoreBase core(resources.path().string(), nullptr);
    core.setDeviceTypeName("x86_64");
    auto indexFor = [&](float screenScale, int setting) {
        core.setMainScreenScale(screenScale);
        core.setContentsScaleIndexSetting(setting);
        core.updateContentsScaleIndex();
        return core.contentsScaleIndex();
    };
    // A plain screen has one resolution, whatever is stored.
    EXPECT_EQ(indexFor(1.0f, 3), 1);
    EXPECT_FALSE(core.supportsContentsScale());
    EXPECT_EQ(indexFor(1.01f, 2), 1);
    EXPECT_FALSE(core.supportsContentsScale());
    EXPECT_FLOAT_EQ(core.contentsScaleValue(), 1.0f);

    // The window's 1.5: automatic picks medium; the setting rules, held to 1..3.
    EXPECT_EQ(indexFor(1.5f, 0), 2);
    EXPECT_TRUE(core.supportsContentsScale());
    EXPECT_FLOAT_EQ(core.displayContentsScale(), 1.5f);
    EXPECT_EQ(indexFor(1.5f, -3), 2);
    EXPECT_EQ(indexFor(1.5f, 1), 1);
    EXPECT_EQ(indexFor(1.5f, 3), 3);
    EXPECT_FLOAT_EQ(core.contentsScaleValue(), 2.0f);
    EXPECT_EQ(indexFor(1.5f, 5), 3);
    EXPECT_EQ(indexFor(1.02f, 0), 1);
    EXPECT_TRUE(core.supportsContentsScale());

    // An iPad showing phone apps at 2x: a screen of 1 counts as 2, a real 2 stays 2.
    core.setDeviceTypeName("iPad2,1");
    EXPECT_EQ(indexFor(1.0f, 0), 3);
    EXPECT_FLOAT_EQ(core.displayContentsScale(), 2.0f);
    EXPECT_EQ(indexFor(2.0f, 0), 3);
    EXPECT_FLOAT_EQ(core.displayContentsScale(), 2.0f);
    core.setDeviceTypeName("MyiPad");  // only a name that begins with it
    EXPECT_EQ(indexFor(1.0f, 0), 1);
}

TEST_F(AppCoreTest, UnreadableSettingsReadAsDefaultsWithOneWarningAndAreKeptAside) {
    PlistDict valid;
    valid.setInt("currentLevelId", 25);
    const std::vector<uint8_t> binary = valid.toBinary();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"garbage", "this is not a property list at all"},
        {"truncated", std::string(binary.begin(), binary.begin() + static_cast<long>(binary.size() / 2))},
        {"array root",
         "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><integer>1</integer></array></plist>"},
        {"empty", ""},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        std::filesystem::remove(settingsFile().string() + ".corrupt");
        home.write("Documents/settings.plist", bytes);
        platform::ScopedLogSink log;
        auto core = launch();
        // One line when it is read, one when it is set aside before the start-up save.
        const std::vector<std::string> warned = warnings(log);
        ASSERT_EQ(warned.size(), 2u);
        EXPECT_NE(warned[0].find("unreadable property list " + settingsFile().string()), std::string::npos);
        EXPECT_NE(warned[1].find("aside to " + settingsFile().string() + ".corrupt"), std::string::npos);
        // No stored level: the title screen takes the first one that can be played.
        EXPECT_EQ(core->currentLevelId(), 20);
        EXPECT_EQ(core->soundVolume(), 2);
        const std::vector<uint8_t> aside = home.read("Documents/settings.plist.corrupt");
        EXPECT_EQ(std::string(aside.begin(), aside.end()), bytes);
        EXPECT_EQ(readSettings(settingsFile()).getString("CFBundleVersion"), "1.0.0");
    }
    // An earlier copy set aside is not overwritten by the next one.
    home.write("Documents/settings.plist", "again not a property list");
    launch();
    const std::vector<uint8_t> second = home.read("Documents/settings.plist.corrupt.1");
    EXPECT_EQ(std::string(second.begin(), second.end()), "again not a property list");
}

TEST_F(AppCoreTest, SelectedLevelAndChangedSettingsSurviveARestart) {
    {
        auto core = launch();
        // The context's level start stores a newly chosen level and saves at once.
        core->appContext()->startLevel(25);
        core->toggleSoundVolume();
        core->setBgMusicMode(0);
        core->setNeutralAcceleromterFor(4, 0.1, -0.2, -0.9);
        core->saveSettings();
    }
    auto next = std::make_unique<MyAppCore>(resources.path().string(), nullptr);
    next->init();
    EXPECT_EQ(next->currentLevelId(), 25);
    EXPECT_EQ(next->soundVolume(), 3);
    EXPECT_EQ(next->bgMusicMode(), 0);
    EXPECT_EQ(next->orientationDependedInfoFor(4).neutralAccelerometerY(), -0.2);
}

TEST_F(AppCoreTest, UnwritableFoldersAreLoggedAndTheGameStillPlays) {
    // Files where the Documents and Library folders should be: nothing can be saved.
    home.write("Documents", "a file, not a folder");
    home.write("Library", "a file, not a folder");
    std::string error;
    auto gl = platform::GLContext::createHeadless(&error);
    ASSERT_TRUE(gl) << error;
    gl->makeCurrent();
    platform::ScopedLogSink log;
    auto core = std::make_unique<MyAppCore>(TIKOLEAP_RESOURCES_DIR, gl);
    core->init();
    core->applicationDidFinishLaunchingWithOptions(std::nullopt);
    bool settingsError = false, registration = false;
    for (const std::string& line : log.lines()) {
        settingsError |= line.rfind("[ERROR] WriteDictionaryToPlistFile", 0) == 0 ||
                         line.rfind("[WARN] WriteDictionaryToPlistFile", 0) == 0;
        registration |= line.find("arid registration failure") != std::string::npos;
    }
    EXPECT_TRUE(settingsError);
    EXPECT_TRUE(registration);
    EXPECT_FALSE(core->aridAvailable());

    core->setCurrentLevelId(20);
    core->startGameView();
    ASSERT_NE(core->gameView(), nullptr);
    EXPECT_TRUE(core->gameView()->active());
    loop->advance(0.5);
    EXPECT_EQ(core->gameView()->tickCount(), 50);
}

TEST(AppCoreSettings, OrientationIndexAndCalibrationTilt) {
    EXPECT_EQ(AppCoreBase::interfaceOrientationOfIndex(0), 1);
    EXPECT_EQ(AppCoreBase::interfaceOrientationOfIndex(1), 3);
    EXPECT_EQ(AppCoreBase::interfaceOrientationOfIndex(2), 2);
    EXPECT_EQ(AppCoreBase::interfaceOrientationOfIndex(3), 4);
    EXPECT_EQ(AppCoreBase::interfaceOrientationOfIndex(4), 1);
    for (int index = 0; index < 4; ++index)
        EXPECT_EQ(AppCoreBase::indexOfInterfaceOrientation(AppCoreBase::interfaceOrientationOfIndex(index)),
                  index);
    EXPECT_EQ(AppCoreBase::indexOfInterfaceOrientation(0), 0);
    EXPECT_EQ(AppCoreBase::indexOfInterfaceOrientation(7), 0);

    AppCoreBase core("/nonexistent", nullptr);
    core.setAccelerometerCalibrationType(2);
    core.setup2();
    EXPECT_NEAR(core.orientationDependedInfoFor(1).neutralAccelerometerY(), -0.50015, 1e-5);
    EXPECT_NEAR(core.orientationDependedInfoFor(2).neutralAccelerometerZ(), -0.86594, 1e-5);
    EXPECT_NEAR(core.orientationDependedInfoFor(3).neutralAccelerometerX(), -0.50015, 1e-5);
    EXPECT_EQ(core.orientationDependedInfoFor(4).neutralAccelerometerY(), 0.0);
    core.setNeutralAcceleromterFor(3, 0.3, 0.2, -0.9);
    EXPECT_EQ(core.orientationDependedInfoFor(3).neutralAccelerometerX(), 0.3);
    core.setNeutralAcceleromterFor(3, 0, 0, 0);  // all zero: back to the calibration default
    EXPECT_NEAR(core.orientationDependedInfoFor(3).neutralAccelerometerX(), -0.50015, 1e-5);
    core.setAccelerometerCalibrationType(1);
    core.resetNeutralAcceleromterValueFor(1);
    EXPECT_EQ(core.orientationDependedInfoFor(1).neutralAccelerometerY(), 0.0);
    EXPECT_EQ(core.orientationDependedInfoFor(1).neutralAccelerometerZ(), -1.0);
}

TEST(AppCoreSettings, SoundStepsCycleAndMapOntoVolumes) {
    AppCoreBase core("/nonexistent", nullptr);
    core.setSoundVolume(2);
    std::string shown;
    for (int i = 0; i < 4; ++i) {
        shown += std::to_string(core.toggleSoundVolume());
        shown += core.soundVolumeString() + " ";
    }
    EXPECT_EQ(shown, "33 0OFF 11 22 ");
    EXPECT_EQ(AppCoreBase::soundObjectVolumeForStep(0), 0);
    EXPECT_EQ(AppCoreBase::soundObjectVolumeForStep(1), 20);
    EXPECT_EQ(AppCoreBase::soundObjectVolumeForStep(2), 50);
    EXPECT_EQ(AppCoreBase::soundObjectVolumeForStep(3), 100);
    EXPECT_EQ(AppCoreBase::soundObjectVolumeForStep(4), 0);
    EXPECT_EQ(AppCoreBase::soundObjectVolumeForStep(-1), 0);
    EXPECT_EQ(AppCoreBase::defaultContentsScaleIndex(1.0f), 1);
    EXPECT_EQ(AppCoreBase::defaultContentsScaleIndex(1.5f), 2);
    EXPECT_EQ(AppCoreBase::defaultContentsScaleIndex(2.0f), 3);
}

TEST_F(AppCoreTest, IdentityAndWebBaseUrlComeFromTheBundleInformation) {
    // The generated Info.plist of the build.
    MyAppCore built(TIKOLEAP_RESOURCES_DIR, nullptr);
    built.setup();
    EXPECT_EQ(built.gameId(), 1000);
    EXPECT_EQ(built.webSecretKey(), "Rw8%kD3!qZ6&bN1x");
    EXPECT_EQ(built.appDisplayName(), "TikoLeap");
    EXPECT_EQ(built.accelerometerCalibrationType(), 1);
    EXPECT_FALSE(built.appVersionString().empty());
    EXPECT_FALSE(built.appCopyrightString().empty());
    EXPECT_EQ(built.iphoneWebUrl(), "http://tikoleap.invalid/iphone/");

    // A bundle without the game's own keys falls back to the same identity.
    MyAppCore sparse(resources.path().string(), nullptr);
    sparse.setup();
    EXPECT_EQ(sparse.gameId(), 1000);
    EXPECT_EQ(sparse.webSecretKey(), "Rw8%kD3!qZ6&bN1x");
    EXPECT_EQ(sparse.appVersionString(), "1.0.0");
    EXPECT_EQ(sparse.appCopyrightString(), "Copyright line");

    // The environment points the links at another server; only http and https are taken.
    setenv("TIKOLEAP_WEB_URL", "http://127.0.0.1:8080/game", 1);
    sparse.setup();
    EXPECT_EQ(sparse.iphoneWebUrl(), "http://127.0.0.1:8080/game/");
    platform::ScopedLogSink log;
    setenv("TIKOLEAP_WEB_URL", "file:///etc/", 1);
    sparse.setup();
    EXPECT_EQ(sparse.iphoneWebUrl(), "http://tikoleap.invalid/iphone/");
    ASSERT_FALSE(log.lines().empty());
    EXPECT_NE(log.lines().back().find("not an http or https URL"), std::string::npos);
    unsetenv("TIKOLEAP_WEB_URL");
}
