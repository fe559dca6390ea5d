#include "app/music_backend.h"

#include <emscripten.h>

#include <algorithm>

namespace {

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

// Whether the context's clock runs: a suspended one never advances, as no device would.
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

// The decoded track in its AudioContext: the context's clock is the position while it plays.
class WebAudioMusic final : public MusicBackend {
  public:
    explicit WebAudioMusic(double duration) : duration_(duration) {}
    ~WebAudioMusic() override { closeTrack(); }
    WebAudioMusic(const WebAudioMusic&) = delete;
    WebAudioMusic& operator=(const WebAudioMusic&) = delete;

    double duration() override { return duration_; }

    // A buffer source stops at its end, and the position stays there.
    double position() override { return running_ ? std::min(trackPosition(), duration_) : offset_; }

    void seek(double seconds) override {
        offset_ = seconds;
        if (running_) {
            stopSource();
            startTrack(offset_);
        }
    }

    void run() override {
        if (running_)
            return;
        running_ = true;
        startTrack(offset_);
    }

  private:
    double duration_;
    double offset_ = 0.0;
    bool running_ = false;
};

} // namespace

OpenedMusic openMusic(const std::string& fileName) {
    OpenedMusic opened;
    const double length = decodeTrack(fileName.c_str());
    if (length < 0.0)
        return opened;
    if (audioClockRuns() == 0) {
        closeTrack();
        opened.noAudioDevice = true;
        return opened;
    }
    opened.backend = std::make_unique<WebAudioMusic>(length);
    return opened;
}
