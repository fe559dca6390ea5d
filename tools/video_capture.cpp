#include "tools/video_capture.h"

#include "app/offline_timeline.h"
#include "tools/capture_progress.h"
#include "tools/pending_file.h"
#include "tools/soundtrack_reader.h"
#include "tools/video_encoder.h"
#include "tools/window_pixels.h"

#include <gst/gst.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>

namespace {

constexpr const char* kTrack = "track.mp3";
// LAME's encoder delay (576) and every MP3 decoder's (529): what a player decodes from the video
// lags the samples given to the encoder by this many, so the sound is taken that much later.
constexpr std::uint64_t kMp3Delay = 1105;

volatile std::sig_atomic_t interruptedBy = 0;

extern "C" void noteInterrupt(int signal) {
    interruptedBy = signal;
}

// Ctrl+C, a closed terminal or a polite kill end the render between two frames, so that the
// encoder and the unfinished file are cleaned up. Restores the previous handlers when destroyed.
class InterruptWatch {
  public:
    InterruptWatch() {
        interruptedBy = 0;
        struct sigaction action = {};
        action.sa_handler = noteInterrupt;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            sigaction(kSignals[i], &action, &previous_[i]);
    }
    ~InterruptWatch() {
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            sigaction(kSignals[i], &previous_[i], nullptr);
    }
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    bool interrupted() const { return interruptedBy != 0; }

  private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction previous_[std::size(kSignals)];
};

struct Interrupted {};

void stopIfInterrupted(const InterruptWatch& watch) {
    if (watch.interrupted())
        throw Interrupted{};
}

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::uint64_t soundFrameAt(double seconds) {
    return static_cast<std::uint64_t>(std::llround(seconds * SoundtrackReader::sampleRate));
}

void renderVideo(const CaptureOptions& options, GlWindow& window, DemoScenes& scenes,
                 const InterruptWatch& watch) {
    const int total = videoFrameCount(options.from, options.to, static_cast<int>(options.fps));
    const int fps = static_cast<int>(options.fps);
    PendingFile file(options.videoPath);
    SoundtrackReader sound(kTrack);
    sound.skipTo(soundFrameAt(options.from) + kMp3Delay);

    OfflineTimeline timeline(scenes.set());
    if (options.from > 0.0f)
        std::fprintf(stderr, "quorvane-capture: playing the demo up to %g s\n",
                     static_cast<double>(options.from));
    // In steps of a second, to answer Ctrl+C while the simulations catch up.
    for (float second = 1.0f; timeline.next() < options.from; second += 1.0f) {
        stopIfInterrupted(watch);
        timeline.fastForwardTo(std::min(second, options.from));
    }

    VideoEncoder encoder(file.path(), window.width(), window.height(), fps);
    CaptureProgress progress(stderr, isatty(STDERR_FILENO) != 0, total);
    std::uint64_t soundPushed = 0;
    const Clock::time_point start = Clock::now();
    for (int n = 0; n < total; ++n) {
        stopIfInterrupted(watch);
        timeline.render(videoFrameTime(options.from, n, fps));
        window.present();
        // The frame's sound goes first, so the muxer always has sound to put beside it.
        const std::uint64_t soundEnd = soundFrameAt(static_cast<double>(n + 1) / fps);
        encoder.pushSamples(sound.read(soundEnd - soundPushed));
        soundPushed = soundEnd;
        if (sound.ended())
            encoder.endSamples();
        encoder.pushFrame(readWindowPixels(window, 4));
        progress.frameDone(n + 1, secondsSince(start));
    }
    encoder.finish();
    file.commit(options.force);
    std::printf("wrote %s: %d frames at %d fps from %g s, %.3f s long\n", options.videoPath.c_str(),
                total, fps, static_cast<double>(options.from), static_cast<double>(total) / fps);
}

} // namespace

std::optional<std::string> videoRefusal(const CaptureOptions& options) {
    GError* error = nullptr;
    if (!gst_init_check(nullptr, nullptr, &error)) {
        const std::string why = error ? error->message : "unknown error";
        g_clear_error(&error);
        return "GStreamer is unavailable: " + why + " (Debian package libgstreamer1.0-0)";
    }
    if (std::optional<std::string> missing = missingVideoElement())
        return missing;
    std::error_code ignored;
    if (!options.force && std::filesystem::symlink_status(options.videoPath, ignored).type() !=
                              std::filesystem::file_type::not_found)
        return options.videoPath + " already exists; --force replaces it";
    if (!std::filesystem::is_regular_file(kTrack, ignored))
        return std::string("a video takes its sound from ") + kTrack +
               ", which is not in the working directory";
    return std::nullopt;
}

int videoFrameCount(float from, float to, int fps) {
    // A hair under a whole frame is a rounding of the times, not a frame more.
    const double frames = (static_cast<double>(to) - static_cast<double>(from)) * fps;
    return static_cast<int>(std::ceil(frames - 1e-6));
}

float videoFrameTime(float from, int n, int fps) {
    return static_cast<float>(static_cast<double>(from) + static_cast<double>(n) / fps);
}

int captureVideo(const CaptureOptions& options, GlWindow& window, DemoScenes& scenes) {
    const InterruptWatch watch;
    try {
        renderVideo(options, window, scenes, watch);
    } catch (const Interrupted&) {
        std::fprintf(stderr, "\nquorvane-capture: interrupted; %s not written\n",
                     options.videoPath.c_str());
        return 130;
    }
    return 0;
}
