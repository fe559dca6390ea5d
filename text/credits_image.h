#pragma once

#include "text/credits_layout.h"

#include <cstddef>
#include <vector>

// The drawn credits: 4 bytes per pixel in the order blue, green, red, alpha, rows from the top.
struct CreditsImage {
    int width = 0;
    int height = 0;
    std::size_t stride = 0; // bytes from one row to the next
    std::vector<unsigned char> bgra;
};

// An image of the credits' size whose every byte is 0, the start of each painter's image.
inline CreditsImage blankCreditsImage() {
    CreditsImage image;
    image.width = creditsWidth;
    image.height = creditsHeight;
    image.stride = static_cast<std::size_t>(creditsWidth) * 4;
    image.bgra.assign(image.stride * creditsHeight, 0);
    return image;
}

// The six credit lines of credits_layout.h drawn white on opaque black into a 2500 x 1000 image by
// the platform's text engine, each at its layout origin at an em size of 130 pixels, in the
// credits face or the nearest light sans-serif; opaque black only when nothing can be drawn.
CreditsImage paintCredits();
