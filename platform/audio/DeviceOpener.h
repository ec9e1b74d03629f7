#pragma once
// Opens the audio device without ever making the main loop wait on it. The library probes its
// backends while it opens, and a backend can wait for ever (a sound server's stale lock): the open
// runs on a worker thread, the caller waits for it at most timeout(), and past that the game plays
// silent. The attempt goes on; a later open or poll() takes its device once it answers. An attempt
// that never answers is left to its thread (the process may end with it still waiting).
#include <chrono>
#include <functional>
#include <memory>

#include "platform/audio/AudioDevice.h"

namespace platform::audio {

class DeviceOpener {
  public:
    using OpenFunction = std::function<std::unique_ptr<AudioDevice>(int mixerRate, AudioDevice::Failure*)>;

    struct Result {
        std::unique_ptr<AudioDevice> device;
        AudioDevice::Failure failure;
        // No answer yet: within the time-out now, or from an earlier attempt still waiting.
        bool waiting = false;
        // This call is the one that gave up waiting (an earlier attempt's wait is not counted).
        bool timedOut = false;
        // The answer of an attempt that an earlier call gave up waiting for.
        bool late = false;
    };

    // Starts an attempt (unless one is still waiting) and waits for it at most timeout(). An
    // earlier attempt that has answered meanwhile gives its answer; one still waiting is not
    // waited for again. Main thread only.
    static Result open(int mixerRate);
    // The answer of an earlier attempt that has answered since, without waiting; `waiting` when
    // it has not, an empty failure when there is no attempt.
    static Result poll();
    // Whether an attempt is still without an answer.
    static bool attemptWaiting();

    // How long open() waits; 1 s unless changed.
    static void setTimeout(std::chrono::milliseconds timeout);
    static std::chrono::milliseconds timeout();
    // What the worker calls to open the device; empty restores AudioDevice::open. A test stands
    // in a device that answers late or never.
    static void setOpenFunction(OpenFunction open);

    // Names the backends the library may probe, through its environment, which it reads once at
    // its first use: none for the loopback device (it needs no backend), the sound servers then
    // ALSA for the system device unless ALSOFT_DRIVERS already names them. The first call for a
    // mode that opens a device decides; open() makes it when nothing has. Setting the environment
    // races with other threads reading it, so main() calls it before any thread starts.
    static void chooseBackends(OutputMode mode);

    // Waits at most `limit` for an attempt still waiting and drops its answer; false when it is
    // still waiting then. For tests that release a stand-in device.
    static bool settle(std::chrono::milliseconds limit);
};

}  // namespace platform::audio
