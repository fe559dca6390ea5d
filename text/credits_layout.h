#pragma once

#include <array>
#include <string_view>

// The credits image: six lines, white on black, 150 pixels apart so that the text-volume pass
// can pick line o from the band 0.15 * o + 0.04 ... 0.15 * o + 0.19 of the height.
inline constexpr int creditsWidth = 2500;
inline constexpr int creditsHeight = 1000;
inline constexpr double creditsEmSize = 130.0;
inline constexpr double creditsLayoutX = 10.0;
inline constexpr int creditsLinePitch = 150;

struct CreditLine {
    std::string_view text; // UTF-8
    double layoutY;        // top of the line box, pixels from the top of the image
};

inline constexpr std::array<CreditLine, 6> creditLines{{
    {"code:", 10.0},
    {"Korvex", 160.0},
    {"music:", 310.0},
    {"Ulmara", 460.0},
    {"Drannig", 610.0},
    {"Velkorrin", 760.0},
}};
