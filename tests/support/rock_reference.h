#pragma once

#include "tests/support/frame_reference.h"

#include <optional>

// CPU references of the opening scenes' rock fields and skies, written apart from their shaders.

// The point the layered pass evaluates for voxel `index` of side n: centres in x and y, z at z / n.
Ray layerPointReference(int index, int n);

// The shaft's field at p and t: shaft under its cone, ledges and disc, and the strata's reach.
struct ShaftFieldBounds {
    double smooth, solids, band;
};
ShaftFieldBounds shaftFieldReference(const Ray& p, double t);

// The shaft's sky under smoke `density`, without grain; none where a stripe's edge is too near.
std::optional<Rgb> shaftSkyReference(const Ray& ray, double t, float density);

// The plume's capped column, squeezed in x and z and eroded from 79.6 s; exact above y = 0.41.
double plumeCapReference(const Ray& p, double t);

// The green-grey sky the shaft ends on and the plume opens with (shaders' coolSky).
Rgb coolSkyReference(double shade, double warmth);
