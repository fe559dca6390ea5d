#include "platform/linux/window_icon.h"

#include <gtest/gtest.h>

namespace {

// platform/make_icon.py draws a dark square whose green wave has its crest at the upper left
// and its trough at the lower right: any flip or channel swap of the decoding shows.
TEST(WindowIcon, IsTheDesignUprightInArgb) {
    const std::vector<std::uint32_t> pixels = windowIconPixels();
    ASSERT_EQ(pixels.size(), 256u);
    const auto green = [&](int column, int row) { return pixels[row * 16 + column] >> 8 & 0xFF; };
    EXPECT_EQ(pixels[16 + 8], 0xFF14181Eu);
    EXPECT_LT(pixels[0] >> 24, 0x10u);
    EXPECT_GT(green(5, 4), 0xC0u);
    EXPECT_GT(green(10, 11), 0xC0u);
    EXPECT_LT(green(5, 11), 0x40u);
    EXPECT_LT(green(10, 4), 0x40u);
}

} // namespace
