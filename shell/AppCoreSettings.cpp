// AppCoreBase: the settings file, the device account id and the per-orientation records.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

#include "appbase/JTLevelManager.h"
#include "appbase/LogMessage.h"
#include "shell/AppCoreBase.h"
#include "shell/DeviceAccountId.h"
#include "shell/MiscUtil.h"
#include "shell/PlistFiles.h"
#include "sound/SoundObj.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kSoundVolumeKey = "soundVolume.max3";
constexpr const char* kBgMusicModeKey = "bgMusicMode";
constexpr const char* kContentsScaleIndexKey = "contentsScaleIndex";
constexpr const char* kCurrentLevelIdKey = "currentLevelId";
constexpr const char* kBundleVersionKey = "CFBundleVersion";
constexpr const char* kModelVersionKey = "SettingModel.version";
constexpr int kModelVersion = 0x1001;
constexpr double kCalibrationTilt = 0.5237733085234983;  // 30.01 degrees

// A number entry as an int (reals truncated, out-of-range values held at the int limits).
void readInt(const platform::PlistDict& dict, const std::string& key, int& field) {
    const std::optional<int64_t> value = dict.getNumberAsInt(key);
    if (!value) return;
    field = static_cast<int>(
        std::clamp<int64_t>(*value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// A number entry as a double; a NaN or an infinity is no tilt and leaves the field alone.
template <class Set>
void readReal(const platform::PlistDict& dict, const std::string& key, Set set) {
    const std::optional<double> value = dict.getNumber(key);
    if (value && std::isfinite(*value)) set(*value);
}

std::string neutralKey(int orientation, const char* axis) {
    return "neutralAccelerometer.o" + std::to_string(orientation) + "." + axis;
}

}  // namespace

std::string AppCoreBase::settingFileName() const {
    return (fs::path(DocumentsDirectory()) / "settings.plist").string();
}

void AppCoreBase::loadSettings() {
    const std::string path = settingFileName();
    // An unreadable file is named in one WARN line, counts as defaults and is set aside by the
    // stored-file layer before the next save replaces it.
    std::optional<platform::PlistDict> dict = ReadDictionaryFromPlistFile(path);
    if (dict) serializeWith(*dict, false);
    didLoadSettings();
}

void AppCoreBase::saveSettings() {
    platform::PlistDict dict;
    serializeWith(dict, true);
    dict.setInt(kModelVersionKey, kModelVersion);
    dict.setString(kBundleVersionKey, appVersionString_);
    const std::string path = settingFileName();
    WriteDictionaryToPlistFile(path, dict);
    LogMessage("write settings", 1, path);
}

void AppCoreBase::serializeWith(platform::PlistDict& dict, bool isSave) {
    if (isSave) {
        dict.setInt(kSoundVolumeKey, soundVolume_);
        dict.setInt(kBgMusicModeKey, bgMusicMode_);
        dict.setInt(kContentsScaleIndexKey, contentsScaleIndexSetting_);
    } else {
        if (std::optional<std::string> version = dict.getString(kBundleVersionKey))
            bundleVersionOfLoadedSettings_ = std::move(*version);
        readInt(dict, kSoundVolumeKey, soundVolume_);
        readInt(dict, kBgMusicModeKey, bgMusicMode_);
        readInt(dict, kContentsScaleIndexKey, contentsScaleIndexSetting_);
    }
    for (int index = 0; index < 4; ++index) {
        const int orientation = interfaceOrientationOfIndex(index);
        OrientationDependedInfo& info = orientationDependedInfo_[static_cast<size_t>(index)];
        const std::string x = neutralKey(orientation, "x"), y = neutralKey(orientation, "y"),
                          z = neutralKey(orientation, "z");
        if (isSave) {
            dict.setReal(x, info.neutralAccelerometerX());
            dict.setReal(y, info.neutralAccelerometerY());
            dict.setReal(z, info.neutralAccelerometerZ());
        } else {
            readReal(dict, x, [&](double v) { info.setNeutralAccelerometerX(v); });
            readReal(dict, y, [&](double v) { info.setNeutralAccelerometerY(v); });
            readReal(dict, z, [&](double v) { info.setNeutralAccelerometerZ(v); });
        }
    }
    if (isSave) {
        dict.setInt(kCurrentLevelIdKey, currentLevelId_);
    } else {
        readInt(dict, kCurrentLevelIdKey, currentLevelId_);
    }
}

void AppCoreBase::didLoadSettings() {
    soundVolume_ = std::clamp(soundVolume_, 0, 3);
    establishAccountId();
    if (appContext_ && appContext_->getLevelManager()) appContext_->getLevelManager()->reloadLevels();
    updateContentsScaleIndex();
}

void AppCoreBase::establishAccountId() {
    static constexpr const char* kName = "-[AppCoreBase didLoadSettings]";
    std::optional<std::vector<uint8_t>> id = DeviceAccountId::establish(kName);
    aridAvailable_ = id.has_value();
    arid_ = id ? std::move(*id) : std::vector<uint8_t>(DeviceAccountId::kLength, 0);
    LogMessage(kName, 1, "arid:" + aridStr());
}

std::string AppCoreBase::aridStr() const {
    return HexStringFromData(arid_);
}

std::string AppCoreBase::soundVolumeString() const {
    return soundVolume_ == 0 ? "OFF" : std::to_string(soundVolume_);
}

int AppCoreBase::toggleSoundVolume() {
    setSoundVolume((soundVolume_ + 1) % 4);
    return soundVolume_;
}

int AppCoreBase::soundObjectVolumeForStep(int step) {
    static constexpr int kVolumes[4] = {0, 20, 50, 100};
    return step >= 0 && step <= 3 ? kVolumes[step] : 0;
}

void AppCoreBase::updateSoundSetting() {
    SoundObj::setupWithVolume(soundObjectVolumeForStep(soundVolume_));
    SoundObj::setMusicIsEnabled(bgMusicMode_ != 0);
}

int AppCoreBase::defaultContentsScaleIndex(float screenScale) {
    constexpr int kMaxDefaultContentsScaleIndex = 3;
    if (kMaxDefaultContentsScaleIndex >= 3 && screenScale >= 1.9f) return 3;
    if (kMaxDefaultContentsScaleIndex >= 2 && screenScale >= 1.4f) return 2;
    return 1;
}

float AppCoreBase::displayContentsScale() const {
    if (!systemSupportsOS4()) return 1.0f;
    return mainScreenScale_ <= 1.01f && isIPad() ? mainScreenScale_ * 2.0f : mainScreenScale_;
}

void AppCoreBase::updateContentsScaleIndex() {
    int index = contentsScaleIndexSetting_;
    if (!supportsContentsScale()) {
        index = 1;
    } else if (index <= 0) {
        index = defaultContentsScaleIndex(displayContentsScale());
    } else if (index >= 4) {
        index = 3;
    }
    contentsScaleIndex_ = index;
    LogMessage("csIndex", 1, std::to_string(index));
}

double AppCoreBase::neutralAccelerometerTilt() const {
    return accelerometerCalibrationType_ == 2 ? kCalibrationTilt : 0.0;
}

void AppCoreBase::resetNeutralAcceleromterValueFor(int orientation) {
    OrientationDependedInfo& info = orientationDependedInfoFor(orientation);
    info.resetNeutralAccelerometer();
    const double t = neutralAccelerometerTilt();
    if (t == 0) return;
    if (orientation == 1 || orientation == 2) info.setNeutralAccelerometer(0, -std::sin(t), -std::cos(t));
    if (orientation == 3 || orientation == 4) info.setNeutralAccelerometer(-std::sin(t), 0, -std::cos(t));
}

void AppCoreBase::setNeutralAcceleromterFor(int orientation, double x, double y, double z) {
    if (x == 0 && y == 0 && z == 0) {
        resetNeutralAcceleromterValueFor(orientation);
    } else {
        orientationDependedInfoFor(orientation).setNeutralAccelerometer(x, y, z);
    }
}

int AppCoreBase::indexOfInterfaceOrientation(int orientation) {
    switch (orientation) {
        case 3:
            return 1;
        case 2:
            return 2;
        case 4:
            return 3;
        default:
            return 0;
    }
}

int AppCoreBase::interfaceOrientationOfIndex(int index) {
    static constexpr int kOrientations[4] = {1, 3, 2, 4};
    return index >= 0 && index <= 3 ? kOrientations[index] : 1;
}

OrientationDependedInfo& AppCoreBase::orientationDependedInfoFor(int orientation) {
    return orientationDependedInfo_[static_cast<size_t>(indexOfInterfaceOrientation(orientation))];
}
