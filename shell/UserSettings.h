#pragma once
// What the player sets: sound, music, resolution and the tilt calibration, and their file. The
// settings screen changes them through this interface; the app core answers.
#include <string>

#include "shell/AccelerometerHelper.h"

class OrientationDependedInfo;

class UserSettings {
  public:
    virtual ~UserSettings() = default;

    virtual void saveSettings() = 0;
    // "OFF" for step 0, else the step.
    virtual std::string soundVolumeString() const = 0;
    // 2 -> 3 -> 0 -> 1 -> 2; returns the new step.
    virtual int toggleSoundVolume() = 0;
    // Hands the volume and the music switch to the sound objects.
    virtual void updateSoundSetting() = 0;
    virtual int bgMusicMode() const = 0;
    virtual void setBgMusicMode(int mode) = 0;
    virtual bool hasMusicResources() const = 0;
    virtual int contentsScaleIndexSetting() const = 0;
    virtual void setContentsScaleIndexSetting(int setting) = 0;
    // Whether there is more than one resolution to choose from.
    virtual bool supportsContentsScale() const = 0;
    virtual void updateContentsScaleIndex() = 0;
    // Drops the textures and sounds; the next game loads them at the new resolution.
    virtual void releaseResources() = 0;
    virtual int accelerometerCalibrationType() const = 0;
    virtual void resetNeutralAcceleromterValueFor(int orientation) = 0;
    // All three exactly 0 resets the record; anything else is stored.
    virtual void setNeutralAcceleromterFor(int orientation, double x, double y, double z) = 0;
    virtual OrientationDependedInfo& orientationDependedInfoFor(int orientation) = 0;
    // What a tilt helper reads the neutral vector and the orientation from.
    virtual AccelerometerHelper::Owner& accelerometerOwner() = 0;
    // While the settings tab calibrates, the game views' tilt helpers are stopped.
    virtual void setTiltCalibrationRunning(bool running) = 0;
};
