#pragma once

#include "scenes/sheet_pen.h"

#include <array>

// A CPU model, in 32-bit floats, of one step of the particle sheet for one particle state
// (x, y, z, phase) under the pen.
struct SheetStep {
    std::array<float, 4> state;
    // Reborn particles land at a hash of their place that a CPU cannot reproduce bit for bit
    // (cosines of arguments near 1e5): only the fact is modelled.
    bool reborn = false;
    bool pushed = false;
};
SheetStep sheetStepReference(const std::array<float, 4>& in, float s, const SheetPen& pen);

// Where the wind parks a particle for good.
inline constexpr float sheetGone = 1.0e4f;
