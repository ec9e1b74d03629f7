#include "platform/audio/DeviceOpener.h"

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>

namespace platform::audio {

namespace {

// One attempt, shared by the worker that opens and the caller that may stop waiting for it.
struct Attempt {
    // The opening worker answers under it; the main thread waits on it.
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
    std::unique_ptr<AudioDevice> device;
    AudioDevice::Failure failure;
};

struct OpenerState {
    // open() runs on the main thread; poll(), settle() and the settings have no thread rule.
    std::mutex mutex;
    std::chrono::milliseconds timeout{1000};
    DeviceOpener::OpenFunction open;
    bool backendsChosen = false;
    std::shared_ptr<Attempt> waiting;  // an attempt given up on, still without an answer
};

OpenerState& state() {
    // Never destroyed: a worker still waiting in the library may outlive main().
    static OpenerState* s = new OpenerState;
    return *s;
}

DeviceOpener::Result take(Attempt& attempt) {
    DeviceOpener::Result result;
    result.device = std::move(attempt.device);
    result.failure = attempt.failure;
    return result;
}

}  // namespace

void DeviceOpener::chooseBackends(OutputMode mode) {
    if (mode == OutputMode::Disabled) return;
    OpenerState& s = state();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.backendsChosen) return;
        s.backendsChosen = true;
    }
    // The library's own diagnostics would repeat what the engine reports in one line.
    setenv("ALSOFT_LOGLEVEL", "0", 0);
    if (mode == OutputMode::Loopback) {
        setenv("ALSOFT_DRIVERS", "null", 1);
    } else {
        setenv("ALSOFT_DRIVERS", "pulse,alsa", 0);
    }
}

DeviceOpener::Result DeviceOpener::open(int mixerRate) {
    const OutputMode mode = outputMode();
    if (mode == OutputMode::Disabled) {
        // Nothing is opened: nothing to wait for.
        Result result;
        result.device = AudioDevice::open(mixerRate, &result.failure);
        return result;
    }
    if (attemptWaiting()) return poll();
    chooseBackends(mode);
    OpenerState& s = state();
    auto attempt = std::make_shared<Attempt>();
    OpenFunction openDevice;
    std::chrono::milliseconds timeout;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        openDevice = s.open ? s.open : OpenFunction(&AudioDevice::open);
        timeout = s.timeout;
    }
    try {
        std::thread([attempt, openDevice = std::move(openDevice), mixerRate] {
            AudioDevice::Failure failure;
            std::unique_ptr<AudioDevice> device = openDevice(mixerRate, &failure);
            std::lock_guard<std::mutex> lock(attempt->mutex);
            attempt->device = std::move(device);
            attempt->failure = failure;
            attempt->done = true;
            attempt->answered.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        Result result;
        result.failure = {"Error creating the thread that opens the output device", ALC_OUT_OF_MEMORY, false};
        return result;
    }

    std::unique_lock<std::mutex> lock(attempt->mutex);
    if (attempt->answered.wait_for(lock, timeout, [&] { return attempt->done; })) return take(*attempt);
    lock.unlock();
    std::lock_guard<std::mutex> stateLock(s.mutex);
    s.waiting = attempt;
    Result result;
    result.waiting = true;
    result.timedOut = true;
    return result;
}

DeviceOpener::Result DeviceOpener::poll() {
    OpenerState& s = state();
    std::shared_ptr<Attempt> attempt;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        attempt = s.waiting;
    }
    Result result;
    if (!attempt) return result;
    std::lock_guard<std::mutex> lock(attempt->mutex);
    if (!attempt->done) {
        result.waiting = true;
        return result;
    }
    result = take(*attempt);
    result.late = true;
    std::lock_guard<std::mutex> stateLock(s.mutex);
    if (s.waiting == attempt) s.waiting.reset();
    return result;
}

bool DeviceOpener::attemptWaiting() {
    OpenerState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.waiting != nullptr;
}

void DeviceOpener::setTimeout(std::chrono::milliseconds timeout) {
    std::lock_guard<std::mutex> lock(state().mutex);
    state().timeout = timeout;
}

std::chrono::milliseconds DeviceOpener::timeout() {
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().timeout;
}

void DeviceOpener::setOpenFunction(OpenFunction open) {
    std::lock_guard<std::mutex> lock(state().mutex);
    state().open = std::move(open);
}

bool DeviceOpener::settle(std::chrono::milliseconds limit) {
    OpenerState& s = state();
    std::shared_ptr<Attempt> attempt;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        attempt = s.waiting;
    }
    if (!attempt) return true;
    {
        std::unique_lock<std::mutex> lock(attempt->mutex);
        if (!attempt->answered.wait_for(lock, limit, [&] { return attempt->done; })) return false;
        attempt->device.reset();
    }
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.waiting == attempt) s.waiting.reset();
    return true;
}

}  // namespace platform::audio
