#include "demo/run_demo.h"

#include "app/frame_timer.h"
#include "app/music_clock.h"
#include "app/music_player.h"
#include "app/screen_window.h"
#include "app/timeline_director.h"
#include "app/timeline_moments.h"
#include "demo/demo_scenes.h"
#include "gpu/pass_state.h"

#include "platform/gl.h"

#include <cstdint>
#include <cstdio>

namespace {

void printDiagnostics(std::uint64_t gpuNanoseconds, float t) {
    std::printf("frametime: %.2lfms\n", static_cast<double>(gpuNanoseconds) / 1000000.0);
    std::printf("gl error: 0x%X\n", glGetError());
    std::printf("time: %f\n", static_cast<double>(t));
    std::fflush(stdout);
}

} // namespace

int runDemo(const LaunchSettings& settings) {
    ScreenWindow window(settings, "Quorvane");
    window.hideCursor();
    window.syncToVerticalBlank();
    setFixedGlState();
    FrameTimer frameTimer;
    SharedGpu shared;

    MusicPlayer music(openMusic("track.mp3"));
    DemoScenes scenes(window, shared);
    TimelineDirector director;

    music.seek(0.0);
    music.play();
    float t = static_cast<float>(music.position());
    if (!window.present())
        return 0;

    for (std::uint32_t frame = 0; t < timeline::asFloat(timeline::end); ++frame) {
        frameTimer.begin();
        director.run(t, scenes.set());
        t = catchUp(t, [&music] { return music.position(); });
        const std::uint64_t gpuTime = frameTimer.end();
        if (frame % 60 == 0)
            printDiagnostics(gpuTime, t);
        if (!window.present())
            break;
    }
    return 0;
}
