#include "app/headless_gl_window.h"
#include "app/launch_dialog.h"
#include "app/offline_timeline.h"
#include "demo/demo_scenes.h"
#include "demo/run_demo.h"
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

EM_JS(int, readQuery, (const char* name, char* value, int capacity), {
    const found = new URLSearchParams(location.search).get(UTF8ToString(name));
    if (found == = null)
        return 0;
    stringToUTF8(found, value, capacity);
    return 1;
});

std::optional<std::string> query(const char* name) {
    std::array<char, 64> value{};
    if (!readQuery(name, value.data(), static_cast<int>(value.size())))
        return std::nullopt;
    return std::string(value.data());
}

// Nothing when the page was opened without ?time; throws std::runtime_error on a bad value.
std::optional<Moment> requestedMoment(std::optional<int> maxSize) {
    const std::optional<std::string> time = query("time");
    if (!time)
        return std::nullopt;
    Moment moment;
    char* end = nullptr;
    const double t = std::strtod(time->c_str(), &end);
    if (time->empty() || *end != '\0' || !(t >= 0.0 && t <= 200.0))
        throw std::runtime_error("time=" + *time + ": a music time from 0 to 200 seconds");
    moment.time = static_cast<float>(t);
    moment.size.width = 1280;
    moment.size.height = 720;
    if (const std::optional<std::string> size = query("size")) {
        parseResolution(*size, moment.size);
        if (const std::optional<std::string> problem = resolutionProblem(moment.size, maxSize))
            throw std::runtime_error("size=" + *size + ": " + *problem);
    }
    return moment;
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
        if (const std::optional<Moment> moment = requestedMoment(maxSize)) {
            renderMoment(*moment);
            return 0;
        }
        for (;;) {
            LaunchSettings settings;
            runLaunchDialog(settings, maxSize);
            if (!settings.confirmed) {
                showPageStatus("Quorvane has ended: reload the page to start it again.", true);
                return 0;
            }
            runDemo(settings);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        showPageStatus(error.what(), true);
        return 1;
    }
}
