#include "platform/media/MediaRuntime.h"

#include <gst/gst.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio/AudioDevice.h"
#include "platform/foundation/Log.h"
#include "platform/media/MediaPlayers.h"

namespace platform::media {

namespace {

struct State {
    // Asked and settled on the main context (the probe's thread only hands its answer there);
    // players read the sink as they build. Kept a lock: nothing here asserts the thread yet.
    std::mutex mutex;
    bool started = false;
    std::string startError;
    bool probing = false;
    std::string sink;  // "" until chosen
    std::vector<std::function<void()>> waiting;
    std::chrono::milliseconds timeout{2000};
    MediaRuntime::Probe probe;
    // Which choice an answer belongs to: a late one of a forgotten choice is dropped.
    std::uint64_t round = 0;
};

State& state() {
    static auto* s = new State();  // outlives every player, even those released at exit
    return *s;
}

// Whether a sink of this kind opens its device; run off the main loop, it may wait for ever.
bool opens(const char* name) {
    GstElement* sink = gst_element_factory_make(name, nullptr);
    if (!sink) return false;
    gst_object_ref_sink(sink);
    const bool ok = gst_element_set_state(sink, GST_STATE_READY) == GST_STATE_CHANGE_SUCCESS;
    gst_element_set_state(sink, GST_STATE_NULL);
    gst_object_unref(sink);
    return ok;
}

// The sinks tried in turn: the first whose device opens.
std::string probeSinks() {
    return opens("pulsesink") ? "pulsesink" : opens("alsasink") ? "alsasink" : "";
}

struct Answer {
    std::string sink;
    std::uint64_t round;
};

// Settles the choice of `round` once and runs the waiting callbacks on the main context.
void choose(const std::string& sink, const char* why, std::uint64_t round) {
    std::vector<std::function<void()>> waiting;
    {
        std::lock_guard lock(state().mutex);
        if (!state().sink.empty() || state().round != round) return;
        state().sink = sink;
        waiting.swap(state().waiting);
    }
    if (why) logMessage("MediaRuntime", 3, why);
    for (auto& then : waiting) then();
}

}  // namespace

bool MediaRuntime::start(std::string* error) {
    MediaPlayers::prepareEnvironment();
    std::lock_guard lock(state().mutex);
    if (!state().started) {
        state().started = true;
        GError* failure = nullptr;
        if (!gst_init_check(nullptr, nullptr, &failure)) {
            state().startError = failure ? failure->message : "GStreamer could not start";
            if (failure) g_error_free(failure);
        }
    }
    if (!state().startError.empty() && error) *error = state().startError;
    return state().startError.empty();
}

void MediaRuntime::whenAudioSinkChosen(std::function<void()> then) {
    auto& s = state();
    bool chosen = false;
    bool startProbe = false;
    std::chrono::milliseconds limit;
    std::uint64_t round = 0;
    Probe probe;
    {
        std::lock_guard lock(s.mutex);
        chosen = !s.sink.empty();
        if (!chosen) {
            s.waiting.push_back(then);
            startProbe = !s.probing;
            s.probing = true;
        }
        limit = s.timeout;
        round = s.round;
        probe = s.probe ? s.probe : probeSinks;
    }
    if (chosen) {
        then();
        return;
    }
    if (!startProbe) return;
    if (platform::audio::outputMode() != platform::audio::OutputMode::System) {
        choose("fakesink", nullptr, round);
        return;
    }
    // The answer comes back to the main context; a hung attempt is left to its thread.
    std::thread([probe, round] {
        auto* answer = new Answer{probe(), round};
        g_main_context_invoke_full(
            nullptr, G_PRIORITY_DEFAULT,
            [](gpointer data) -> gboolean {
                const auto& answer = *static_cast<Answer*>(data);
                if (answer.sink.empty()) {
                    choose("fakesink", "no sound server or sound card opens; videos play silent",
                           answer.round);
                } else {
                    choose(answer.sink, nullptr, answer.round);
                }
                return G_SOURCE_REMOVE;
            },
            answer, [](gpointer data) { delete static_cast<Answer*>(data); });
    }).detach();
    g_timeout_add_full(
        G_PRIORITY_DEFAULT, static_cast<guint>(limit.count()),
        [](gpointer data) -> gboolean {
            choose("fakesink", "the sound output did not answer in time; videos play silent",
                   static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(data)));
            return G_SOURCE_REMOVE;
        },
        reinterpret_cast<gpointer>(static_cast<std::uintptr_t>(round)), nullptr);
}

std::string MediaRuntime::audioSinkName() {
    std::lock_guard lock(state().mutex);
    return state().sink;
}

GstElement* MediaRuntime::makeAudioSink() {
    const std::string name = audioSinkName();
    if (name.empty()) return nullptr;
    GstElement* sink = gst_element_factory_make(name.c_str(), nullptr);
    // A silent run still plays at the clock's pace.
    if (sink && name == "fakesink") g_object_set(sink, "sync", TRUE, nullptr);
    return sink;
}

void MediaRuntime::setTimeout(std::chrono::milliseconds timeout) {
    std::lock_guard lock(state().mutex);
    state().timeout = timeout;
}

void MediaRuntime::setProbe(Probe probe) {
    std::lock_guard lock(state().mutex);
    state().probe = std::move(probe);
}

void MediaRuntime::forgetChoice() {
    std::lock_guard lock(state().mutex);
    state().sink.clear();
    state().waiting.clear();
    state().probing = false;
    ++state().round;
}

std::chrono::milliseconds MediaRuntime::timeout() {
    std::lock_guard lock(state().mutex);
    return state().timeout;
}

}  // namespace platform::media
