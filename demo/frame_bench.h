#pragma once

#include "app/gl_window.h"
#include "app/timeline_director.h"

// Times `frames` full frames (update and draw, then present, which waits for the GPU) spread
// evenly over each window of the timeline and prints one line per window:
// "window=NAME frames=N median_ms=M p90_ms=P". Simulations are not played between the samples:
// their cost does not depend on their state.
void benchTimelineWindows(GlWindow& window, SceneSet& scenes, int frames);
