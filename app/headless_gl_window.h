#pragma once

#include "app/gl_window.h"

#include <optional>

// An off-screen OpenGL 3.3 core context on EGL with a pbuffer of exactly width x height, whose
// default framebuffer plays the window's. It prefers a GPU device and falls back to Mesa's
// surfaceless platform, so it works on machines with no display at all.
class HeadlessGlWindow final : public GlWindow {
  public:
    // Throws std::runtime_error naming what is missing when no such context can be made.
    HeadlessGlWindow(int width, int height);
    ~HeadlessGlWindow() override;

    // Nothing to show; waits for the frame so that read-backs see it whole.
    bool present() override;

  private:
    void* display_ = nullptr;
    void* surface_ = nullptr;
    void* context_ = nullptr;
};

// The largest width and height the local GL implementation can render to, or nothing when no
// GL context can be made here.
std::optional<int> maxRenderSize();
