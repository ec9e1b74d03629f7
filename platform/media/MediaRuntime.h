#pragma once
// What every media player shares: GStreamer, started once with its plugin registry in the game's
// cache folder, and the sound output. A window run plays through the sound server (pulsesink),
// else ALSA (alsasink); never an automatic sink, which may probe a JACK server and wait for ever
// on its stale lock. Which one answers is found once, on a thread of its own, and the main loop
// waits for it no longer than timeout(): past that, or when neither opens, videos play silent.
// Headless runs and tests (any sound output but the system's) are silent from the start. Silent
// sound still runs in real time, so a video plays at its own pace. Main thread only.
#include <chrono>
#include <functional>
#include <string>

typedef struct _GstElement GstElement;

namespace platform::media {

class MediaRuntime {
  public:
    // Points GStreamer's registry into the game's cache folder. It goes through the environment,
    // which other threads may be reading: main() calls it before any thread starts (start() does
    // when nothing has).
    static void prepareEnvironment();
    // Starts GStreamer once; false, with the reason, when it cannot be.
    static bool start(std::string* error);

    // Runs `then` on the main loop's context once the sound output is chosen (at once when it is).
    static void whenAudioSinkChosen(std::function<void()> then);
    // The chosen output's element name ("fakesink" when silent); "" before the choice.
    static std::string audioSinkName();
    // A new sink element of the chosen kind (floating reference), or null before the choice.
    static GstElement* makeAudioSink();

    // How long the first player waits for the sound output; 2 s unless changed.
    static void setTimeout(std::chrono::milliseconds timeout);
    static std::chrono::milliseconds timeout();
};

}  // namespace platform::media
