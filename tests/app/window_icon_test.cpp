#include "platform/linux/window_icon.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

std::uint32_t at(const std::vector<std::uint32_t>& pixels, int column, int row) {
    return pixels[row * 16 + column];
}

int green(std::uint32_t argb) {
    return argb >> 8 & 0xFF;
}

// platform/make_icon.py draws a dark square whose green wave has its crest at the upper left
// and its trough at the lower right: any flip or channel swap of the decoding shows.
TEST(WindowIcon, IsTheDesignUprightInArgb) {
    const std::vector<std::uint32_t> pixels = windowIconPixels();
    ASSERT_EQ(pixels.size(), 256u);
    EXPECT_EQ(at(pixels, 8, 1), 0xFF14181Eu);
    EXPECT_LT(at(pixels, 0, 0) >> 24, 0x10u);
    EXPECT_GT(green(at(pixels, 5, 4)), 0xC0);
    EXPECT_GT(green(at(pixels, 10, 11)), 0xC0);
    EXPECT_LT(green(at(pixels, 5, 11)), 0x40);
    EXPECT_LT(green(at(pixels, 10, 4)), 0x40);
}

} // namespace
