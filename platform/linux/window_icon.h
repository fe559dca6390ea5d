#pragma once

#include <cstdint>
#include <vector>

// The program's icon (platform/quorvane.ico, the one Windows shows) for the window:
// 16x16 ARGB8888, rows from the top.
std::vector<std::uint32_t> windowIconPixels();
