#include "app/music_player.h"
#include "app/wall_clock.h"

#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
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
bool audioDeviceAvailable(GstElement* autoSink) {
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

// The device sink when there is one, else a fake sink that still keeps to the clock, so
// silent playback runs in real time rather than as fast as the decoder goes. The caller owns the
// returned reference.
GstElement* makeAudioSink(bool& silent) {
    GstElement* autoSink = gst_element_factory_make("autoaudiosink", nullptr);
    if (autoSink) {
        gst_object_ref_sink(autoSink);
        if (audioDeviceAvailable(autoSink)) {
            silent = false;
            return autoSink;
        }
        gst_object_unref(autoSink);
    }
    silent = true;
    GstElement* fake = gst_element_factory_make("fakesink", nullptr);
    if (fake) {
        gst_object_ref_sink(fake);
        g_object_set(fake, "sync", TRUE, nullptr);
    }
    return fake;
}

// Pre-rolls the file into a paused playbin; null when the file cannot be played.
GstElement* renderFile(const std::string& fileName, bool& silent) {
    if (!gst_init_check(nullptr, nullptr, nullptr))
        return nullptr;
    gchar* uri = gst_filename_to_uri(fileName.c_str(), nullptr);
    GstElement* pipeline = uri ? gst_element_factory_make("playbin", nullptr) : nullptr;
    if (!pipeline) {
        g_free(uri);
        return nullptr;
    }
    gst_object_ref_sink(pipeline);
    g_object_set(pipeline, "uri", uri, "volume", 1.0, "mute", FALSE, nullptr);
    g_free(uri);
    // Only the sound matters; a cover picture must not ask for a video sink.
    gst_util_set_object_arg(G_OBJECT(pipeline), "flags", "audio+soft-volume");
    if (GstElement* sink = makeAudioSink(silent)) {
        // playbin keeps a reference of its own.
        g_object_set(pipeline, "audio-sink", sink, nullptr);
        gst_object_unref(sink);
    }

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

} // namespace

struct MusicPlayer::Impl {
    // Null while the silent wall clock stands in for the music.
    GstElement* pipeline = nullptr;
    GstBus* bus = nullptr;
    double duration = kEndless;
    bool rendered = false;
    bool playing = false;
    bool ended = false;
    double lastPosition = 0.0;
    WallClock wallClock;

    void releasePipeline() {
        if (bus)
            gst_object_unref(bus);
        if (pipeline) {
            gst_element_set_state(pipeline, GST_STATE_NULL);
            gst_object_unref(pipeline);
        }
        bus = nullptr;
        pipeline = nullptr;
    }

    // Notes the end of the media, and hands over to the wall clock if playback broke down.
    void pollBus() {
        while (GstMessage* message = gst_bus_pop_filtered(
                   bus, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR))) {
            const bool failed = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR;
            if (failed) {
                GError* error = nullptr;
                gst_message_parse_error(message, &error, nullptr);
                std::printf("music playback stopped (%s); the timeline goes on silently\n",
                            error ? error->message : "unknown error");
                std::fflush(stdout);
                g_clear_error(&error);
            } else {
                ended = true;
            }
            gst_message_unref(message);
            if (failed) {
                releasePipeline();
                duration = kEndless;
                wallClock.set(lastPosition);
                if (playing)
                    wallClock.start();
                return;
            }
        }
    }

    // Files without a length header only tell their length once the parser has estimated it,
    // so an unknown length is asked for again whenever it matters.
    double knownDuration() {
        gint64 nanoseconds = 0;
        if (pipeline && duration == kEndless &&
            gst_element_query_duration(pipeline, GST_FORMAT_TIME, &nanoseconds) && nanoseconds >= 0)
            duration = toSeconds(nanoseconds);
        return duration;
    }

    void waitUntilSettled() { gst_element_get_state(pipeline, nullptr, nullptr, kSettleTimeout); }
};

MusicPlayer::MusicPlayer(std::string fileName) : impl_(std::make_unique<Impl>()) {
    bool silent = false;
    impl_->pipeline = renderFile(fileName, silent);
    if (!impl_->pipeline) {
        std::printf("mp3 rendering failed :(\n");
        std::fflush(stdout);
        return;
    }
    impl_->rendered = true;
    std::printf("Song succesfully rendered!\n");
    if (silent)
        std::printf("No audio device found: the music plays silently in real time.\n");
    std::fflush(stdout);
    impl_->bus = gst_element_get_bus(impl_->pipeline);
    impl_->knownDuration();
}

MusicPlayer::~MusicPlayer() {
    impl_->releasePipeline();
}

void MusicPlayer::seek(double seconds) {
    Impl& m = *impl_;
    double s = seconds;
    if (s > m.knownDuration())
        s = m.knownDuration();
    // Written so that NaN lands at 0 as well.
    if (!(s >= 0.0))
        s = 0.0;
    if (!m.pipeline) {
        m.wallClock.set(s);
        return;
    }
    const auto nanoseconds =
        static_cast<gint64>(std::min(s, kFarFuture) * static_cast<double>(GST_SECOND));
    gst_element_seek_simple(m.pipeline, GST_FORMAT_TIME,
                            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                            nanoseconds);
    m.waitUntilSettled();
    m.ended = false;
    m.lastPosition = s;
}

void MusicPlayer::play() {
    Impl& m = *impl_;
    m.playing = true;
    if (!m.pipeline) {
        m.wallClock.start();
        return;
    }
    gst_element_set_state(m.pipeline, GST_STATE_PLAYING);
}

double MusicPlayer::position() {
    Impl& m = *impl_;
    if (m.pipeline)
        m.pollBus();
    if (!m.pipeline)
        return m.wallClock.seconds();
    if (m.ended)
        return m.knownDuration() < kEndless ? m.duration : m.lastPosition;
    gint64 nanoseconds = 0;
    if (gst_element_query_position(m.pipeline, GST_FORMAT_TIME, &nanoseconds) && nanoseconds >= 0)
        m.lastPosition = toSeconds(nanoseconds);
    return m.lastPosition;
}

double MusicPlayer::duration() const {
    return impl_->knownDuration();
}

bool MusicPlayer::rendered() const {
    return impl_->rendered;
}
