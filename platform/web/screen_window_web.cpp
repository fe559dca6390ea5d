#include "app/screen_window.h"

#include "platform/gl.h"
#include "platform/web/page_bridge.h"
#include "platform/web/webgl_context.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <string>

namespace {

// The browser masks its GL strings ("WebKit"); WEBGL_debug_renderer_info tells the real ones.
// clang-format off
EM_JS(void, printGlStrings, (), {
    const gl = GL.currentContext.GLctx;
    const info = gl.getExtension('WEBGL_debug_renderer_info');
    const vendor = info ? gl.getParameter(info.UNMASKED_VENDOR_WEBGL) : gl.getParameter(gl.VENDOR);
    const renderer =
        info ? gl.getParameter(info.UNMASKED_RENDERER_WEBGL) : gl.getParameter(gl.RENDERER);
    out('Vendor         : ' + vendor);
    out('Renderer       : ' + renderer);
    out('OpenGL version : ' + gl.getParameter(gl.VERSION));
    out('GLSL version   : ' + gl.getParameter(gl.SHADING_LANGUAGE_VERSION));
});
// clang-format on

// Only a page that holds the viewer's click may go fullscreen; the confirm button gave it.
// clang-format off
EM_JS(void, enterFullscreen, (), {
    const canvas = document.getElementById('canvas');
    if (canvas.requestFullscreen)
        canvas.requestFullscreen().catch(error => out('Fullscreen: the browser refused (' +
                                                       error.message + '), running in the page'));
});
// clang-format on

// clang-format off
EM_JS(void, leaveFullscreen, (), {
    if (document.fullscreenElement)
        document.exitFullscreen().catch(() => {});
});
// clang-format on

// clang-format off
EM_JS(void, setCanvasCursor, (int hidden),
      { document.getElementById('canvas').style.cursor = hidden ? 'none' : ""; });
// clang-format on

EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* event, void* quit) {
    if (std::string(event->key) != "Escape")
        return EM_FALSE;
    *static_cast<bool*>(quit) = true;
    return EM_TRUE;
}

} // namespace

struct ScreenWindow::Platform {
    Platform(int width, int height) : context(width, height, false) {}
    WebGlContext context;
    std::string title;
    bool quit = false;
    bool fullscreen = false;
    int frames = 0;
    double secondStartedAt = 0.0;
};

ScreenWindow::ScreenWindow(const LaunchSettings& settings, std::string title)
    : GlWindow(settings.width, settings.height),
      platform_(std::make_unique<Platform>(settings.width, settings.height)) {
    Platform& p = *platform_;
    p.title = std::move(title);
    p.fullscreen = settings.fullscreen;
    if (p.fullscreen)
        enterFullscreen();
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, &p.quit, EM_TRUE, onKeyDown);
    printGlStrings();
    std::fflush(stdout);
    setPageTitle(p.title.c_str());

    // The canvas stays black, not garbage, while the scenes are being built.
    glViewport(0, 0, width(), height());
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    waitForAnimationFrame();
    p.secondStartedAt = emscripten_get_now();
}

ScreenWindow::~ScreenWindow() {
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_TRUE, nullptr);
    setCanvasCursor(0);
    if (platform_->fullscreen)
        leaveFullscreen();
}

// The browser shows the frame when control returns to it: one animation frame per iteration.
bool ScreenWindow::present() {
    Platform& p = *platform_;
    ++p.frames;
    const double now = emscripten_get_now();
    if (now - p.secondStartedAt >= 1000.0) {
        const std::string title = p.title + " - " + std::to_string(p.frames);
        setPageTitle(title.c_str());
        p.frames = 0;
        p.secondStartedAt = now;
    }
    waitForAnimationFrame();
    // Without a context every frame would stay black: the run ends and the form comes back.
    if (p.context.lost()) {
        std::printf("WebGL context lost: the demo ends\n");
        std::fflush(stdout);
        return false;
    }
    return !p.quit;
}

void ScreenWindow::hideCursor() {
    setCanvasCursor(1);
}

// Animation frames already follow the display's refresh.
void ScreenWindow::syncToVerticalBlank() {}
