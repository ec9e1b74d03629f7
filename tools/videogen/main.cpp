// Encodes the test videos the local ad server serves: 3 s of solid green at 320 x 240 and 30
// frames a second, with a 440 Hz tone, once as Ogg (Theora and Vorbis) and once as WebM (VP8 and
// Vorbis), into <resources>/video. Each file is written beside its place and renamed into it, so
// a failed run leaves no half file behind. The encoder's plugin registry is kept in the output
// folder, never in the user's cache.
#include <gst/gst.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kFrames = 90;  // 3 s at 30 frames a second
// 300 buffers of 441 samples at 44.1 kHz: 3 s of sound.
constexpr int kAudioBuffers = 300;
constexpr int kSamplesPerBuffer = 441;
constexpr GstClockTime kTimeout = 120 * GST_SECOND;

std::string sources(const char* videoEncoder, const char* muxer, const fs::path& out) {
    char text[1024];
    std::snprintf(text, sizeof text,
                  "videotestsrc pattern=green num-buffers=%d ! "
                  "video/x-raw,width=%d,height=%d,framerate=30/1 ! videoconvert ! %s ! queue ! "
                  "%s name=mux ! filesink location=\"%s\" "
                  "audiotestsrc wave=sine freq=440 volume=0.3 num-buffers=%d samplesperbuffer=%d ! "
                  "audio/x-raw,rate=44100,channels=2 ! audioconvert ! vorbisenc ! queue ! mux.",
                  kFrames, kWidth, kHeight, videoEncoder, muxer, out.c_str(), kAudioBuffers,
                  kSamplesPerBuffer);
    return text;
}

bool encode(const char* videoEncoder, const char* muxer, const fs::path& target) {
    const fs::path partial = target.string() + ".partial";
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(sources(videoEncoder, muxer, partial).c_str(), &error);
    if (!pipeline || error) {
        std::fprintf(stderr, "tikoleap-videogen: %s: %s\n", target.filename().c_str(),
                     error ? error->message : "no pipeline");
        if (error) g_error_free(error);
        if (pipeline) gst_object_unref(pipeline);
        return false;
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus, kTimeout, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    bool ok = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (!message) {
        std::fprintf(stderr, "tikoleap-videogen: %s: no end within the time-out\n",
                     target.filename().c_str());
    } else if (!ok) {
        GError* failure = nullptr;
        gst_message_parse_error(message, &failure, nullptr);
        std::fprintf(stderr, "tikoleap-videogen: %s: %s\n", target.filename().c_str(),
                     failure ? failure->message : "error");
        if (failure) g_error_free(failure);
    }
    if (message) gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    std::error_code ec;
    if (ok) fs::rename(partial, target, ec);
    if (!ok || ec) {
        fs::remove(partial, ec);
        return false;
    }
    return true;
}

}  // namespace

// In a sanitizer build: GStreamer's plugins keep a buffer of GLib's to the process's end, which
// the leak check would otherwise count against the build.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libglib-2.0.so\n";
}

// The encoders keep a few allocations of their own for the process's life, which even
// gst_deinit does not give back; a sanitizer build would otherwise stop the build here.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tikoleap-videogen <resources folder>\n");
        return 2;
    }
    const fs::path folder = fs::path(argv[1]) / "video";
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        std::fprintf(stderr, "tikoleap-videogen: cannot make %s\n", folder.c_str());
        return 1;
    }
    setenv("GST_REGISTRY", (folder / ".gstreamer-registry.bin").c_str(), 1);
    gst_init(nullptr, nullptr);
    const bool ok = encode("theoraenc", "oggmux", folder / "green.ogv") &&
                    encode("vp8enc deadline=1", "webmmux", folder / "green.webm");
    gst_deinit();
    return ok ? 0 : 1;
}
