#include "app/headless_gl_window.h"
#include "platform/gl.h"

#include <algorithm>
#include <stdexcept>

// Shared by both platforms: what limits a render is the GL implementation, not the window system.
std::optional<int> maxRenderSize() {
    try {
        HeadlessGlWindow probe(1, 1);
        GLint viewport[2] = {0, 0};
        GLint texture = 0;
        GLint renderbuffer = 0;
        glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
        glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
        return std::min({viewport[0], viewport[1], texture, renderbuffer});
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}
