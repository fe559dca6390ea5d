#pragma once

#include <cstddef>
#include <vector>

// Turns the drawn credits into the soft scalar field the text-volume pass extrudes. All arrays are
// row-major, index y * width + x, row 0 at the top.

// 1.0 where the pixel's green byte (byte 1 of blue, green, red, alpha) is above 10, else 0.0.
// `stride` is the byte distance between rows.
std::vector<float> greenMask(const unsigned char* bgra, int width, int height, std::size_t stride);

// One running-sum pass down every column: out[y] = (in[y-2] + ... + in[y+3] - in[0..2]) / 7 in
// the interior; rows 0-2 are only ever subtracted and the last three rows add nothing.
void verticalRunningSum(const float* in, float* out, int width, int height);
// The same along every row.
void horizontalRunningSum(const float* in, float* out, int width, int height);

// Five iterations of the vertical pass followed by the horizontal pass, in place. A large covered
// area ends at (6/7)^10, and content moves 2.5 samples towards lower indices on each axis.
void softenMask(std::vector<float>& field, int width, int height);
