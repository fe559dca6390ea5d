#pragma once

#include "tests/support/frame_reference.h"

#include <array>

// The shaders' curl(p, s), each cos argument p + 0.05 s rounded to a float as the GPU forms it.
Ray curlReference(const Ray& p, double s);

// One smoke step of the shaft's particle (xyz, life) with its state, at the time and speed given.
void smokeStepReference(std::array<float, 4>& position, std::array<float, 4>& state, float t,
                        float speed);
