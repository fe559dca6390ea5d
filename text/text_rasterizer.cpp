#include "text/text_rasterizer.h"

#include "gpu/texture.h"
#include "platform/gl.h"
#include "text/credits_filter.h"
#include "text/credits_layout.h"

std::vector<float> creditsField(const CreditsImage& image) {
    std::vector<float> field =
        greenMask(image.bgra.data(), image.width, image.height, image.stride);
    softenMask(field, image.width, image.height);
    return field;
}

void TextRasterizer::rasterizeCredits(Texture2D& texture) const {
    const std::vector<float> field = creditsField(paintCredits());
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture.id());
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R32F, creditsWidth, creditsHeight, 0, GL_RED, GL_FLOAT,
                 field.data());
}
