#include "app/screen_window.h"
#include "platform/linux/window_icon.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>

namespace {

std::string sizeText(int width, int height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

void requestContextAttributes() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
}

// A display mode of exactly width x height on the primary display. A mode of another size would
// stretch the scenes' width x height frames over a drawable of a different size.
bool findDisplayMode(int width, int height, SDL_DisplayMode& found) {
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode{};
        if (SDL_GetDisplayMode(0, i, &mode) == 0 && mode.w == width && mode.h == height) {
            found = mode;
            return true;
        }
    }
    return false;
}

void setWindowIcon(SDL_Window* window) {
    std::vector<std::uint32_t> pixels = windowIconPixels();
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), 16, 16, 32, 16 * 4,
                                                           SDL_PIXELFORMAT_ARGB8888);
    if (icon) {
        SDL_SetWindowIcon(window, icon);
        SDL_FreeSurface(icon);
    }
}

// A window manager may fit a window that is larger than the screen into it; the window asks for
// its size again, and the drawable it ends up with is compared with the frames rendered into it.
void fitClientArea(SDL_Window* window, int width, int height) {
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_PumpEvents();
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    if (drawableWidth != width || drawableHeight != height) {
        SDL_SetWindowSize(window, width, height);
        SDL_PumpEvents();
        SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    }
    reportClientSize(width, height, drawableWidth, drawableHeight);
}

} // namespace

struct ScreenWindow::Platform {
    std::string title;
    SDL_Window* window = nullptr;
    SDL_GLContext glContext = nullptr;
    std::uint32_t nextTitleTick = 0;
    int frameCount = 0;

    ~Platform() {
        if (glContext) {
            SDL_GL_MakeCurrent(window, nullptr);
            SDL_GL_DeleteContext(glContext);
        }
        // Destroying a fullscreen window puts the desktop's display mode back.
        if (window)
            SDL_DestroyWindow(window);
        SDL_Quit();
    }
};

ScreenWindow::ScreenWindow(const LaunchSettings& settings, std::string title)
    : GlWindow(settings.width, settings.height) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        throw std::runtime_error(std::string("No display: ") + SDL_GetError());
    platform_ = std::make_unique<Platform>();
    Platform& p = *platform_;
    p.title = std::move(title);
    requestContextAttributes();

    SDL_DisplayMode mode{};
    bool fullscreen = settings.fullscreen;
    if (fullscreen && !findDisplayMode(width(), height(), mode)) {
        std::printf("Fullscreen: the display has no %s mode, running in a window of that size\n",
                    sizeText(width(), height()).c_str());
        fullscreen = false;
    }
    const Uint32 flags =
        SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | (fullscreen ? SDL_WINDOW_FULLSCREEN : 0);
    p.window = SDL_CreateWindow(p.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                width(), height(), flags);
    if (!p.window)
        throw std::runtime_error("No window of " + sizeText(width(), height()) + ": " +
                                 SDL_GetError());
    if (fullscreen)
        SDL_SetWindowDisplayMode(p.window, &mode);
    setWindowIcon(p.window);

    p.glContext = SDL_GL_CreateContext(p.window);
    if (!p.glContext)
        throw std::runtime_error(std::string("No OpenGL 3.3 core context: ") + SDL_GetError());
    SDL_GL_MakeCurrent(p.window, p.glContext);
    if (epoxy_gl_version() < 33)
        throw std::runtime_error("No OpenGL 3.3 core context: the driver offers only OpenGL " +
                                 std::to_string(epoxy_gl_version() / 10) + "." +
                                 std::to_string(epoxy_gl_version() % 10));

    // Whatever arrived while the window was being made is not for the demo.
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);

    std::printf(
        "Vendor         : %s\nRenderer       : %s\nOpenGL version : %s\nGLSL version   : %s\n",
        glGetString(GL_VENDOR), glGetString(GL_RENDERER), glGetString(GL_VERSION),
        glGetString(GL_SHADING_LANGUAGE_VERSION));
    std::fflush(stdout);

    SDL_ShowWindow(p.window);
    fitClientArea(p.window, width(), height());
    // The screen stays black, not garbage, while the scenes are being built.
    glViewport(0, 0, width(), height());
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    SDL_GL_SwapWindow(p.window);

    p.nextTitleTick = SDL_GetTicks() + 1000;
    p.frameCount = 0;
}

ScreenWindow::~ScreenWindow() = default;

bool ScreenWindow::present() {
    Platform& p = *platform_;
    ++p.frameCount;
    const std::uint32_t now = SDL_GetTicks();
    if (now > p.nextTitleTick) {
        const std::string shown = p.title + " - " + std::to_string(p.frameCount);
        SDL_SetWindowTitle(p.window, shown.c_str());
        p.nextTitleTick = now + 1000;
        p.frameCount = 0;
    }
    SDL_GL_SwapWindow(p.window);

    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT)
            return false;
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE)
            return false;
        // The frames keep their size whatever the window manager does to the window.
        if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED &&
            (event.window.data1 != width() || event.window.data2 != height()))
            SDL_SetWindowSize(p.window, width(), height());
    }
    return true;
}

void ScreenWindow::hideCursor() {
    SDL_ShowCursor(SDL_DISABLE);
}

void ScreenWindow::syncToVerticalBlank() {
    SDL_GL_SetSwapInterval(1);
}
