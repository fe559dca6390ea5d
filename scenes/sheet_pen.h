#pragma once

#include "app/timeline_moments.h"
#include "scenes/title_strokes.h"

#include <span>

// Music time at which the pen starts writing and the sheet's simulation starts stepping.
inline constexpr double penStartTime = timeline::penFrom;
// Pen clock units per second of music.
inline constexpr double penUnitsPerSecond = 700.0;

// The pen as the sheet's simulation reads it: "pushpos" = (x - 0.5, 0.5 - y) of the page point
// under the pen, "pushdir" = the active segment's (xa - xb, ya - yb), page y still down.
struct SheetPen {
    float posX;
    float posY;
    float dirX;
    float dirY;
};

// While no segment is active: so far off the sheet that no particle is near it.
inline constexpr SheetPen penLifted{1000.0f, 1000.0f, 0.0f, 0.0f};

// The pen at pen clock `clock` (units of 1/700 s) over a stroke table: every segment is visited
// and the last active one (start <= clock < end) wins; penLifted when none is active.
SheetPen penAt(double clock, std::span<const PenSegmentTime> times,
               std::span<const PenSegmentPoints> points);

// The title's pen at music time t.
SheetPen titlePenAt(double t);
