#include "app/music_backend.h"

#include <windows.h>

#include <dshow.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kTicksPerSecond = 10000000.0;
constexpr double kEndless = std::numeric_limits<double>::infinity();
// Past the end of any music, yet representable in DirectShow's 100 ns ticks.
constexpr double kFarFuture = 1e9;

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
    IBaseFilter* renderer = nullptr;
    if (FAILED(CoCreateInstance(CLSID_DSoundRender, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                reinterpret_cast<void**>(&renderer))))
        return true;
    renderer->Release();
    return false;
}

template <class Interface> void release(Interface*& pointer) {
    if (pointer)
        pointer->Release();
    pointer = nullptr;
}

// The filter graph with the file rendered into it; its last reference ends playback.
class DirectShowMusic final : public MusicBackend {
  public:
    DirectShowMusic() = default;
    ~DirectShowMusic() override {
        release(events_);
        release(seeking_);
        release(control_);
    }
    DirectShowMusic(const DirectShowMusic&) = delete;
    DirectShowMusic& operator=(const DirectShowMusic&) = delete;

    // Builds the graph for the file at full volume, positioned at 0: S_OK when it can be played.
    HRESULT render(const std::string& fileName) {
        IGraphBuilder* graph = nullptr;
        if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr,
                                    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_IGraphBuilder,
                                    reinterpret_cast<void**>(&graph))))
            return E_FAIL;
        IBasicAudio* audio = nullptr;
        graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control_));
        graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking_));
        graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events_));
        graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio));
        HRESULT rendered = graph->RenderFile(widen(fileName).c_str(), nullptr);
        if (audio) {
            audio->put_Volume(0);
            audio->Release();
        }
        graph->Release();
        if (!control_ || !seeking_ || !events_)
            rendered = E_NOINTERFACE;
        if (rendered != S_OK)
            return rendered;
        seeking_->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
        LONGLONG ticks = 0;
        if (SUCCEEDED(seeking_->GetDuration(&ticks)))
            duration_ = toSeconds(ticks);
        seek(0.0);
        return S_OK;
    }

    double duration() override { return duration_; }

    double position() override {
        noteEnd();
        if (ended_)
            return duration_;
        LONGLONG ticks = 0;
        if (FAILED(seeking_->GetCurrentPosition(&ticks)))
            return std::nan("");
        return toSeconds(ticks);
    }

    void seek(double seconds) override {
        LONGLONG ticks = static_cast<LONGLONG>(std::min(seconds, kFarFuture) * kTicksPerSecond);
        if (running_)
            control_->Stop();
        seeking_->SetPositions(&ticks, AM_SEEKING_AbsolutePositioning, &ticks,
                               AM_SEEKING_NoPositioning);
        ended_ = false;
        if (running_)
            control_->Run();
    }

    void run() override {
        control_->Run();
        running_ = true;
    }

  private:
    // The graph reports the end of the media as an event; the position holds there.
    void noteEnd() {
        long code = 0;
        LONG_PTR first = 0;
        LONG_PTR second = 0;
        while (events_->GetEvent(&code, &first, &second, 0) == S_OK) {
            if (code == EC_COMPLETE)
                ended_ = true;
            events_->FreeEventParams(code, first, second);
        }
    }

    IMediaControl* control_ = nullptr;
    IMediaSeeking* seeking_ = nullptr;
    IMediaEvent* events_ = nullptr;
    double duration_ = kEndless;
    bool running_ = false;
    bool ended_ = false;
};

} // namespace

OpenedMusic openMusic(const std::string& fileName) {
    CoInitialize(nullptr);
    auto music = std::make_unique<DirectShowMusic>();
    const HRESULT rendered = music->render(fileName);
    OpenedMusic opened;
    if (rendered == S_OK)
        opened.backend = std::move(music);
    else
        opened.noAudioDevice = noAudioDevice(rendered);
    return opened;
}
