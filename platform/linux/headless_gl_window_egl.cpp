#include "app/headless_gl_window.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct EglSetup {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;
};

// Makes a pbuffer and a 3.3 core context on one display; leaves nothing behind on failure.
bool trySetup(EGLDisplay display, int width, int height, EglSetup& out) {
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr))
        return false;
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                       EGL_PBUFFER_BIT,
                                       EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_BIT,
                                       EGL_RED_SIZE,
                                       8,
                                       EGL_GREEN_SIZE,
                                       8,
                                       EGL_BLUE_SIZE,
                                       8,
                                       EGL_DEPTH_SIZE,
                                       24,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &configCount) || configCount < 1 ||
        !eglBindAPI(EGL_OPENGL_API)) {
        eglTerminate(display);
        return false;
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                        3,
                                        EGL_CONTEXT_MINOR_VERSION,
                                        3,
                                        EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                        EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLSurface surface = context == EGL_NO_CONTEXT
                             ? EGL_NO_SURFACE
                             : eglCreatePbufferSurface(display, config, surfaceAttributes);
    if (surface == EGL_NO_SURFACE || !eglMakeCurrent(display, surface, surface, context) ||
        epoxy_gl_version() < 33) {
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (surface != EGL_NO_SURFACE)
            eglDestroySurface(display, surface);
        if (context != EGL_NO_CONTEXT)
            eglDestroyContext(display, context);
        eglTerminate(display);
        return false;
    }
    out = {display, surface, context};
    return true;
}

// Candidate displays, best first: each EGL device (a GPU where one is lent), then Mesa's
// surfaceless platform, then whatever the default display is.
std::vector<EGLDisplay> candidateDisplays() {
    std::vector<EGLDisplay> displays;
    if (epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_EXT_platform_device")) {
        EGLDeviceEXT devices[16];
        EGLint count = 0;
        if (eglQueryDevicesEXT(16, devices, &count)) {
            for (EGLint i = 0; i < count; ++i)
                displays.push_back(
                    eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr));
        }
    }
    if (epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless"))
        displays.push_back(
            eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr));
    displays.push_back(eglGetDisplay(EGL_DEFAULT_DISPLAY));
    return displays;
}

} // namespace

struct HeadlessGlWindow::Platform {
    EglSetup egl;

    ~Platform() {
        eglMakeCurrent(egl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroySurface(egl.display, egl.surface);
        eglDestroyContext(egl.display, egl.context);
        eglTerminate(egl.display);
    }
};

HeadlessGlWindow::HeadlessGlWindow(int width, int height) : GlWindow(width, height) {
    if (width < 1 || height < 1)
        throw std::runtime_error("Headless GL: size " + std::to_string(width) + "x" +
                                 std::to_string(height) + " is not at least 1x1");
    EglSetup setup;
    for (EGLDisplay display : candidateDisplays()) {
        if (trySetup(display, width, height, setup))
            break;
    }
    if (setup.context == EGL_NO_CONTEXT)
        throw std::runtime_error("No OpenGL 3.3 core context: EGL offers no pbuffer context "
                                 "of version 3.3 core on this machine");
    platform_ = std::make_unique<Platform>(setup);
    glViewport(0, 0, width, height);
}

HeadlessGlWindow::~HeadlessGlWindow() = default;

bool HeadlessGlWindow::present() {
    glFinish();
    return true;
}
