// Renders any moment of the demo without a window: frames as PNG, sequences, videos with sound,
// the camera of the timeline, the distance volume and surface of a frame, and frame timings.

#include "app/headless_gl_window.h"
#include "app/music_clock.h"
#include "app/offline_timeline.h"
#include "demo/demo_scenes.h"
#include "demo/frame_bench.h"
#include "gpu/pass_state.h"
#include "tools/capture_options.h"
#include "tools/png_file.h"
#include "tools/video_capture.h"
#include "tools/window_pixels.h"

#include "platform/gl.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void printCamera(float t) {
    TimelineDirector director;
    const FramePlan plan = director.plan(t);
    std::string calls;
    for (FrameStep step : plan.steps) {
        if (!isSceneCall(step))
            continue;
        if (!calls.empty())
            calls += ',';
        calls += stepName(step);
    }
    const Camera& c = plan.camera;
    std::printf("t=%.9g calls=%s pos=%.9g,%.9g,%.9g dir=%.9g,%.9g\n", static_cast<double>(t),
                calls.c_str(), c.pos.x, c.pos.y, c.pos.z, c.dir.x, c.dir.y);
}

// The volume this frame's playing scene built, or null.
const Texture3D* frameVolume(const FramePlan& plan, SceneSet& scenes) {
    for (FrameStep step : plan.steps) {
        const Scene* scene = isUpdate(step) ? sceneOf(step, scenes) : nullptr;
        if (scene && scene->frameVolume())
            return scene->frameVolume();
    }
    return nullptr;
}

void writeVolume(const std::string& path, const Texture3D& volume) {
    std::vector<float> field(static_cast<std::size_t>(volume.width()) * volume.height() *
                             volume.depthSize());
    glBindTexture(GL_TEXTURE_3D, volume.id());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_3D, 0, GL_RED, GL_FLOAT, field.data());
    glBindTexture(GL_TEXTURE_3D, 0);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(field.data()),
               static_cast<std::streamsize>(field.size() * sizeof(float)));
    if (!file)
        throw std::runtime_error("cannot write " + path);
}

// Four vertices per quad, the corners exactly as the corner texture holds them.
void writeSurface(const std::string& path, const SurfaceExtractor& extractor) {
    const Texture2D& corners = extractor.cornerTexture();
    std::vector<float> texels(static_cast<std::size_t>(corners.width()) * corners.height() * 4);
    glBindTexture(GL_TEXTURE_2D, corners.id());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);

    const std::uint32_t quads = extractor.quadCount();
    std::ofstream file(path);
    file << "ply\nformat ascii 1.0\nelement vertex " << 4 * quads
         << "\nproperty float x\nproperty float y\nproperty float z\nelement face " << quads
         << "\nproperty list uchar int vertex_indices\nend_header\n";
    char line[128];
    for (std::uint32_t q = 0; q < quads; ++q) {
        for (std::uint32_t k = 0; k < 4; ++k) {
            const std::size_t column = q % quadRowWidth;
            const std::size_t row = 4 * (q / quadRowWidth) + k;
            const float* texel = &texels[(row * corners.width() + column) * 4];
            std::snprintf(line, sizeof line, "%.9g %.9g %.9g\n", static_cast<double>(texel[0]),
                          static_cast<double>(texel[1]), static_cast<double>(texel[2]));
            file << line;
        }
    }
    for (std::uint32_t q = 0; q < quads; ++q)
        file << "4 " << 4 * q << ' ' << 4 * q + 1 << ' ' << 4 * q + 2 << ' ' << 4 * q + 3 << '\n';
    if (!file)
        throw std::runtime_error("cannot write " + path);
}

int captureFrame(const CaptureOptions& options, GlWindow& window, SharedGpu& shared,
                 DemoScenes& scenes) {
    OfflineTimeline timeline(scenes.set());
    const FramePlan plan = timeline.render(options.time);
    window.present();
    writePng(options.out, window.width(), window.height(), readWindowPixels(window, 3));
    if (options.volumePath.empty() && options.surfacePath.empty())
        return 0;
    const Texture3D* volume = frameVolume(plan, scenes.set());
    if (!volume) {
        std::fprintf(stderr, "quorvane-capture: the frame at t=%.9g builds no volume\n",
                     static_cast<double>(options.time));
        return 1;
    }
    if (!options.volumePath.empty())
        writeVolume(options.volumePath, *volume);
    if (!options.surfacePath.empty())
        writeSurface(options.surfacePath, shared.extractor);
    return 0;
}

// Every frame of the demo between the two times, at 60 frames per second, sampled at fps.
int captureSequence(const CaptureOptions& options, GlWindow& window, DemoScenes& scenes) {
    std::filesystem::create_directories(options.out);
    OfflineTimeline timeline(scenes.set());
    timeline.fastForwardTo(options.from);
    int written = 0;
    char name[32];
    for (;;) {
        // The first frame of the demo at or after the sample's time.
        timeline.fastForwardTo(static_cast<float>(options.from + written / options.fps));
        const float t = timeline.next();
        if (t > options.to)
            break;
        timeline.render(t);
        window.present();
        std::snprintf(name, sizeof name, "frame_%05d.png", written);
        writePng((std::filesystem::path(options.out) / name).string(), window.width(),
                 window.height(), readWindowPixels(window, 3));
        ++written;
    }
    std::printf("wrote %d frames to %s\n", written, options.out.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::printf("%s", kCaptureUsage);
        return 0;
    }
    CaptureOptions options;
    try {
        options = parseCaptureOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& error) {
        std::fprintf(stderr, "quorvane-capture: %s\n%s", error.what(), kCaptureUsage);
        return 2;
    }
    if (options.mode == CaptureMode::Camera) {
        for (float t : options.cameraTimes)
            printCamera(t);
        return 0;
    }
    if (options.mode == CaptureMode::Video) {
        if (const std::optional<std::string> refusal = videoRefusal(options)) {
            std::fprintf(stderr, "quorvane-capture: %s\n", refusal->c_str());
            return 1;
        }
    }
    try {
        HeadlessGlWindow window(options.width, options.height);
        setFixedGlState();
        const Clock::time_point start = Clock::now();
        SharedGpu shared;
        DemoScenes scenes(window, shared);
        if (options.mode == CaptureMode::Bench) {
            std::printf("startup_ms=%.1f\n", millisecondsSince(start));
            benchTimelineWindows(window, scenes.set(), options.benchFrames);
            return 0;
        }
        if (options.mode == CaptureMode::Sequence)
            return captureSequence(options, window, scenes);
        if (options.mode == CaptureMode::Video)
            return captureVideo(options, window, scenes);
        return captureFrame(options, window, shared, scenes);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quorvane-capture: %s\n", error.what());
        return 1;
    }
}
