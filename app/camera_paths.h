#pragma once

#include "app/camera.h"

// The five camera paths of the timeline. Each is a function of the music time t (a float, as the
// clock keeps it); the arithmetic mixes double and single precision on purpose so that every
// frame lands exactly where the choreography put it.

// 0 <= t < 60: turns and nods until 33 s, then from 51 s moves forward. Writes dir always, but
// pos.y and pos.z only after 51 s: otherwise they keep what the camera had.
void openingPath(float t, Camera& camera);

// 60 <= t < 68.6: rises straight up beside the column.
Camera risePath(float t);

// 68.6 <= t < 81.8: an orbit around (-1, 0, 0), cut forward along itself on the beats.
Camera cutOrbit(float t);

// 81.8 <= t <= 104.5: a cut orbit that shrinks into the rest camera between 95 and 100 s.
Camera fadingOrbit(float t);

// t > 104.5: blends from the rest camera into a wide orbit that rises from 130 s.
Camera finaleOrbit(float t);
