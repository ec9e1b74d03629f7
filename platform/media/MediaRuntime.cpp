#include "platform/media/MediaRuntime.h"

#include <gst/gst.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio/AudioDevice.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/Log.h"

namespace platform::media {

namespace {

struct State {
    std::mutex mutex;
    bool environmentPrepared = false;
    bool started = false;
    std::string startError;
    bool probing = false;
    std::string sink;  // "" until chosen
    std::vector<std::function<void()>> waiting;
    std::chrono::milliseconds timeout{2000};
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

// Settles the choice once and runs the waiting callbacks on the main context.
void choose(const std::string& sink, const char* why) {
    std::vector<std::function<void()>> waiting;
    {
        std::lock_guard lock(state().mutex);
        if (!state().sink.empty()) return;
        state().sink = sink;
        waiting.swap(state().waiting);
    }
    if (why) logMessage("MediaRuntime", 3, why);
    for (auto& then : waiting) then();
}

}  // namespace

void MediaRuntime::prepareEnvironment() {
    std::lock_guard lock(state().mutex);
    if (state().environmentPrepared) return;
    state().environmentPrepared = true;
    const auto registry = AppPaths::cachesDirectory() / "gstreamer-registry.bin";
    setenv("GST_REGISTRY", registry.c_str(), 1);
}

bool MediaRuntime::start(std::string* error) {
    prepareEnvironment();
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
    bool startProbe = false;
    std::chrono::milliseconds limit;
    {
        std::lock_guard lock(s.mutex);
        if (s.sink.empty()) {
            s.waiting.push_back(std::move(then));
            startProbe = !s.probing;
            s.probing = true;
        }
        limit = s.timeout;
    }
    if (then) {
        then();
        return;
    }
    if (!startProbe) return;
    if (platform::audio::outputMode() != platform::audio::OutputMode::System) {
        choose("fakesink", nullptr);
        return;
    }
    // The answer comes back to the main context; a hung attempt is left to its thread.
    std::thread([] {
        const char* found = opens("pulsesink") ? "pulsesink" : opens("alsasink") ? "alsasink" : nullptr;
        auto* name = new std::string(found ? found : "");
        g_main_context_invoke_full(
            nullptr, G_PRIORITY_DEFAULT,
            [](gpointer data) -> gboolean {
                const auto& sink = *static_cast<std::string*>(data);
                if (sink.empty()) {
                    choose("fakesink", "no sound server or sound card opens; videos play silent");
                } else {
                    choose(sink, nullptr);
                }
                return G_SOURCE_REMOVE;
            },
            name, [](gpointer data) { delete static_cast<std::string*>(data); });
    }).detach();
    g_timeout_add_full(
        G_PRIORITY_DEFAULT, static_cast<guint>(limit.count()),
        [](gpointer) -> gboolean {
            choose("fakesink", "the sound output did not answer in time; videos play silent");
            return G_SOURCE_REMOVE;
        },
        nullptr, nullptr);
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

std::chrono::milliseconds MediaRuntime::timeout() {
    std::lock_guard lock(state().mutex);
    return state().timeout;
}

}  // namespace platform::media
