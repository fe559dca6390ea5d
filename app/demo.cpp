#include "app/demo.h"

#include "app/frame_timer.h"
#include "app/music_clock.h"
#include "app/music_player.h"
#include "app/sdl_gl_window.h"
#include "app/timeline_director.h"
#include "gpu/mesh.h"

#include <epoxy/gl.h>

#include <cstdint>
#include <cstdio>

namespace {

constexpr float kEndOfDemo = 200.0f;

// State every scene relies on: back faces culled, depth test with GL_LEQUAL, and point sizes
// from the vertex stage so that a sprite of size zero or less is simply not drawn.
void setFixedGlState() {
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_PROGRAM_POINT_SIZE);
}

// Windows of the timeline whose scene is not built show a black frame.
void clearWhereScenesAreMissing(const SceneSet& scenes) {
    if (scenes.shaft && scenes.plume && scenes.finale && scenes.sheet)
        return;
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void printDiagnostics(std::uint64_t gpuNanoseconds, float t) {
    std::printf("frametime: %.2lfms\n", static_cast<double>(gpuNanoseconds) / 1000000.0);
    std::printf("gl error: 0x%X\n", glGetError());
    std::printf("time: %f\n", static_cast<double>(t));
    std::fflush(stdout);
}

} // namespace

int runDemo(const LaunchSettings& settings) {
    SdlGlWindow window(settings, "Quorvane");
    window.hideCursor();
    window.syncToVerticalBlank();
    setFixedGlState();
    FrameTimer frameTimer;
    const Mesh quad(MeshShape::FullScreenQuad);

    MusicPlayer music("track.mp3");
    SceneSet scenes;
    TimelineDirector director;

    music.seek(0.0);
    music.play();
    float t = static_cast<float>(music.position());
    if (!window.present())
        return 0;

    for (std::uint32_t frame = 0; t < kEndOfDemo; ++frame) {
        frameTimer.begin();
        clearWhereScenesAreMissing(scenes);
        director.run(t, scenes);
        t = catchUp(t, [&music] { return music.position(); });
        const std::uint64_t gpuTime = frameTimer.end();
        if (frame % 60 == 0)
            printDiagnostics(gpuTime, t);
        if (!window.present())
            break;
    }
    return 0;
}
