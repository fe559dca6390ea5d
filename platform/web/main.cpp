#include "app/headless_gl_window.h"
#include "app/launch_dialog.h"
#include "app/offline_timeline.h"
#include "demo/demo_scenes.h"
#include "demo/frame_bench.h"
#include "demo/run_program.h"
#include "gpu/pass_state.h"
#include "platform/web/page_bridge.h"

#include <emscripten.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

// A moment asked for as index.html?time=T&size=WxH: the frame the demo shows at T.
struct Moment {
    float time = 0.0f;
    LaunchSettings size;
};

// clang-format off
EM_JS(int, readQuery, (const char* name, char* value, int capacity), {
    const found = new URLSearchParams(location.search).get(UTF8ToString(name));
    if (found === null)
        return 0;
    stringToUTF8(found, value, capacity);
    return 1;
});
// clang-format on

std::optional<std::string> query(const char* name) {
    std::array<char, 64> value{};
    if (!readQuery(name, value.data(), static_cast<int>(value.size())))
        return std::nullopt;
    return std::string(value.data());
}

// ?size=WxH, 1280x720 when absent; throws std::runtime_error on a size that cannot be rendered.
LaunchSettings requestedSize(std::optional<int> maxSize) {
    LaunchSettings settings;
    settings.width = 1280;
    settings.height = 720;
    if (const std::optional<std::string> size = query("size")) {
        parseResolution(*size, settings);
        if (const std::optional<std::string> problem = resolutionProblem(settings, maxSize))
            throw std::runtime_error("size=" + *size + ": " + *problem);
    }
    return settings;
}

// Nothing when the page was opened without ?time; throws std::runtime_error on a bad value.
std::optional<Moment> requestedMoment(std::optional<int> maxSize) {
    const std::optional<std::string> time = query("time");
    if (!time)
        return std::nullopt;
    char* end = nullptr;
    const double t = std::strtod(time->c_str(), &end);
    if (time->empty() || *end != '\0' || !(t >= 0.0 && t <= 200.0))
        throw std::runtime_error("time=" + *time + ": a music time from 0 to 200 seconds");
    return Moment{static_cast<float>(t), requestedSize(maxSize)};
}

// ?bench=N: as quorvane-capture --bench --frames N, the frame times of each timeline window, then
// the line "bench done" and that title.
bool runRequestedBench(std::optional<int> maxSize) {
    const std::optional<std::string> frames = query("bench");
    if (!frames)
        return false;
    const int count = std::atoi(frames->c_str());
    if (count < 1 || count > 1000)
        throw std::runtime_error("bench=" + *frames + ": a number of frames from 1 to 1000");
    const LaunchSettings size = requestedSize(maxSize);
    HeadlessGlWindow window(size.width, size.height);
    setFixedGlState();
    SharedGpu shared;
    DemoScenes scenes(window, shared);
    benchTimelineWindows(window, scenes.set(), count);
    std::printf("bench done\n");
    std::fflush(stdout);
    setPageTitle("bench done");
    return true;
}

// As quorvane-capture --time: every frame before it played at 60 frames a second, then the frame.
// The page gets a turn between batches of frames, so it stays responsive while it plays them.
void renderMoment(const Moment& moment) {
    HeadlessGlWindow window(moment.size.width, moment.size.height);
    setFixedGlState();
    SharedGpu shared;
    DemoScenes scenes(window, shared);
    OfflineTimeline timeline(scenes.set());
    while (timeline.next() < moment.time) {
        timeline.fastForwardTo(std::min(timeline.next() + 1.0f, moment.time));
        emscripten_sleep(0);
    }
    timeline.render(moment.time);
    window.present();
    std::array<char, 64> line{};
    std::snprintf(line.data(), line.size(), "rendered: %.6f", static_cast<double>(moment.time));
    std::printf("%s\n", line.data());
    std::fflush(stdout);
    setPageTitle(line.data());
}

} // namespace

// The page plays the demo as often as the viewer starts it: its end (Escape or 200 s) offers the
// launch form again, and LAME closes it for good.
int main() {
    try {
        const std::optional<int> maxSize = maxRenderSize();
        if (runRequestedBench(maxSize))
            return 0;
        if (const std::optional<Moment> moment = requestedMoment(maxSize)) {
            renderMoment(*moment);
            return 0;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        showPageStatus(error.what(), true);
        return 1;
    }
    for (;;) {
        if (runProgram() != 0) {
            showPageStatus("Quorvane stopped: the console says why.", true);
            return 1;
        }
    }
}
