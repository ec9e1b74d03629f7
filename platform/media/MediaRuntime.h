#pragma once
// What every media player of libtikoleap-media.so shares: GStreamer, started once with its plugin registry in
// the game's cache folder, and the sound output. A window run plays through the sound server (pulsesink),
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
    // Starts GStreamer once, its registry in the game's cache folder (see
    // MediaPlayers::prepareEnvironment); false, with the reason, when it cannot be.
    static bool start(std::string* error);

    // Runs `then` on the main loop's context once the sound output is chosen (at once when it is).
    static void whenAudioSinkChosen(std::function<void()> then);
    // The chosen output's element name ("fakesink" when silent); "" before the choice.
    static std::string audioSinkName();
    // A new sink element of the chosen kind (floating reference), or null before the choice.
    static GstElement* makeAudioSink();

    // What finds the sound output, off the main loop: the name of the sink that opens ("" for
    // none). Empty restores the real one (pulsesink, then alsasink). A test stands in one that
    // answers late or never.
    using Probe = std::function<std::string()>;
    static void setProbe(Probe probe);
    // Forgets the choice (and drops the answer of an attempt still under way), so that the next
    // player chooses again. For tests.
    static void forgetChoice();

    // How long the first player waits for the sound output; 2 s unless changed.
    static void setTimeout(std::chrono::milliseconds timeout);
    static std::chrono::milliseconds timeout();
};

}  // namespace platform::media
