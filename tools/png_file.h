#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes 8-bit RGB rows, top row first; throws std::runtime_error when the file cannot be written.
void writePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb);
