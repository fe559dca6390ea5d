#include "scenes/sheet_pen.h"
#include "scenes/title_strokes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace {

void expectPen(const SheetPen& pen, const SheetPen& expected) {
    EXPECT_FLOAT_EQ(pen.posX, expected.posX);
    EXPECT_FLOAT_EQ(pen.posY, expected.posY);
    EXPECT_FLOAT_EQ(pen.dirX, expected.dirX);
    EXPECT_FLOAT_EQ(pen.dirY, expected.dirY);
}

// The pen at the start of segment k: at its second point, heading back to its first.
SheetPen startOf(size_t k) {
    const PenSegmentPoints& p = titleStrokePoints[k];
    return {p.xb - 0.5f, 0.5f - p.yb, p.xa - p.xb, p.ya - p.yb};
}

TEST(SheetPen, MovesFromEachSegmentsSecondPointToItsFirstAndLiftsBetweenStrokes) {
    // At a segment's end only the next one is active; where two overlap the later one wins.
    const std::array<PenSegmentTime, 3> times{{{20, 40}, {0, 20}, {30, 50}}};
    const std::array<PenSegmentPoints, 3> points{
        {{0.2f, 0.4f, 0.6f, 0.8f}, {0.7f, 0.7f, 0.9f, 0.9f}, {0.3f, 0.6f, 0.5f, 0.6f}}};
    for (const auto& [clock, pen] :
         std::vector<std::pair<double, SheetPen>>{{20.0, {0.1f, -0.3f, -0.4f, -0.4f}},
                                                  {25.0, {0.0f, -0.2f, -0.4f, -0.4f}},
                                                  {30.0, {0.0f, -0.1f, -0.2f, 0.0f}},
                                                  {50.0, penLifted},
                                                  {-0.001, penLifted}})
        expectPen(penAt(clock, times, points), pen);
    // The title's pen clock runs from 85.9 s at 700 units a second.
    expectPen(titlePenAt(85.9), startOf(0));
    expectPen(titlePenAt(85.89), penLifted);
    expectPen(titlePenAt(97.6), penLifted);
    for (size_t k = 0; k + 1 < titleStrokeTimes.size(); ++k) {
        const double end = titleStrokeTimes[k].end;
        if (titleStrokeTimes[k + 1].start != end) {
            for (const double lifted : {end, end + 50.0, end + 99.99})
                expectPen(penAt(lifted, titleStrokeTimes, titleStrokePoints), penLifted);
        } else if (titleStrokeTimes[k + 1].end > end) {
            expectPen(penAt(end, titleStrokeTimes, titleStrokePoints), startOf(k + 1));
        }
    }
}

} // namespace
