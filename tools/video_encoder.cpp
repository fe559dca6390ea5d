#include "tools/video_encoder.h"

#include "tools/soundtrack_reader.h"

#include <gst/app/gstappsrc.h>

#include <stdexcept>

namespace {

struct Requirement {
    const char* element;
    const char* package;
};

// What the encoder below and the soundtrack's decoding use, with where Debian ships each.
constexpr Requirement kRequirements[] = {
    {"appsrc", "gstreamer1.0-plugins-base"},
    {"appsink", "gstreamer1.0-plugins-base"},
    {"videoconvert", "gstreamer1.0-plugins-base"},
    {"audioconvert", "gstreamer1.0-plugins-base"},
    {"audioresample", "gstreamer1.0-plugins-base"},
    {"decodebin", "gstreamer1.0-plugins-base"},
    {"mpegaudioparse", "gstreamer1.0-plugins-good"},
    {"mpg123audiodec", "gstreamer1.0-plugins-good"},
    {"lamemp3enc", "gstreamer1.0-plugins-good"},
    {"mp4mux", "gstreamer1.0-plugins-good"},
    {"x264enc", "gstreamer1.0-plugins-ugly"},
};

// Constant quality rather than a bit rate: the frames range from dark fog to fine particles.
constexpr const char* kPipeline =
    "appsrc name=video format=time block=true ! videoconvert ! video/x-raw,format=I420 ! "
    "x264enc pass=qual quantizer=18 ! video/x-h264,profile=high ! mp4mux name=mux ! "
    "filesink name=file "
    "appsrc name=audio format=time ! audioconvert ! "
    "lamemp3enc target=bitrate bitrate=256 cbr=true ! mux.";

// A few frames of slack between rendering and encoding.
constexpr int kQueuedFrames = 4;

GstBuffer* bufferOf(const void* data, std::size_t bytes, GstClockTime pts, GstClockTime end) {
    GstBuffer* buffer = gst_buffer_new_memdup(data, bytes);
    GST_BUFFER_PTS(buffer) = pts;
    GST_BUFFER_DURATION(buffer) = end - pts;
    return buffer;
}

} // namespace

std::optional<std::string> missingVideoElement() {
    for (const Requirement& needed : kRequirements) {
        GstElementFactory* factory = gst_element_factory_find(needed.element);
        if (!factory)
            return std::string("writing a video needs the GStreamer element ") + needed.element +
                   " (Debian package " + needed.package + ")";
        gst_object_unref(factory);
    }
    return std::nullopt;
}

VideoEncoder::VideoEncoder(const std::string& path, int width, int height, int fps)
    : pipeline_(kPipeline, "the video encoder"), video_(pipeline_.element("video")),
      audio_(pipeline_.element("audio")), fps_(fps),
      frameBytes_(static_cast<std::size_t>(width) * height * 4) {
    GstCaps* videoCaps = gst_caps_new_simple(
        "video/x-raw", "format", G_TYPE_STRING, "RGBA", "width", G_TYPE_INT, width, "height",
        G_TYPE_INT, height, "framerate", GST_TYPE_FRACTION, fps, 1, nullptr);
    g_object_set(video_, "caps", videoCaps, "max-bytes",
                 static_cast<guint64>(frameBytes_ * kQueuedFrames), nullptr);
    gst_caps_unref(videoCaps);
    GstCaps* audioCaps = gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "S16LE",
                                             "layout", G_TYPE_STRING, "interleaved", "rate",
                                             G_TYPE_INT, SoundtrackReader::sampleRate, "channels",
                                             G_TYPE_INT, SoundtrackReader::channels, nullptr);
    // Never blocks: the sound runs ahead of the frames by the encoder's look-ahead, no more.
    g_object_set(audio_, "caps", audioCaps, "max-bytes", static_cast<guint64>(0), nullptr);
    gst_caps_unref(audioCaps);
    g_object_set(pipeline_.element("file"), "location", path.c_str(), nullptr);

    if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        throw std::runtime_error("cannot start the video encoder: " +
                                 pipeline_.takeError().value_or("unknown error"));
}

void VideoEncoder::throwIfFailed() {
    if (const std::optional<std::string> error = pipeline_.takeError())
        throw std::runtime_error("encoding failed: " + *error);
}

void VideoEncoder::pushFrame(std::span<const std::uint8_t> rgba) {
    if (rgba.size() != frameBytes_)
        throw std::logic_error("a video frame of the wrong size");
    const GstClockTime pts = gst_util_uint64_scale_int(frames_, GST_SECOND, fps_);
    ++frames_;
    const GstClockTime end = gst_util_uint64_scale_int(frames_, GST_SECOND, fps_);
    // A refused buffer means the pipeline failed; the bus says why.
    if (gst_app_src_push_buffer(GST_APP_SRC(video_),
                                bufferOf(rgba.data(), rgba.size(), pts, end)) != GST_FLOW_OK) {
        throwIfFailed();
        throw std::runtime_error("the video encoder stopped taking frames");
    }
    throwIfFailed();
}

void VideoEncoder::pushSamples(std::span<const std::int16_t> samples) {
    if (samples.empty())
        return;
    constexpr int rate = SoundtrackReader::sampleRate;
    const GstClockTime pts = gst_util_uint64_scale_int(samples_, GST_SECOND, rate);
    samples_ += samples.size() / SoundtrackReader::channels;
    const GstClockTime end = gst_util_uint64_scale_int(samples_, GST_SECOND, rate);
    if (gst_app_src_push_buffer(GST_APP_SRC(audio_), bufferOf(samples.data(), samples.size_bytes(),
                                                              pts, end)) != GST_FLOW_OK) {
        throwIfFailed();
        throw std::runtime_error("the video encoder stopped taking sound");
    }
}

void VideoEncoder::endSamples() {
    // The muxer would otherwise wait for sound that never comes, and the frames for room.
    if (!samplesEnded_)
        gst_app_src_end_of_stream(GST_APP_SRC(audio_));
    samplesEnded_ = true;
}

void VideoEncoder::finish() {
    endSamples();
    gst_app_src_end_of_stream(GST_APP_SRC(video_));
    if (const std::optional<std::string> error = pipeline_.waitForEnd())
        throw std::runtime_error("encoding failed: " + *error);
}
