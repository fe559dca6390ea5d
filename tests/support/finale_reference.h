#pragma once

#include "tests/support/frame_reference.h"

#include <array>
#include <functional>
#include <vector>

// CPU references of the closing scene's techniques. Hashes that amplify the last bits of a cosine
// come from the GPU, whose cosine differs from the CPU's in those bits.

using Double4 = std::array<double, 4>;

// Five times a running sum down every column into V, then along every row back: float sums in
// exactly that order. creditsFieldReference: the painted credits' green mask through it.
std::vector<float> softenReference(std::vector<float> mask, int width, int height);
std::vector<float> creditsFieldReference();

// Blob i's centre in the field cube and its weight at t, from its hashes r1 and r2; the field:
// 100 less every weight over its squared distance from p.
Double4 blobReference(const Double4& r1, const Double4& r2, int i, float t);
double blobFieldReference(const std::vector<Double4>& blobs, const Ray& p);

// The text field at p and t without its noise, from the credits field `text` at the nearest
// texel after moving the texel coordinate by `shift`; and the seed of its noise.
double textFieldReference(const Ray& p, float t, const std::vector<float>& text, double shift);
Double4 textNoiseSeed(const Ray& p, float t);

// The closing scene's sky behind a view ray at t, and its fade.
Rgb finaleSkyReference(const Ray& ray, double t);
double finaleFadeReference(double t);

// A particle (xyz, life) seeded from its texel's hash, and one step of it at t through `field`,
// the volume at a volume coordinate.
Double4 particleSeedReference(const Double4& hash);
Double4 particleStepReference(Double4 particle, float t, const Double4& hash,
                              const std::function<double(const Ray&)>& field);
