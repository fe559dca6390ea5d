#include "demo/frame_bench.h"

#include "app/timeline_moments.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

struct TimelineWindow {
    const char* name;
    float from;
    float to;
};

} // namespace

void benchTimelineWindows(GlWindow& window, SceneSet& scenes, int frames) {
    using Clock = std::chrono::steady_clock;
    using timeline::asFloat;
    // The closing window in its two halves: the blob field before the credits, then the credits.
    const TimelineWindow windows[] = {
        {"shaft", 0.0f, asFloat(timeline::plumeFrom)},
        {"plume", asFloat(timeline::plumeFrom), asFloat(timeline::finaleFrom)},
        {"finale.blobs", asFloat(timeline::finaleFrom), asFloat(timeline::creditsFrom)},
        {"finale.text", asFloat(timeline::creditsFrom), asFloat(timeline::end)}};
    for (const TimelineWindow& w : windows) {
        TimelineDirector director;
        std::vector<double> times;
        for (int i = 0; i < frames; ++i) {
            const float t = w.from + (w.to - w.from) * (static_cast<float>(i) + 0.5f) /
                                         static_cast<float>(frames);
            const Clock::time_point start = Clock::now();
            director.run(t, scenes);
            window.present();
            times.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        std::sort(times.begin(), times.end());
        const double median = times[times.size() / 2];
        const double p90 = times[std::min(times.size() - 1, times.size() * 9 / 10)];
        std::printf("window=%s frames=%d median_ms=%.3f p90_ms=%.3f\n", w.name, frames, median,
                    p90);
        std::fflush(stdout);
    }
}
