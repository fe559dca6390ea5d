#pragma once

#include "gpu/mesh.h"

#include <vector>

// Point meshes that address particle state textures: one vertex per texel of a side x side
// texture, vertex side i + j holding the centre of texel (i, j), ((i + 0.5) / side,
// (j + 0.5) / side). Empty for a side below 1.
std::vector<float> texelCentres(int side);

// The same as a mesh of side^2 points with two floats at attribute 0, to draw with GL_POINTS.
Mesh texelCentreMesh(int side);
