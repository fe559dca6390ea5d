#pragma once

#include "scenes/sheet_pen.h"

#include <array>

// A sheet state's step at s s of pen time in floats; a reborn one lands where the CPU cannot tell.
struct SheetStep {
    std::array<float, 4> state;
    bool reborn = false, pushed = false;
};
SheetStep sheetStepReference(const std::array<float, 4>& in, float s, const SheetPen& pen);
