#pragma once

#include "app/gl_window.h"

#include <cstdint>
#include <vector>

// The window's pixels as 8-bit RGB (3 channels) or RGBA (4), top row first.
std::vector<std::uint8_t> readWindowPixels(const GlWindow& window, int channels);
