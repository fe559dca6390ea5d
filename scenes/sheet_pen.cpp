#include "scenes/sheet_pen.h"

#include <algorithm>

SheetPen penAt(double clock, std::span<const PenSegmentTime> times,
               std::span<const PenSegmentPoints> points) {
    SheetPen pen = penLifted;
    const std::size_t count = std::min(times.size(), points.size());
    for (std::size_t k = 0; k < count; ++k) {
        const PenSegmentTime& time = times[k];
        if (!(time.start <= clock && clock < time.end))
            continue;
        const PenSegmentPoints& p = points[k];
        const float duration = time.end - time.start;
        const auto f = static_cast<float>((clock - time.start) / duration);
        const float x = (1.0f - f) * p.xb + f * p.xa;
        const float y = (1.0f - f) * p.yb + f * p.ya;
        pen = {x - 0.5f, 0.5f - y, p.xa - p.xb, p.ya - p.yb};
    }
    return pen;
}

SheetPen titlePenAt(double t) {
    return penAt(penUnitsPerSecond * (t - penStartTime), titleStrokeTimes, titleStrokePoints);
}
