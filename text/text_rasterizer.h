#pragma once

#include "text/credits_font.h"

#include <cstddef>
#include <optional>
#include <vector>

class Texture2D;

// The drawn credits: 4 bytes per pixel in the order blue, green, red, alpha, rows from the top.
struct CreditsImage {
    int width = 0;
    int height = 0;
    std::size_t stride = 0; // bytes from one row to the next
    std::vector<unsigned char> bgra;
};

// Draws the credit lines with cairo and turns them into the smooth single-channel float image the
// closing scene extrudes. Nothing is kept between calls; construct, call rasterizeCredits once
// while the scene is built, and drop it.
class TextRasterizer {
  public:
    // Draws in `font`, or draws no text at all when there is none.
    explicit TextRasterizer(std::optional<FontFile> font = creditsFont());

    // Replaces the image of the 2500 x 1000 text texture with creditsField() as GL_R32F (row 0,
    // the top line, at v = 0) and leaves it bound to GL_TEXTURE_2D on unit 0, the active unit.
    // Needs a current GL context.
    void rasterizeCredits(Texture2D& texture) const;

    // The six lines white on opaque black, 2500 x 1000, each at its layout origin at an em size of
    // 130 pixels; opaque black only when no surface can be made.
    CreditsImage drawCredits() const;
    // greenMask of drawCredits() softened by softenMask: values 0 ... (6/7)^10.
    std::vector<float> creditsField() const;

    const std::optional<FontFile>& font() const { return font_; }

  private:
    std::optional<FontFile> font_;
};
