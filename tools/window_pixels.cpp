#include "tools/window_pixels.h"

#include "platform/gl.h"

#include <algorithm>

std::vector<std::uint8_t> readWindowPixels(const GlWindow& window, int channels) {
    const int w = window.width();
    const int h = window.height();
    const std::size_t row = static_cast<std::size_t>(w) * channels;
    std::vector<std::uint8_t> bottomUp(row * h);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, channels == 4 ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<std::uint8_t> topDown(bottomUp.size());
    for (int y = 0; y < h; ++y)
        std::copy_n(bottomUp.begin() + static_cast<std::ptrdiff_t>((h - 1 - y) * row), row,
                    topDown.begin() + static_cast<std::ptrdiff_t>(y * row));
    return topDown;
}
