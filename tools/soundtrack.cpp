// Synthesises the stand-in soundtrack and writes it as MP3 through GStreamer.
#include "tools/soundtrack_synth.h"

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

namespace {

constexpr double kDefaultSeconds = 200.0;
// An hour keeps a typing slip from filling the disk.
constexpr double kMaxSeconds = 3600.0;
constexpr std::int64_t kBlockSamples = kSampleRate;

enum ExitCode { kSuccess = 0, kFailure = 1, kUsage = 2 };

struct Options {
    std::string output;
    double seconds = kDefaultSeconds;
};

std::optional<double> parseSeconds(const char* text) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !std::isfinite(value) || value <= 0.0 ||
        value > kMaxSeconds)
        return std::nullopt;
    return value;
}

std::optional<Options> parseArguments(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc) {
            const std::optional<double> seconds = parseSeconds(argv[++i]);
            if (!seconds)
                return std::nullopt;
            options.seconds = *seconds;
        } else if (!arg.empty() && arg[0] != '-' && options.output.empty()) {
            options.output = arg;
        } else {
            return std::nullopt;
        }
    }
    if (options.output.empty())
        return std::nullopt;
    return options;
}

int usage() {
    std::fprintf(stderr,
                 "usage: quorvane-soundtrack OUT.mp3 [--seconds N]\n"
                 "Synthesises N seconds (default 200, at most 3600) of stand-in music, a steady "
                 "pulse with an accent on every cut of the timeline, and writes it as MP3.\n"
                 "An existing OUT.mp3 is never overwritten.\n");
    return kUsage;
}

// Waits for the end of the encoded stream; false, with the reason on stderr, on an error.
bool finished(GstElement* pipeline) {
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus, GST_CLOCK_TIME_NONE, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ok = GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (!ok) {
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        std::fprintf(stderr, "quorvane-soundtrack: encoding failed: %s\n",
                     error ? error->message : "unknown error");
        g_clear_error(&error);
    }
    gst_message_unref(message);
    gst_object_unref(bus);
    return ok;
}

bool encode(const std::string& path, std::int64_t totalSamples) {
    GError* error = nullptr;
    // The Xing header tells players the length without decoding the whole file first.
    GstElement* pipeline = gst_parse_launch(
        "appsrc name=source format=time block=true max-bytes=1048576 ! audioconvert ! "
        "lamemp3enc target=bitrate bitrate=192 cbr=true ! xingmux ! filesink name=sink",
        &error);
    if (!pipeline) {
        std::fprintf(stderr, "quorvane-soundtrack: cannot build the encoder: %s\n",
                     error ? error->message : "unknown error");
        g_clear_error(&error);
        return false;
    }
    GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline), "source");
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    GstCaps* caps = gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "F32LE", "layout",
                                        G_TYPE_STRING, "interleaved", "rate", G_TYPE_INT,
                                        kSampleRate, "channels", G_TYPE_INT, 1, nullptr);
    g_object_set(source, "caps", caps, nullptr);
    gst_caps_unref(caps);
    g_object_set(sink, "location", path.c_str(), nullptr);
    gst_object_unref(sink);

    bool ok = gst_element_set_state(pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
    for (std::int64_t first = 0; ok && first < totalSamples; first += kBlockSamples) {
        const std::int64_t count = std::min(kBlockSamples, totalSamples - first);
        const auto bytes = static_cast<gsize>(count) * sizeof(float);
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, bytes, nullptr);
        GstMapInfo map;
        gst_buffer_map(buffer, &map, GST_MAP_WRITE);
        renderSoundtrack({reinterpret_cast<float*>(map.data), static_cast<std::size_t>(count)},
                         first);
        gst_buffer_unmap(buffer, &map);
        GST_BUFFER_PTS(buffer) =
            gst_util_uint64_scale_int(static_cast<guint64>(first), GST_SECOND, kSampleRate);
        GST_BUFFER_DURATION(buffer) =
            gst_util_uint64_scale_int(static_cast<guint64>(count), GST_SECOND, kSampleRate);
        // A refused buffer means the pipeline failed; the bus says why.
        if (gst_app_src_push_buffer(GST_APP_SRC(source), buffer) != GST_FLOW_OK)
            break;
    }
    if (ok) {
        gst_app_src_end_of_stream(GST_APP_SRC(source));
        ok = finished(pipeline);
    } else {
        std::fprintf(stderr, "quorvane-soundtrack: cannot start the MP3 encoder\n");
    }
    gst_object_unref(source);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ok;
}

bool exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type() !=
           std::filesystem::file_type::not_found;
}

int refuse(const std::string& path) {
    std::fprintf(stderr, "quorvane-soundtrack: %s already exists; not overwriting it\n",
                 path.c_str());
    return kFailure;
}

} // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = parseArguments(argc, argv);
    if (!options)
        return usage();
    const std::string& output = options->output;
    if (exists(output))
        return refuse(output);
    GError* error = nullptr;
    if (!gst_init_check(nullptr, nullptr, &error)) {
        std::fprintf(stderr, "quorvane-soundtrack: GStreamer unavailable: %s\n",
                     error ? error->message : "unknown error");
        g_clear_error(&error);
        return kFailure;
    }

    // Encoded beside the output under a temporary name, so a failed run leaves no half file.
    std::string temporary = output + ".XXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) {
        std::fprintf(stderr, "quorvane-soundtrack: cannot write beside %s: %s\n", output.c_str(),
                     std::strerror(errno));
        return kFailure;
    }
    fchmod(descriptor, 0644);
    close(descriptor);

    const auto samples = static_cast<std::int64_t>(std::llround(options->seconds * kSampleRate));
    int result = encode(temporary, samples) ? kSuccess : kFailure;
    // link refuses an existing name, so a file that appeared meanwhile is not replaced either.
    if (result == kSuccess && link(temporary.c_str(), output.c_str()) != 0) {
        if (errno == EEXIST)
            result = refuse(output);
        else {
            std::fprintf(stderr, "quorvane-soundtrack: cannot create %s: %s\n", output.c_str(),
                         std::strerror(errno));
            result = kFailure;
        }
    }
    unlink(temporary.c_str());
    if (result == kSuccess)
        std::printf("wrote %s: %g s of stand-in music\n", output.c_str(), options->seconds);
    return result;
}
