#pragma once

#include "app/gl_window.h"
#include "app/launch_settings.h"

#include <cstdint>
#include <string>

struct SDL_Window;

// The demo's window on screen: exactly width x height client pixels, centred and not resizable,
// or fullscreen at a display mode of that size; double-buffered RGB with a 24-bit depth buffer
// and an OpenGL 3.3 core context. The desktop's display mode comes back when it is destroyed.
class SdlGlWindow final : public GlWindow {
  public:
    // Prints the GL implementation strings and shows one black frame.
    // Throws std::runtime_error naming what is missing (a display, a 3.3 core context).
    SdlGlWindow(const LaunchSettings& settings, std::string title);
    ~SdlGlWindow() override;

    // Counts the frame, rewrites the title with the frame rate once a second, swaps, and pumps
    // events; false on Escape or when the window is closed.
    bool present() override;

    // The demo reads no mouse; the cursor stays hidden for the whole run.
    void hideCursor();
    // Swaps wait for the vertical blank where the driver allows it (not under Xvfb).
    void syncToVerticalBlank();

  private:
    std::string title_;
    bool fullscreen_;
    SDL_Window* window_ = nullptr;
    void* glContext_ = nullptr;
    std::uint32_t nextTitleTick_ = 0;
    int frameCount_ = 0;
};
