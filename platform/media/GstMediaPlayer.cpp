#include "platform/media/GstMediaPlayer.h"

#include <glib/gstdio.h>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/dispatch/DispatchQueue.h"
#include "platform/foundation/DiskAllowance.h"
#include "platform/foundation/Log.h"
#include "platform/media/MediaRuntime.h"

namespace platform::media {

// What one item's download has taken from the player's disk allowance; given back when the last
// holder (the download element's probe, the player) lets go, by which time the file is closed.
struct DownloadCharge {
    explicit DownloadCharge(std::shared_ptr<DiskAllowance> a) : allowance(std::move(a)) {}
    ~DownloadCharge() {
        if (allowance) allowance->giveBack(taken.load());
    }
    DownloadCharge(const DownloadCharge&) = delete;
    DownloadCharge& operator=(const DownloadCharge&) = delete;

    // Takes bytes about to be written; false from the first that do not fit on.
    bool charge(std::int64_t bytes) {
        if (over.load()) return false;
        if (!allowance->take(bytes)) {
            over = true;
            return false;
        }
        taken += bytes;
        return true;
    }

    const std::shared_ptr<DiskAllowance> allowance;
    std::atomic<std::int64_t> taken{0};
    std::atomic<bool> over{false};
};

namespace {

// playbin's flags: video, audio, its own volume and download buffering; no subtitles, no
// visualisation. Streamed, the Ogg and WebM demuxers seek on their own to read the file's end
// (length, index) and flush their decoders while these may be fixing their output format; the
// decoders then fail the whole stream. Reading from the downloaded copy, the demuxers pull what
// they need before any packet goes on, and nothing is flushed under a decoder.
constexpr guint kPlayFlags = 0x1 | 0x2 | 0x10 | 0x80;

// Holds a reference for as long as a queued block needs the element.
struct ElementRef {
    explicit ElementRef(GstElement* e) : element(GST_ELEMENT(gst_object_ref(e))) {}
    ~ElementRef() { gst_object_unref(element); }
    ElementRef(const ElementRef&) = delete;
    ElementRef& operator=(const ElementRef&) = delete;
    GstElement* element;
};

using ChargeRef = std::shared_ptr<DownloadCharge>;

void releaseCharge(gpointer data) {
    delete static_cast<ChargeRef*>(data);
}

// Every byte the download element receives goes into its file: each buffer is charged before it
// goes in, and the first that does not fit stops the download with an error.
GstPadProbeReturn chargeDownload(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    DownloadCharge& charge = **static_cast<ChargeRef*>(data);
    gsize bytes = 0;
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
        bytes = gst_buffer_get_size(GST_PAD_PROBE_INFO_BUFFER(info));
    } else if (info->type & GST_PAD_PROBE_TYPE_BUFFER_LIST) {
        bytes = gst_buffer_list_calculate_size(GST_PAD_PROBE_INFO_BUFFER_LIST(info));
    }
    const bool first = !charge.over.load();
    if (charge.charge(static_cast<std::int64_t>(bytes))) return GST_PAD_PROBE_OK;
    if (first) {
        if (GstElement* queue = gst_pad_get_parent_element(pad)) {
            GST_ELEMENT_ERROR(queue, RESOURCE, NO_SPACE_LEFT,
                              ("the video's download passed its disk allowance"), (nullptr));
            gst_object_unref(queue);
        }
    }
    gst_mini_object_unref(GST_MINI_OBJECT_CAST(GST_PAD_PROBE_INFO_DATA(info)));
    GST_PAD_PROBE_INFO_FLOW_RETURN(info) = GST_FLOW_ERROR;
    return GST_PAD_PROBE_HANDLED;
}

// Download buffering keeps its copy in a file of the user's cache folder. Unlinked as soon as it is
// open (the buffer goes on through its descriptor), it goes with the pipeline however the game ends.
void watchDownloads(GstBin*, GstBin*, GstElement* element, gpointer data) {
    GstElementFactory* factory = gst_element_get_factory(element);
    if (!factory || std::strcmp(GST_OBJECT_NAME(factory), "downloadbuffer") != 0) return;
    g_signal_connect(element, "notify::temp-location", G_CALLBACK(+[](GObject* queue, GParamSpec*, gpointer) {
                         gchar* path = nullptr;
                         g_object_get(queue, "temp-location", &path, nullptr);
                         if (path) g_unlink(path);
                         g_free(path);
                     }),
                     nullptr);
    const ChargeRef& charge = *static_cast<ChargeRef*>(data);
    if (!charge->allowance) return;
    if (GstPad* pad = gst_element_get_static_pad(element, "sink")) {
        gst_pad_add_probe(
            pad, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
            &chargeDownload, new ChargeRef(charge), &releaseCharge);
        gst_object_unref(pad);
    }
}

// A video decoder's output is judged as it is set: past the sides or the pixel rate a player
// allows, the stream fails there, so the decoder never does that work.
GstPadProbeReturn judgeDecodedCaps(GstPad* pad, GstPadProbeInfo* info, gpointer) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (!event || GST_EVENT_TYPE(event) != GST_EVENT_CAPS) return GST_PAD_PROBE_OK;
    GstCaps* caps = nullptr;
    gst_event_parse_caps(event, &caps);
    const GstStructure* format = caps ? gst_caps_get_structure(caps, 0) : nullptr;
    int width = 0;
    int height = 0;
    int numerator = 0;
    int denominator = 1;
    if (!format || !gst_structure_get_int(format, "width", &width) ||
        !gst_structure_get_int(format, "height", &height))
        return GST_PAD_PROBE_OK;
    // A variable rate (0/1) is judged by its size alone.
    gst_structure_get_fraction(format, "framerate", &numerator, &denominator);
    const double rate = numerator > 0 && denominator > 0 ? static_cast<double>(numerator) / denominator : 0;
    if (width <= GstMediaPlayer::kMaxDecodedSide && height <= GstMediaPlayer::kMaxDecodedSide &&
        static_cast<double>(width) * height * rate <= GstMediaPlayer::kMaxDecodedPixelsPerSecond)
        return GST_PAD_PROBE_OK;
    if (GstElement* decoder = gst_pad_get_parent_element(pad)) {
        GST_ELEMENT_ERROR(decoder, STREAM, DECODE, ("the video is larger or faster than a player decodes"),
                          ("%dx%d at %g pictures a second", width, height, rate));
        gst_object_unref(decoder);
    }
    return GST_PAD_PROBE_DROP;
}

void watchDecoders(GstBin*, GstBin*, GstElement* element, gpointer) {
    GstElementFactory* factory = gst_element_get_factory(element);
    const char* klass =
        factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : nullptr;
    if (!klass || !std::strstr(klass, "Decoder") || !std::strstr(klass, "Video")) return;
    if (GstPad* pad = gst_element_get_static_pad(element, "src")) {
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &judgeDecodedCaps, nullptr, nullptr);
        gst_object_unref(pad);
    }
}

}  // namespace

// The newest picture, written by the sink's streaming thread and read by whoever draws.
struct GstMediaPlayer::FrameSlot {
    // The sink's streaming thread stores, the main thread's view reads.
    mutable std::mutex mutex;
    VideoFrame frame;

    // Copies a sample's picture; any thread.
    void store(GstSample* sample) {
        GstVideoInfo info;
        GstCaps* caps = gst_sample_get_caps(sample);
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        if (!caps || !buffer || !gst_video_info_from_caps(&info, caps)) return;
        GstVideoFrame video;
        if (!gst_video_frame_map(&video, &info, buffer, GST_MAP_READ)) return;
        const int width = GST_VIDEO_FRAME_WIDTH(&video);
        const int height = GST_VIDEO_FRAME_HEIGHT(&video);
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&video, 0);
        const auto* pixels = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&video, 0));
        const std::size_t row = static_cast<std::size_t>(width) * 4;
        {
            std::lock_guard lock(mutex);
            frame.width = width;
            frame.height = height;
            frame.rgba.resize(row * static_cast<std::size_t>(height));
            for (int y = 0; y < height; ++y)
                std::memcpy(frame.rgba.data() + row * static_cast<std::size_t>(y),
                            pixels + static_cast<std::ptrdiff_t>(stride) * y, row);
            ++frame.serial;
        }
        gst_video_frame_unmap(&video);
    }

    static GstFlowReturn onSample(GstAppSink* sink, gpointer data) {
        if (GstSample* sample = gst_app_sink_pull_sample(sink)) {
            (*static_cast<std::shared_ptr<FrameSlot>*>(data))->store(sample);
            gst_sample_unref(sample);
        }
        return GST_FLOW_OK;
    }
    static GstFlowReturn onPreroll(GstAppSink* sink, gpointer data) {
        if (GstSample* sample = gst_app_sink_pull_preroll(sink)) {
            (*static_cast<std::shared_ptr<FrameSlot>*>(data))->store(sample);
            gst_sample_unref(sample);
        }
        return GST_FLOW_OK;
    }
};

std::shared_ptr<GstMediaPlayer> GstMediaPlayer::create(std::string* error) {
    if (!MediaRuntime::start(error)) return nullptr;
    for (const char* factory : {"playbin", "appsink"}) {
        GstElementFactory* found = gst_element_factory_find(factory);
        if (!found) {
            if (error) *error = std::string("GStreamer has no ") + factory + " element";
            return nullptr;
        }
        gst_object_unref(found);
    }
    std::shared_ptr<GstMediaPlayer> player(new GstMediaPlayer());
    std::weak_ptr<GstMediaPlayer> weak = player;
    MediaRuntime::whenAudioSinkChosen([weak] {
        if (auto self = weak.lock()) self->build();
    });
    return player;
}

GstMediaPlayer::GstMediaPlayer()
    : frames_(std::make_shared<FrameSlot>()),
      allowance_(std::make_shared<DiskAllowance>(kDefaultDiskBytes)),
      worker_(DispatchQueue::createSerial("tikoleap.media.player")) {}

GstMediaPlayer::~GstMediaPlayer() {
    stopTicks();
    dropPipeline();
}

void GstMediaPlayer::dropPipeline() {
    if (busWatch_) {
        g_source_destroy(busWatch_);
        g_source_unref(busWatch_);
        busWatch_ = nullptr;
    }
    download_.reset();
    if (!playbin_) return;
    // Stopping closes the sound device, which may take its time: off the main loop too.
    auto pipeline = std::make_shared<ElementRef>(playbin_);
    gst_object_unref(playbin_);
    playbin_ = nullptr;
    worker_->async([pipeline] { gst_element_set_state(pipeline->element, GST_STATE_NULL); });
}

void GstMediaPlayer::build() {
    sinkChosen_ = true;
    if (!url_.empty()) replaceItem(url_);
}

bool GstMediaPlayer::makePipeline() {
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    GstElement* video = gst_element_factory_make("appsink", nullptr);
    GstElement* audio = MediaRuntime::makeAudioSink();
    if (!playbin || !video || !audio) {
        for (GstElement* e : {playbin, video, audio})
            if (e) gst_object_unref(gst_object_ref_sink(e));
        logMessage("GstMediaPlayer", 4, "the playback elements cannot be made");
        status_ = MediaStatus::Failed;
        auto self = shared_from_this();
        if (auto observer = this->observer()) observer->mediaPlayerStatusChanged(*this);
        return false;
    }
    playbin_ = GST_ELEMENT(gst_object_ref_sink(playbin));
    audioSinkName_ = MediaRuntime::audioSinkName();

    // Every picture is copied in the game's process: a video made to be huge or fast costs it no
    // more than an ordinary one. The converter playbin puts before its sink scales a larger picture
    // down (the view draws it at the video's own shape); pictures closer together than the rate allows are
    // dropped unseen.
    char sinkCaps[128];
    std::snprintf(sinkCaps, sizeof sinkCaps, "video/x-raw,format=RGBA,width=[1,%d],height=[1,%d]",
                  kMaxFrameSide, kMaxFrameSide);
    GstCaps* caps = gst_caps_from_string(sinkCaps);
    g_object_set(video, "caps", caps, "max-buffers", 1u, "drop", TRUE, "enable-last-sample", FALSE,
                 "throttle-time", static_cast<guint64>(GST_SECOND / kMaxFrameRate), nullptr);
    gst_caps_unref(caps);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_preroll = &FrameSlot::onPreroll;
    callbacks.new_sample = &FrameSlot::onSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(video), &callbacks, new std::shared_ptr<FrameSlot>(frames_),
                               [](gpointer data) { delete static_cast<std::shared_ptr<FrameSlot>*>(data); });
    g_object_set(playbin_, "video-sink", video, "audio-sink", audio, "flags", kPlayFlags, "volume",
                 static_cast<double>(volume_), "mute", muted_ ? TRUE : FALSE, nullptr);

    g_signal_connect(playbin_, "deep-element-added", G_CALLBACK(&watchDecoders), nullptr);
    download_ = std::make_shared<DownloadCharge>(allowance_);
    g_signal_connect_data(playbin_, "deep-element-added", G_CALLBACK(&watchDownloads),
                          new ChargeRef(download_),
                          reinterpret_cast<GClosureNotify>(reinterpret_cast<void (*)()>(&releaseCharge)),
                          static_cast<GConnectFlags>(0));

    GstBus* bus = gst_element_get_bus(playbin_);
    busWatch_ = gst_bus_create_watch(bus);
    gst_object_unref(bus);
    // A bus watch calls its callback with the bus and the message, through the plain source type.
    GstBusFunc onMessage = [](GstBus*, GstMessage* message, gpointer data) -> gboolean {
        static_cast<GstMediaPlayer*>(data)->handle(message);
        return G_SOURCE_CONTINUE;
    };
    g_source_set_callback(busWatch_, reinterpret_cast<GSourceFunc>(reinterpret_cast<void (*)()>(onMessage)),
                          this, nullptr);
    g_source_attach(busWatch_, nullptr);
    return true;
}

void GstMediaPlayer::replaceItem(const std::string& url) {
    url_ = url;
    status_ = MediaStatus::Unknown;
    duration_.reset();
    bufferPercent_ = -1;
    prerolled_ = false;
    sizes_.clear();
    lastTime_ = 0;
    if (!sinkChosen_) return;
    // Each item has a pipeline of its own: nothing the last one still had to say reaches the new.
    dropPipeline();
    if (url.empty() || !makePipeline()) return;
    g_object_set(playbin_, "uri", url.c_str(), nullptr);
    applyState();
}

void GstMediaPlayer::applyState() {
    if (!playbin_ || url_.empty()) return;
    auto pipeline = std::make_shared<ElementRef>(playbin_);
    const GstState state = playing_ ? GST_STATE_PLAYING : GST_STATE_PAUSED;
    worker_->async([pipeline, state] { gst_element_set_state(pipeline->element, state); });
}

void GstMediaPlayer::play() {
    const bool changed = !playing_;
    playing_ = true;
    applyState();
    if (!changed) return;
    rate_ = 1;
    startTicks();
    auto self = shared_from_this();
    if (auto observer = this->observer()) observer->mediaPlayerRateChanged(*this);
}

void GstMediaPlayer::pause() {
    const bool changed = playing_;
    playing_ = false;
    applyState();
    if (!changed) return;
    rate_ = 0;
    stopTicks();
    auto self = shared_from_this();
    if (auto observer = this->observer()) observer->mediaPlayerRateChanged(*this);
    reportTime();
}

void GstMediaPlayer::seek(double seconds) {
    if (!std::isfinite(seconds)) return;
    seconds = std::max(0.0, seconds);
    if (!playbin_ || !prerolled_) {
        pendingSeek_ = seconds;
        return;
    }
    auto pipeline = std::make_shared<ElementRef>(playbin_);
    const auto position = static_cast<gint64>(seconds * GST_SECOND);
    worker_->async([pipeline, position] {
        gst_element_seek_simple(pipeline->element, GST_FORMAT_TIME,
                                static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                position);
    });
}

double GstMediaPlayer::currentTime() const {
    gint64 position = 0;
    if (playbin_ && prerolled_ && gst_element_query_position(playbin_, GST_FORMAT_TIME, &position) &&
        position >= 0)
        lastTime_ = static_cast<double>(position) / GST_SECOND;
    return lastTime_;
}

void GstMediaPlayer::setVolume(float volume) {
    if (!std::isfinite(volume)) return;
    volume_ = std::clamp(volume, 0.0f, 1.0f);
    if (playbin_) g_object_set(playbin_, "volume", static_cast<double>(volume_), nullptr);
}

void GstMediaPlayer::setDiskAllowance(std::shared_ptr<DiskAllowance> allowance) {
    // Taken by the next item's pipeline.
    allowance_ = allowance ? std::move(allowance) : std::make_shared<DiskAllowance>(kDefaultDiskBytes);
}

void GstMediaPlayer::setMuted(bool muted) {
    muted_ = muted;
    if (playbin_) g_object_set(playbin_, "mute", muted ? TRUE : FALSE, nullptr);
}

bool GstMediaPlayer::useLatestFrame(std::uint64_t after,
                                    const std::function<void(const VideoFrame&)>& use) const {
    std::lock_guard lock(frames_->mutex);
    if (frames_->frame.serial <= after) return false;
    use(frames_->frame);
    return true;
}

void GstMediaPlayer::handle(GstMessage* message) {
    // The observer may release this player.
    auto self = shared_from_this();
    auto observer = this->observer();
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ERROR: {
            GError* error = nullptr;
            gst_message_parse_error(message, &error, nullptr);
            logMessage("GstMediaPlayer", 3, std::string("video failed: ") + (error ? error->message : "?"));
            if (error) g_error_free(error);
            if (status_ == MediaStatus::Failed) break;
            status_ = MediaStatus::Failed;
            stopTicks();
            // A download past its allowance goes at once, and its file with it.
            if (download_ && download_->over.load()) dropPipeline();
            if (observer) observer->mediaPlayerStatusChanged(*this);
            break;
        }
        case GST_MESSAGE_EOS:
            stopTicks();
            reportTime();
            playing_ = false;
            applyState();
            if (rate_ != 0) {
                rate_ = 0;
                if (observer) observer->mediaPlayerRateChanged(*this);
            }
            if (observer) observer->mediaPlayerDidPlayToEnd(*this);
            break;
        case GST_MESSAGE_ASYNC_DONE:
            if (GST_MESSAGE_SRC(message) != GST_OBJECT(playbin_)) break;
            if (!prerolled_) {
                prerolled();
            } else {
                reportTime();  // a seek has landed
            }
            break;
        case GST_MESSAGE_DURATION_CHANGED: {
            gint64 length = 0;
            if (prerolled_ && gst_element_query_duration(playbin_, GST_FORMAT_TIME, &length) && length > 0) {
                duration_ = static_cast<double>(length) / GST_SECOND;
                if (observer) observer->mediaPlayerItemChanged(*this);
            }
            break;
        }
        case GST_MESSAGE_BUFFERING: {
            gint percent = 0;
            gst_message_parse_buffering(message, &percent);
            if (percent == bufferPercent_) break;
            bufferPercent_ = percent;
            if (observer) observer->mediaPlayerItemChanged(*this);
            break;
        }
        default:
            break;
    }
}

void GstMediaPlayer::prerolled() {
    auto observer = this->observer();
    prerolled_ = true;
    gint64 length = 0;
    if (gst_element_query_duration(playbin_, GST_FORMAT_TIME, &length) && length > 0)
        duration_ = static_cast<double>(length) / GST_SECOND;
    readVideoSizes();
    if (pendingSeek_) {
        const double at = *pendingSeek_;
        pendingSeek_.reset();
        seek(at);
    }
    if (status_ != MediaStatus::ReadyToPlay) {
        status_ = MediaStatus::ReadyToPlay;
        if (observer) observer->mediaPlayerStatusChanged(*this);
    }
    if (observer) observer->mediaPlayerItemChanged(*this);
}

void GstMediaPlayer::readVideoSizes() {
    sizes_.clear();
    gint tracks = 0;
    g_object_get(playbin_, "n-video", &tracks, nullptr);
    for (gint i = 0; i < tracks; ++i) {
        GstPad* pad = nullptr;
        g_signal_emit_by_name(playbin_, "get-video-pad", i, &pad);
        VideoSize size;
        if (GstCaps* caps = pad ? gst_pad_get_current_caps(pad) : nullptr) {
            GstVideoInfo info;
            if (gst_video_info_from_caps(&info, caps)) {
                const int n = std::max(1, GST_VIDEO_INFO_PAR_N(&info));
                const int d = std::max(1, GST_VIDEO_INFO_PAR_D(&info));
                size = {static_cast<double>(GST_VIDEO_INFO_WIDTH(&info)) * n / d,
                        static_cast<double>(GST_VIDEO_INFO_HEIGHT(&info))};
            }
            gst_caps_unref(caps);
        }
        if (pad) gst_object_unref(pad);
        sizes_.push_back(size);
    }
}

void GstMediaPlayer::startTicks() {
    if (ticks_) return;
    ticks_ = g_timeout_source_new(static_cast<guint>(kTimeInterval * 1000));
    g_source_set_callback(
        ticks_,
        [](gpointer data) -> gboolean {
            static_cast<GstMediaPlayer*>(data)->reportTime();
            return G_SOURCE_CONTINUE;
        },
        this, nullptr);
    g_source_attach(ticks_, nullptr);
}

void GstMediaPlayer::stopTicks() {
    if (!ticks_) return;
    g_source_destroy(ticks_);
    g_source_unref(ticks_);
    ticks_ = nullptr;
}

void GstMediaPlayer::reportTime() {
    if (!prerolled_) return;
    auto self = shared_from_this();
    if (auto observer = this->observer()) observer->mediaPlayerTimeChanged(*this, currentTime());
}

}  // namespace platform::media
