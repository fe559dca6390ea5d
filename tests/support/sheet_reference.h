#pragma once

#include "scenes/sheet_pen.h"

#include <array>

// A sheet state's step at s seconds of pen time in 32-bit floats; a reborn one lands at a hash
// the CPU cannot match.
struct SheetStep {
    std::array<float, 4> state;
    bool reborn = false, pushed = false;
};
SheetStep sheetStepReference(const std::array<float, 4>& in, float s, const SheetPen& pen);
