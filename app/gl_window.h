#pragma once

// The one GL drawable of a run: a window on screen, or an off-screen pbuffer for tests and
// captures. Its OpenGL 3.3 core context is current on the constructing thread for the object's
// whole life; scenes size their viewports and window-sized textures from width() and height().
class GlWindow {
  public:
    virtual ~GlWindow() = default;
    GlWindow(const GlWindow&) = delete;
    GlWindow& operator=(const GlWindow&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }

    // Shows the finished frame; returns false once the viewer has asked to quit.
    virtual bool present() = 0;

  protected:
    GlWindow(int width, int height) : width_(width), height_(height) {}

  private:
    int width_;
    int height_;
};
