#include "app/sdl_gl_window.h"

#include <SDL.h>
#include <epoxy/gl.h>

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

// Asks for the display mode closest to width x height; SDL switches to it when the window shows
// and switches back when the window goes.
void chooseFullscreenMode(SDL_Window* window, int width, int height) {
    const int display = SDL_GetWindowDisplayIndex(window);
    SDL_DisplayMode wanted{};
    wanted.w = width;
    wanted.h = height;
    SDL_DisplayMode closest{};
    if (!SDL_GetClosestDisplayMode(display < 0 ? 0 : display, &wanted, &closest)) {
        std::fprintf(stderr, "Fullscreen: the display has no mode near %s, staying at its own\n",
                     sizeText(width, height).c_str());
        return;
    }
    if (closest.w != width || closest.h != height)
        std::fprintf(stderr, "Fullscreen: the display has no %s mode, using %s\n",
                     sizeText(width, height).c_str(), sizeText(closest.w, closest.h).c_str());
    SDL_SetWindowDisplayMode(window, &closest);
}

} // namespace

SdlGlWindow::SdlGlWindow(const LaunchSettings& settings, std::string title)
    : GlWindow(settings.width, settings.height), title_(std::move(title)),
      fullscreen_(settings.fullscreen) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        throw std::runtime_error(std::string("No display: ") + SDL_GetError());
    requestContextAttributes();

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (fullscreen_)
        flags |= SDL_WINDOW_FULLSCREEN;
    window_ = SDL_CreateWindow(title_.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               width(), height(), flags);
    if (!window_) {
        const std::string reason = SDL_GetError();
        SDL_Quit();
        throw std::runtime_error("No window of " + sizeText(width(), height()) + ": " + reason);
    }
    if (fullscreen_)
        chooseFullscreenMode(window_, width(), height());

    glContext_ = SDL_GL_CreateContext(window_);
    if (!glContext_ || epoxy_gl_version() < 33) {
        const std::string reason = glContext_ ? "the driver offers only OpenGL " +
                                                    std::to_string(epoxy_gl_version() / 10) + "." +
                                                    std::to_string(epoxy_gl_version() % 10)
                                              : SDL_GetError();
        if (glContext_)
            SDL_GL_DeleteContext(glContext_);
        SDL_DestroyWindow(window_);
        SDL_Quit();
        throw std::runtime_error("No OpenGL 3.3 core context: " + reason);
    }
    SDL_GL_MakeCurrent(window_, glContext_);

    // Whatever arrived while the window was being made is not for the demo.
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);

    std::printf(
        "Vendor         : %s\nRenderer       : %s\nOpenGL version : %s\nGLSL version   : %s\n",
        glGetString(GL_VENDOR), glGetString(GL_RENDERER), glGetString(GL_VERSION),
        glGetString(GL_SHADING_LANGUAGE_VERSION));
    std::fflush(stdout);

    SDL_ShowWindow(window_);
    // The screen stays black, not garbage, while the scenes are being built.
    glViewport(0, 0, width(), height());
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    SDL_GL_SwapWindow(window_);

    nextTitleTick_ = SDL_GetTicks() + 1000;
    frameCount_ = 0;
}

SdlGlWindow::~SdlGlWindow() {
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(glContext_);
    // Destroying a fullscreen window puts the desktop's display mode back.
    SDL_DestroyWindow(window_);
    SDL_Quit();
}

bool SdlGlWindow::present() {
    ++frameCount_;
    const std::uint32_t now = SDL_GetTicks();
    if (now > nextTitleTick_) {
        const std::string shown = title_ + " - " + std::to_string(frameCount_);
        SDL_SetWindowTitle(window_, shown.c_str());
        nextTitleTick_ = now + 1000;
        frameCount_ = 0;
    }
    SDL_GL_SwapWindow(window_);

    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT)
            return false;
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE)
            return false;
    }
    return true;
}

void SdlGlWindow::hideCursor() {
    SDL_ShowCursor(SDL_DISABLE);
}

void SdlGlWindow::syncToVerticalBlank() {
    SDL_GL_SetSwapInterval(1);
}
