#include "platform/motion/GamepadAccelerometer.h"

#include <SDL.h>

namespace platform {

namespace {

constexpr double kScanSeconds = 1.0;

SDL_GameController* pad(void* handle) {
    return static_cast<SDL_GameController*>(handle);
}

}  // namespace

GamepadAccelerometer::GamepadAccelerometer() {
    ready_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER | SDL_INIT_SENSOR) == 0;
}

GamepadAccelerometer::~GamepadAccelerometer() {
    close();
    if (ready_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER | SDL_INIT_SENSOR);
}

Acceleration GamepadAccelerometer::fromPadReading(float x, float y, float z) {
    // The device reports gravity's direction, the pad the push against it: hence the sign flip.
    const double g = SDL_STANDARD_GRAVITY;
    return Acceleration{-static_cast<double>(x) / g, static_cast<double>(z) / g, -static_cast<double>(y) / g};
}

void GamepadAccelerometer::setEnabled(bool on) {
    enabled_ = on;
    if (controller_ != nullptr) {
        SDL_GameControllerSetSensorEnabled(pad(controller_), SDL_SENSOR_ACCEL, on ? SDL_TRUE : SDL_FALSE);
    }
}

void GamepadAccelerometer::close() {
    if (controller_ == nullptr) return;
    SDL_GameControllerSetSensorEnabled(pad(controller_), SDL_SENSOR_ACCEL, SDL_FALSE);
    SDL_GameControllerClose(pad(controller_));
    controller_ = nullptr;
}

void GamepadAccelerometer::scan() {
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_IsGameController(i) == SDL_FALSE) continue;
        SDL_GameController* candidate = SDL_GameControllerOpen(i);
        if (candidate == nullptr) continue;
        if (SDL_GameControllerHasSensor(candidate, SDL_SENSOR_ACCEL) == SDL_TRUE) {
            controller_ = candidate;
            if (enabled_) SDL_GameControllerSetSensorEnabled(candidate, SDL_SENSOR_ACCEL, SDL_TRUE);
            return;
        }
        SDL_GameControllerClose(candidate);
    }
}

std::optional<Acceleration> GamepadAccelerometer::read(double now) {
    if (!ready_ || !enabled_) return std::nullopt;
    // The window's event pump normally refreshes pads; this covers running without one.
    SDL_GameControllerUpdate();
    if (controller_ != nullptr && SDL_GameControllerGetAttached(pad(controller_)) == SDL_FALSE) close();
    if (controller_ == nullptr) {
        if (now < nextScan_) return std::nullopt;
        nextScan_ = now + kScanSeconds;
        scan();
        if (controller_ == nullptr) return std::nullopt;
    }
    float data[3] = {0.0f, 0.0f, 0.0f};
    if (SDL_GameControllerGetSensorData(pad(controller_), SDL_SENSOR_ACCEL, data, 3) != 0)
        return std::nullopt;
    // A pad that has not reported yet reads all zeros, which no pad at rest or in motion does.
    if (data[0] == 0.0f && data[1] == 0.0f && data[2] == 0.0f) return std::nullopt;
    return fromPadReading(data[0], data[1], data[2]);
}

}  // namespace platform
