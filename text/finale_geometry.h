#pragma once

#include "scenes/crt_random.h"

#include <vector>

// The closing scene's geometry, made once on the CPU while the scene is built.

// The ground: a 65 x 65 height grid under 64 x 64 cells spanning x -25 ... 25 and z -26 ... 24,
// each cell two triangles of three vertices.
inline constexpr int groundGridSide = 65;
inline constexpr int groundCells = 64;
inline constexpr int groundVertexCount = groundCells * groundCells * 6;
// Position, then normal, three floats each.
inline constexpr int groundFloatsPerVertex = 6;

// Height H(i, j) at index 65 i + j, one random value per point, i outer: almost flat at -1.85
// near the middle, rougher outwards up to a radius of half the grid, flattened to a fifth beyond.
std::vector<float> groundHeights(CrtRandom& random);

// The cells' vertices from `heights`: cell (i, j) at vertex 6 (64 i + j), its two triangles wound
// counter-clockwise seen from above. Each triangle's normal is the cross product of its two unit
// edges from its first vertex, not normalised again, so it points down (-y) on flat ground.
// Throws std::invalid_argument unless `heights` holds 65 x 65 values.
std::vector<float> groundVertices(const std::vector<float>& heights);
