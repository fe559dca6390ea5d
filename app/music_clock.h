#pragma once

#include <functional>

// One sixtieth of a second as the float the clock adds.
inline constexpr float kFrameStep = 0.016666668f;

// Advances t by whole sixtieths (float arithmetic) while the music position is ahead of it,
// reading the position again after each step.
float catchUp(float t, const std::function<double()>& position);
