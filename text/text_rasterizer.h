#pragma once

#include "text/credits_image.h"

#include <vector>

class Texture2D;

// greenMask of the painted credits softened by softenMask: values 0 ... (6/7)^10, row 0 the top.
std::vector<float> creditsField(const CreditsImage& image);

// Turns the credits, painted by the platform's text engine, into the smooth single-channel float
// image the closing scene extrudes. Nothing is kept between calls; the scene calls it once while
// it is built.
class TextRasterizer {
  public:
    // Replaces the image of the 2500 x 1000 text texture with the credits field as GL_R32F (row 0,
    // the top line, at v = 0) and leaves it bound to GL_TEXTURE_2D on unit 0, the active unit.
    // Needs a current GL context.
    void rasterizeCredits(Texture2D& texture) const;
};
