#pragma once

#include "scenes/crt_random.h"

#include <vector>

// Dust motes scattered from the generator: `points` positions of three floats, drawn x, y, z per
// point, each coordinate ((r mod 10000) / 10000 - 0.5) * span in 32-bit floats, so every
// coordinate lies in [-span / 2, span / 2). None for a count below 1.
std::vector<float> scatterDust(CrtRandom& random, int points, float span);
