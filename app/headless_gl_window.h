#pragma once

#include "app/gl_window.h"

#include <memory>
#include <optional>

// An off-screen OpenGL 3.3 core context whose default framebuffer, exactly width x height, plays
// the window's: EGL on Linux (a GPU device where there is one, Mesa's surfaceless platform
// otherwise), a window that is never shown on Windows. For tests, captures and probes.
class HeadlessGlWindow final : public GlWindow {
  public:
    // Throws std::runtime_error naming what is missing when no such context can be made.
    HeadlessGlWindow(int width, int height);
    ~HeadlessGlWindow() override;

    // Nothing to show; waits for the frame so that read-backs see it whole.
    bool present() override;

  private:
    struct Platform;
    std::unique_ptr<Platform> platform_;
};

// The largest width and height the local GL implementation can render to, or nothing when no
// GL context can be made here.
std::optional<int> maxRenderSize();
