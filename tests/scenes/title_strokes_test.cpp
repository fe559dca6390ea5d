#include "scenes/sheet_pen.h"
#include "scenes/title_strokes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

namespace {

// Segment indices [first, last) of one pen-down run.
struct Stroke {
    std::size_t first;
    std::size_t last;
};

// Strokes as the times show them: a new one starts wherever a segment does not abut the last.
std::vector<Stroke> strokesOfTimes() {
    std::vector<Stroke> strokes{{0, 1}};
    for (std::size_t k = 1; k < titleStrokeTimes.size(); ++k) {
        if (titleStrokeTimes[k].start == titleStrokeTimes[k - 1].end)
            strokes.back().last = k + 1;
        else
            strokes.push_back({k, k + 1});
    }
    return strokes;
}

struct Bounds {
    float left = 2.0f, top = 2.0f, right = -1.0f, bottom = -1.0f;
    void add(float x, float y) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
};

Bounds boundsOf(const Stroke& stroke) {
    Bounds b;
    for (std::size_t k = stroke.first; k < stroke.last; ++k) {
        b.add(titleStrokePoints[k].xa, titleStrokePoints[k].ya);
        b.add(titleStrokePoints[k].xb, titleStrokePoints[k].yb);
    }
    return b;
}

bool zeroDuration(std::size_t k) {
    return titleStrokeTimes[k].start == titleStrokeTimes[k].end;
}

SheetPen titlePen(double clock) {
    return penAt(clock, titleStrokeTimes, titleStrokePoints);
}

void expectPen(const SheetPen& pen, const SheetPen& expected) {
    EXPECT_FLOAT_EQ(pen.posX, expected.posX);
    EXPECT_FLOAT_EQ(pen.posY, expected.posY);
    EXPECT_FLOAT_EQ(pen.dirX, expected.dirX);
    EXPECT_FLOAT_EQ(pen.dirY, expected.dirY);
}

// The pen at the start of segment k: at its second point, heading back to its first.
SheetPen penAtStartOf(std::size_t k) {
    const PenSegmentPoints& p = titleStrokePoints[k];
    return {p.xb - 0.5f, 0.5f - p.yb, p.xa - p.xb, p.ya - p.yb};
}

TEST(TitleStrokes, SeventeenStrokesOfAbuttingSegmentsWithLiftsOfExactly100) {
    const std::vector<Stroke> strokes = strokesOfTimes();
    ASSERT_EQ(strokes.size(), 17u);
    ASSERT_EQ(titleStrokeTimes.size(), 322u);
    EXPECT_EQ(titleStrokeTimes.front().start, 0.0f);
    EXPECT_NEAR(titleStrokeTimes.back().end, 8152.47, 0.01);
    for (std::size_t s = 1; s < strokes.size(); ++s) {
        const float lift =
            titleStrokeTimes[strokes[s].first].start - titleStrokeTimes[strokes[s].first - 1].end;
        EXPECT_EQ(lift, 100.0f) << "before stroke " << s;
    }
    // Within a stroke the records chain: each starts where the one before ends on the page.
    for (const Stroke& stroke : strokes) {
        for (std::size_t k = stroke.first + 1; k < stroke.last; ++k) {
            EXPECT_EQ(titleStrokePoints[k].xa, titleStrokePoints[k - 1].xb) << k;
            EXPECT_EQ(titleStrokePoints[k].ya, titleStrokePoints[k - 1].yb) << k;
        }
    }
}

TEST(TitleStrokes, SegmentsTakeAbout20UnitsExceptTwoOfZeroLengthThatAreNeverActive) {
    std::vector<std::size_t> zero;
    double total = 0.0;
    for (std::size_t k = 0; k < titleStrokeTimes.size(); ++k) {
        const PenSegmentTime& time = titleStrokeTimes[k];
        const PenSegmentPoints& p = titleStrokePoints[k];
        if (zeroDuration(k)) {
            zero.push_back(k);
            EXPECT_EQ(p.xa, p.xb);
            EXPECT_EQ(p.ya, p.yb);
            continue;
        }
        const float duration = time.end - time.start;
        total += duration;
        EXPECT_GE(duration, 12.5f) << k;
        EXPECT_LE(duration, 28.0f) << k;
        // A moving pen always has a direction to fling particles along.
        EXPECT_GT(std::hypot(p.xa - p.xb, p.ya - p.yb), 0.0f) << k;
    }
    ASSERT_EQ(zero.size(), 2u);
    EXPECT_NEAR(total / 320.0, 20.0, 1.0);
    for (std::size_t k : zero) {
        // Inside a stroke, so the pen at that instant is on the next segment, never on this one.
        ASSERT_GT(k, 0u);
        ASSERT_LT(k + 1, titleStrokeTimes.size());
        EXPECT_EQ(titleStrokeTimes[k + 1].start, titleStrokeTimes[k].end);
        const SheetPen pen = titlePen(titleStrokeTimes[k].start);
        expectPen(pen, penAtStartOf(k + 1));
        EXPECT_NE(std::hypot(pen.dirX, pen.dirY), 0.0f);
    }
}

TEST(TitleStrokes, PointsFillTheirPageBoxInTwoLinesEndingWithADot) {
    const std::vector<Stroke> strokes = strokesOfTimes();
    Bounds all;
    for (const Stroke& stroke : strokes) {
        const Bounds b = boundsOf(stroke);
        all.add(b.left, b.top);
        all.add(b.right, b.bottom);
    }
    EXPECT_NEAR(all.left, 0.0775f, 1e-5f);
    EXPECT_NEAR(all.right, 0.875f, 1e-5f);
    EXPECT_NEAR(all.top, 0.121f, 1e-5f);
    EXPECT_NEAR(all.bottom, 0.873f, 1e-5f);

    // The first line is a run of strokes wholly above the page's middle band, the second a run
    // wholly below it.
    std::size_t firstLine = 0;
    while (firstLine < strokes.size() && boundsOf(strokes[firstLine]).bottom < 0.6f)
        ++firstLine;
    ASSERT_GE(firstLine, 4u);
    ASSERT_LE(firstLine, strokes.size() - 4);
    Bounds upper, lower;
    for (std::size_t s = 0; s < strokes.size(); ++s) {
        const Bounds b = boundsOf(strokes[s]);
        Bounds& line = s < firstLine ? upper : lower;
        line.add(b.left, b.top);
        line.add(b.right, b.bottom);
    }
    EXPECT_LT(upper.bottom + 0.1f, lower.top);
    EXPECT_LT(upper.left + 0.05f, lower.left);
    EXPECT_LT(upper.right + 0.05f, lower.right);
    // Each line is wide: four letters of joined writing.
    EXPECT_GT(upper.right - upper.left, 0.4f);
    EXPECT_GT(lower.right - lower.left, 0.4f);

    const Bounds dot = boundsOf(strokes.back());
    EXPECT_LT(dot.right - dot.left, 0.03f);
    EXPECT_LT(dot.bottom - dot.top, 0.05f);
    EXPECT_FLOAT_EQ(dot.right, all.right);
}

TEST(SheetPen, MovesFromTheSecondPointToTheFirstAcrossASegment) {
    const std::array<PenSegmentTime, 1> times{{{10.0f, 30.0f}}};
    const std::array<PenSegmentPoints, 1> points{{{0.2f, 0.4f, 0.6f, 0.8f}}};
    expectPen(penAt(10.0, times, points), {0.1f, -0.3f, -0.4f, -0.4f});
    // A quarter of the way: three quarters of (xb, yb) and one of (xa, ya).
    expectPen(penAt(15.0, times, points), {0.0f, -0.2f, -0.4f, -0.4f});
    // Just before the end it has all but reached (xa, ya).
    const SheetPen nearEnd = penAt(29.999, times, points);
    EXPECT_NEAR(nearEnd.posX, -0.3f, 1e-4f);
    EXPECT_NEAR(nearEnd.posY, 0.1f, 1e-4f);
    expectPen(penAt(30.0, times, points), penLifted);
    expectPen(penAt(9.999, times, points), penLifted);
}

TEST(SheetPen, ASegmentEndsBeforeTheNextStartsAndTheLaterActiveOneWins) {
    // The later-listed segment ends where the earlier one starts: at that instant only the
    // earlier one is active.
    const std::array<PenSegmentTime, 3> times{{{20.0f, 40.0f}, {0.0f, 20.0f}, {30.0f, 50.0f}}};
    const std::array<PenSegmentPoints, 3> points{
        {{0.1f, 0.1f, 0.2f, 0.2f}, {0.7f, 0.7f, 0.9f, 0.9f}, {0.3f, 0.6f, 0.5f, 0.6f}}};
    expectPen(penAt(20.0, times, points), {-0.3f, 0.3f, -0.1f, -0.1f});
    // Where the first and third overlap the third, listed later, wins.
    expectPen(penAt(30.0, times, points), {0.0f, -0.1f, -0.2f, 0.0f});
}

TEST(SheetPen, TheTitleActivatesOnlyTheNextSegmentAtASegmentsEnd) {
    for (std::size_t k = 0; k + 1 < titleStrokeTimes.size(); ++k) {
        if (titleStrokeTimes[k + 1].start != titleStrokeTimes[k].end || zeroDuration(k + 1))
            continue;
        expectPen(titlePen(titleStrokeTimes[k].end), penAtStartOf(k + 1));
    }
}

TEST(SheetPen, IsFarOffTheSheetBeforeDuringLiftsAndAfterTheLastStroke) {
    expectPen(titlePen(-0.001), penLifted);
    for (std::size_t k = 0; k + 1 < titleStrokeTimes.size(); ++k) {
        const double end = titleStrokeTimes[k].end;
        if (titleStrokeTimes[k + 1].start == end)
            continue;
        expectPen(titlePen(end), penLifted);
        expectPen(titlePen(end + 50.0), penLifted);
        expectPen(titlePen(end + 99.99), penLifted);
    }
    expectPen(titlePen(titleStrokeTimes.back().end), penLifted);
    expectPen(titlePen(1.0e6), penLifted);
}

TEST(SheetPen, RunsOnMusicTimeFrom85_9At700UnitsASecond) {
    expectPen(titlePenAt(85.9), penAtStartOf(0));
    expectPen(titlePenAt(85.89), penLifted);
    const double midFirst = 0.5 * (titleStrokeTimes[0].start + titleStrokeTimes[0].end);
    const SheetPen mid = titlePenAt(85.9 + midFirst / 700.0);
    const PenSegmentPoints& p = titleStrokePoints[0];
    EXPECT_NEAR(mid.posX, 0.5f * (p.xa + p.xb) - 0.5f, 1e-6f);
    EXPECT_NEAR(mid.posY, 0.5f - 0.5f * (p.ya + p.yb), 1e-6f);
    expectPen(titlePenAt(97.6), penLifted);
}

} // namespace
