#pragma once

#include "tests/support/frame_reference.h"

// CPU references of the closing scene's passes, with the sums the shaders form in floats.

using Double4 = std::array<double, 4>;
using Hash4 = std::array<float, 4>;

// Blob i's centre in the field cube and its weight at t, from its hashes r1 and r2.
Double4 blobReference(const Hash4& r1, const Hash4& r2, int i, float t);
// Line o's frame: 1, 4 and 5 stand in the y-z plane, 5 higher and further back.
Ray textFrame(Ray p, int line);
// The text field without its noise, from `text` at the texel nearest after a `shift`.
double textFieldReference(const Ray& cube, float t, const std::vector<float>& text, double shift);
// The particle test's volume at texture coordinate g: linear in x and y, exact as half floats.
inline constexpr int linearSide = 16;
double linearField(const Ray& g);
// One step of particle p at t through the linear field; respawns take the hash less 0.5, `s`.
Double4 particleStepReference(const Hash4& p, float t, const Double4& s);
// The closing sky, unfaded, along a view ray at t.
Rgb finaleSkyReference(const Ray& ray, double t);
