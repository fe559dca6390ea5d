#pragma once

#include "app/gl_window.h"
#include "app/launch_settings.h"

#include <cstdio>
#include <memory>
#include <string>

// Says on standard output when the desktop gave the window another client size than the frames
// it renders, which it then shows cropped or with a margin; nothing when they agree.
inline void reportClientSize(int width, int height, int clientWidth, int clientHeight) {
    if (clientWidth == width && clientHeight == height)
        return;
    std::printf("Window: the desktop gave a %dx%d client area for the %dx%d frames\n", clientWidth,
                clientHeight, width, height);
    std::fflush(stdout);
}

// The demo's window on screen: exactly width x height client pixels, centred and not resizable,
// or fullscreen at a display mode of that size (windowed at that size, with one line saying so,
// when the display has no such mode); double-buffered RGB with a 24-bit depth buffer and an
// OpenGL 3.3 core context. The desktop's display mode comes back however the window goes.
class ScreenWindow final : public GlWindow {
  public:
    // Prints the GL implementation strings and shows one black frame. Throws std::runtime_error
    // naming what is missing (a display, a 3.3 core context, a GL entry point the demo calls).
    ScreenWindow(const LaunchSettings& settings, std::string title);
    ~ScreenWindow() override;

    // Counts the frame, rewrites the title with the frame rate once a second, swaps, and pumps
    // window messages; false on Escape or once the window is closed.
    bool present() override;

    // The demo reads no mouse; the cursor stays hidden for the whole run.
    void hideCursor();
    // Swaps wait for the vertical blank where the driver allows it.
    void syncToVerticalBlank();

  private:
    struct Platform;
    std::unique_ptr<Platform> platform_;
};
