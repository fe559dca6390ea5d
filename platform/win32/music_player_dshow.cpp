#include "app/music_player.h"
#include "app/wall_clock.h"

#include <windows.h>

#include <dshow.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>

namespace {

using Clock = WallClock::Clock;

constexpr double kTicksPerSecond = 10000000.0;
constexpr double kEndless = std::numeric_limits<double>::infinity();
// Past the end of any music, yet representable in DirectShow's 100 ns ticks.
constexpr double kFarFuture = 1e9;
// How long after play() the graph's position must have begun to follow real time.
constexpr double kSettleSeconds = 0.5;
// Start-up latency of an audio renderer stays well below this.
constexpr double kDriftSeconds = 0.25;

double toSeconds(LONGLONG ticks) {
    return static_cast<double>(ticks) / kTicksPerSecond;
}

std::wstring widen(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(length > 0 ? length : 1, L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(wide.size() - 1);
    return wide;
}

// DirectShow names a missing device outright, or (as under Wine) cannot even make its renderer.
bool noAudioDevice(HRESULT rendered) {
    if (rendered == VFW_E_NO_AUDIO_HARDWARE || rendered == VFW_S_AUDIO_NOT_RENDERED)
        return true;
    if (rendered != VFW_E_CANNOT_RENDER)
        return false;
    IBaseFilter* renderer = nullptr;
    if (FAILED(CoCreateInstance(CLSID_DSoundRender, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                reinterpret_cast<void**>(&renderer))))
        return true;
    renderer->Release();
    return false;
}

} // namespace

struct MusicPlayer::Impl {
    // Both null while the silent wall clock stands in for the music.
    IMediaControl* control = nullptr;
    IMediaSeeking* seeking = nullptr;
    double duration = kEndless;
    bool rendered = false;
    bool playing = false;
    double lastPosition = 0.0;
    WallClock wallClock;
    // Set by play() until the graph's position has been seen to follow real time.
    bool checking = false;
    double playedFrom = 0.0;
    Clock::time_point playedAt;

    void releaseGraph() {
        if (control)
            control->Release();
        if (seeking)
            seeking->Release();
        control = nullptr;
        seeking = nullptr;
    }

    double graphPosition() {
        LONGLONG ticks = 0;
        if (SUCCEEDED(seeking->GetCurrentPosition(&ticks)))
            lastPosition = toSeconds(ticks);
        return lastPosition;
    }

    void startChecking(double from) {
        checking = true;
        playedFrom = from;
        playedAt = Clock::now();
    }

    // A graph without a working renderer stands still, or (Wine) races to the end at once.
    void checkRealTime() {
        const std::chrono::duration<double> elapsed = Clock::now() - playedAt;
        const double expected = std::min(playedFrom + elapsed.count(), duration);
        const bool settled = elapsed.count() >= kSettleSeconds;
        if (lastPosition > expected + kDriftSeconds ||
            (settled && lastPosition < expected - kDriftSeconds)) {
            std::printf("music playback stopped (its position does not follow real time); the "
                        "timeline goes on silently\n");
            std::fflush(stdout);
            control->Stop();
            releaseGraph();
            duration = kEndless;
            wallClock.set(playedFrom);
            wallClock.start(playedAt);
            checking = false;
            return;
        }
        checking = !settled;
    }
};

MusicPlayer::MusicPlayer(std::string fileName) : impl_(std::make_unique<Impl>()) {
    Impl& m = *impl_;
    CoInitialize(nullptr);
    IGraphBuilder* graph = nullptr;
    IBasicAudio* audio = nullptr;
    HRESULT rendered = E_FAIL;
    if (SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr,
                                   CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_IGraphBuilder,
                                   reinterpret_cast<void**>(&graph)))) {
        graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m.control));
        graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&m.seeking));
        graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio));
        rendered = graph->RenderFile(widen(fileName).c_str(), nullptr);
    }
    m.rendered = rendered == S_OK && m.control && m.seeking;
    std::printf(m.rendered ? "Song succesfully rendered!\n" : "mp3 rendering failed :(\n");
    if (!m.rendered && noAudioDevice(rendered))
        std::printf("No audio device found: the music plays silently in real time.\n");
    std::fflush(stdout);
    if (audio) {
        audio->put_Volume(0);
        audio->Release();
    }
    if (graph)
        graph->Release();
    if (!m.rendered) {
        m.releaseGraph();
        return;
    }
    m.seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
    LONGLONG ticks = 0;
    if (SUCCEEDED(m.seeking->GetDuration(&ticks)))
        m.duration = toSeconds(ticks);
    LONGLONG zero = 0;
    m.seeking->SetPositions(&zero, AM_SEEKING_AbsolutePositioning, &zero, AM_SEEKING_NoPositioning);
}

MusicPlayer::~MusicPlayer() {
    impl_->releaseGraph();
}

void MusicPlayer::seek(double seconds) {
    Impl& m = *impl_;
    double s = seconds;
    if (s > m.duration)
        s = m.duration;
    // Written so that NaN lands at 0 as well.
    if (!(s >= 0.0))
        s = 0.0;
    if (!m.seeking) {
        m.wallClock.set(s);
        return;
    }
    LONGLONG ticks = static_cast<LONGLONG>(std::min(s, kFarFuture) * kTicksPerSecond);
    if (m.playing)
        m.control->Stop();
    m.seeking->SetPositions(&ticks, AM_SEEKING_AbsolutePositioning, &ticks,
                            AM_SEEKING_NoPositioning);
    m.lastPosition = s;
    if (m.playing) {
        m.control->Run();
        m.startChecking(s);
    }
}

void MusicPlayer::play() {
    Impl& m = *impl_;
    m.playing = true;
    if (!m.control) {
        m.wallClock.start();
        return;
    }
    const double from = m.graphPosition();
    m.control->Run();
    m.startChecking(from);
}

double MusicPlayer::position() {
    Impl& m = *impl_;
    if (!m.seeking)
        return m.wallClock.seconds();
    m.graphPosition();
    if (m.checking)
        m.checkRealTime();
    return m.seeking ? m.lastPosition : m.wallClock.seconds();
}

double MusicPlayer::duration() const {
    return impl_->duration;
}

bool MusicPlayer::rendered() const {
    return impl_->rendered;
}
