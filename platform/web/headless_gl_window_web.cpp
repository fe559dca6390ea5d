#include "app/headless_gl_window.h"

#include "platform/gl.h"
#include "platform/web/webgl_context.h"

#include <emscripten.h>

#include <array>

namespace {

// The limits of a scratch WebGL 2 context, or 0 when the browser has none.
// clang-format off
EM_JS(int, probeMaxRenderSize, (), {
    const gl = document.createElement('canvas').getContext('webgl2');
    if (!gl)
        return 0;
    const viewport = gl.getParameter(gl.MAX_VIEWPORT_DIMS);
    const size = Math.min(viewport[0], viewport[1], gl.getParameter(gl.MAX_TEXTURE_SIZE),
                          gl.getParameter(gl.MAX_RENDERBUFFER_SIZE));
    const lose = gl.getExtension('WEBGL_lose_context');
    if (lose)
        lose.loseContext();
    return size;
});
// clang-format on

} // namespace

// The page's canvas, never presented by the browser's loop: the frame stays readable until the
// next one is drawn.
struct HeadlessGlWindow::Platform {
    Platform(int width, int height) : context(width, height, true) {}
    WebGlContext context;
};

HeadlessGlWindow::HeadlessGlWindow(int width, int height)
    : GlWindow(width, height), platform_(std::make_unique<Platform>(width, height)) {}

HeadlessGlWindow::~HeadlessGlWindow() = default;

// WebGL's finish() only flushes; reading a pixel back waits until the frame is really drawn, as
// glFinish does on the desktop, so a frame timed up to here includes the GPU's work.
bool HeadlessGlWindow::present() {
    std::array<unsigned char, 4> pixel{};
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    return true;
}

std::optional<int> maxRenderSize() {
    const int size = probeMaxRenderSize();
    if (size <= 0)
        return std::nullopt;
    return size;
}
