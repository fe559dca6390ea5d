#include "app/music_player.h"
#include "app/wall_clock.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

constexpr double kEndless = std::numeric_limits<double>::infinity();

// Fetches and decodes the file beside the page into an AudioContext made for it. Returns the
// length in seconds, or -1 when the file cannot be fetched or decoded (or Web Audio is missing).
// clang-format off
EM_ASYNC_JS(double, decodeTrack, (const char* fileName), {
    const name = UTF8ToString(fileName);
    try {
        const response = await fetch(name);
        if (!response.ok)
            return -1;
        const bytes = await response.arrayBuffer();
        const context = new AudioContext();
        const buffer = await context.decodeAudioData(bytes);
        Module.quorvaneMusic = {context : context, buffer : buffer, source : null, startedAt : 0};
        // Without the viewer's click the context stays suspended; asking costs nothing.
        context.resume().catch(() => {});
        return buffer.duration;
    } catch (error) {
        return -1;
    }
});
// clang-format on

// Whether the context's clock runs: a suspended one never advances.
// clang-format off
EM_JS(int, audioClockRuns, (),
      { return Module.quorvaneMusic.context.state === 'running' ? 1 : 0; });
// clang-format on

// clang-format off
EM_JS(void, startTrack, (double offset), {
    const music = Module.quorvaneMusic;
    const source = music.context.createBufferSource();
    source.buffer = music.buffer;
    source.connect(music.context.destination);
    source.start(0, offset);
    music.source = source;
    music.startedAt = music.context.currentTime - offset;
});
// clang-format on

// clang-format off
EM_JS(void, stopSource, (), {
    const music = Module.quorvaneMusic;
    if (music.source)
        music.source.stop();
    music.source = null;
});
// clang-format on

// clang-format off
EM_JS(double, trackPosition, (), {
    const music = Module.quorvaneMusic;
    return music.context.currentTime - music.startedAt;
});
// clang-format on

// clang-format off
EM_JS(void, closeTrack, (), {
    const music = Module.quorvaneMusic;
    if (!music)
        return;
    if (music.source)
        music.source.stop();
    music.context.close();
    Module.quorvaneMusic = null;
});
// clang-format on

} // namespace

struct MusicPlayer::Impl {
    bool rendered = false;
    // The context's clock runs: positions come from Web Audio, else from the wall clock.
    bool audible = false;
    bool playing = false;
    double duration = kEndless;
    WallClock wallClock;
};

MusicPlayer::MusicPlayer(std::string fileName) : impl_(std::make_unique<Impl>()) {
    const double length = decodeTrack(fileName.c_str());
    if (length < 0.0) {
        std::printf("mp3 rendering failed :(\n");
        std::fflush(stdout);
        return;
    }
    impl_->rendered = true;
    impl_->duration = length;
    impl_->audible = audioClockRuns() != 0;
    std::printf("Song succesfully rendered!\n");
    if (!impl_->audible)
        std::printf("No audio device found: the music plays silently in real time.\n");
    std::fflush(stdout);
}

MusicPlayer::~MusicPlayer() {
    closeTrack();
}

void MusicPlayer::seek(double seconds) {
    Impl& m = *impl_;
    // Written so that NaN lands at 0 as well.
    const double s = seconds >= 0.0 ? std::min(seconds, m.duration) : 0.0;
    if (m.audible && m.playing) {
        stopSource();
        startTrack(s);
        return;
    }
    m.wallClock.set(s);
}

void MusicPlayer::play() {
    Impl& m = *impl_;
    if (m.playing)
        return;
    m.playing = true;
    if (m.audible)
        startTrack(m.wallClock.seconds());
    else
        m.wallClock.start();
}

double MusicPlayer::position() {
    Impl& m = *impl_;
    const double seconds = m.audible && m.playing ? trackPosition() : m.wallClock.seconds();
    // Stays at the end once the music has reached it.
    return std::min(seconds, m.duration);
}

double MusicPlayer::duration() const {
    return impl_->duration;
}

bool MusicPlayer::rendered() const {
    return impl_->rendered;
}
