#include "app/music_backend.h"

#include <gst/gst.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Long enough for a slow disk, short enough that a stuck decoder does not hang start-up.
constexpr GstClockTime kSettleTimeout = 10 * GST_SECOND;
constexpr double kEndless = std::numeric_limits<double>::infinity();
// Past the end of any music, yet representable in GStreamer's nanoseconds.
constexpr double kFarFuture = 1e9;

double toSeconds(gint64 nanoseconds) {
    return static_cast<double>(nanoseconds) / static_cast<double>(GST_SECOND);
}

// autoaudiosink falls back to a fake sink (or fails) when no sound server or device answers.
bool isAudioDevice(GstElement* autoSink) {
    if (gst_element_set_state(autoSink, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE)
        return false;
    bool real = false;
    GstIterator* children = gst_bin_iterate_elements(GST_BIN(autoSink));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(children, &item) == GST_ITERATOR_OK) {
        GstElementFactory* factory =
            gst_element_get_factory(GST_ELEMENT(g_value_get_object(&item)));
        if (factory && std::strcmp(GST_OBJECT_NAME(factory), "fakesink") != 0)
            real = true;
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(children);
    gst_element_set_state(autoSink, GST_STATE_NULL);
    return real;
}

// The sink of the audio device; null when there is none. The caller owns the reference.
GstElement* audioDeviceSink() {
    GstElement* sink = gst_element_factory_make("autoaudiosink", nullptr);
    if (!sink)
        return nullptr;
    gst_object_ref_sink(sink);
    if (isAudioDevice(sink))
        return sink;
    gst_object_unref(sink);
    return nullptr;
}

// The playbin paused with the file pre-rolled into the sink; null when the file cannot be played.
GstElement* renderFile(const std::string& fileName, GstElement* sink) {
    gchar* uri = gst_filename_to_uri(fileName.c_str(), nullptr);
    GstElement* pipeline = uri ? gst_element_factory_make("playbin", nullptr) : nullptr;
    if (!pipeline) {
        g_free(uri);
        return nullptr;
    }
    gst_object_ref_sink(pipeline);
    g_object_set(pipeline, "uri", uri, "volume", 1.0, "mute", FALSE, "audio-sink", sink, nullptr);
    g_free(uri);
    // Only the sound matters; a cover picture must not ask for a video sink.
    gst_util_set_object_arg(G_OBJECT(pipeline), "flags", "audio+soft-volume");

    bool prerolled = false;
    if (gst_element_set_state(pipeline, GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE) {
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, kSettleTimeout,
            static_cast<GstMessageType>(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR));
        prerolled = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_ASYNC_DONE;
        if (message)
            gst_message_unref(message);
        gst_object_unref(bus);
    }
    if (!prerolled) {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
        return nullptr;
    }
    return pipeline;
}

class GstMusic final : public MusicBackend {
  public:
    explicit GstMusic(GstElement* pipeline)
        : pipeline_(pipeline), bus_(gst_element_get_bus(pipeline)) {}
    ~GstMusic() override {
        gst_object_unref(bus_);
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        gst_object_unref(pipeline_);
    }
    GstMusic(const GstMusic&) = delete;
    GstMusic& operator=(const GstMusic&) = delete;

    // Files without a length header only tell their length once the parser has estimated it,
    // so an unknown length is asked for again whenever it matters.
    double duration() override {
        gint64 nanoseconds = 0;
        if (duration_ == kEndless &&
            gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &nanoseconds) &&
            nanoseconds >= 0)
            duration_ = toSeconds(nanoseconds);
        return duration_;
    }

    double position() override {
        noteEnd();
        if (ended_)
            return duration() < kEndless ? duration_ : last_;
        gint64 nanoseconds = 0;
        if (failed_ || !gst_element_query_position(pipeline_, GST_FORMAT_TIME, &nanoseconds) ||
            nanoseconds < 0)
            return std::nan("");
        last_ = toSeconds(nanoseconds);
        return last_;
    }

    void seek(double seconds) override {
        const auto nanoseconds =
            static_cast<gint64>(std::min(seconds, kFarFuture) * static_cast<double>(GST_SECOND));
        gst_element_seek_simple(
            pipeline_, GST_FORMAT_TIME,
            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), nanoseconds);
        gst_element_get_state(pipeline_, nullptr, nullptr, kSettleTimeout);
        ended_ = false;
        last_ = seconds;
    }

    void run() override { gst_element_set_state(pipeline_, GST_STATE_PLAYING); }

  private:
    // The end of the media holds the position there; an error leaves it unreadable.
    void noteEnd() {
        while (GstMessage* message = gst_bus_pop_filtered(
                   bus_, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR))) {
            (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS ? ended_ : failed_) = true;
            gst_message_unref(message);
        }
    }

    GstElement* pipeline_;
    GstBus* bus_;
    double duration_ = kEndless;
    double last_ = 0.0;
    bool ended_ = false;
    bool failed_ = false;
};

} // namespace

OpenedMusic openMusic(const std::string& fileName) {
    OpenedMusic opened;
    if (!gst_init_check(nullptr, nullptr, nullptr))
        return opened;
    GstElement* sink = audioDeviceSink();
    if (!sink) {
        opened.noAudioDevice = true;
        return opened;
    }
    // The playbin keeps a reference of its own.
    GstElement* pipeline = renderFile(fileName, sink);
    gst_object_unref(sink);
    if (pipeline)
        opened.backend = std::make_unique<GstMusic>(pipeline);
    return opened;
}
