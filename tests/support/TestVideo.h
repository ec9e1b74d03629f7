#pragma once
// Silent VP8 videos made at test time from GStreamer's test source, for the tests that play one.
// Header only: only the tests that link the media framework include it.
#include <gst/gst.h>

#include <cstdio>
#include <string>

namespace tikoleap::test {

// Encodes `frames` pictures of the test source's `pattern` ("smpte", "ball", ...) at width x height
// and `rate` frames a second into a WebM file at `path`; false when it could not be made.
inline bool encodeTestVideo(const std::string& path, const char* pattern, int width, int height, int rate,
                            int frames) {
    gst_init(nullptr, nullptr);
    char text[512];
    std::snprintf(text, sizeof text,
                  "videotestsrc pattern=%s num-buffers=%d ! video/x-raw,width=%d,height=%d,framerate=%d/1 ! "
                  "videoconvert ! vp8enc deadline=1 ! webmmux ! filesink location=\"%s\"",
                  pattern, frames, width, height, rate, path.c_str());
    GstElement* pipeline = gst_parse_launch(text, nullptr);
    if (!pipeline) return false;
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(
        bus, 60 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ok = end && GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS;
    if (end) gst_message_unref(end);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ok;
}

}  // namespace tikoleap::test
