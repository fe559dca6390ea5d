#include "app/headless_gl_window.h"

#include "platform/win32/wgl_context.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>

// Members go in reverse: GDI+, the context, the window, the class.
struct HeadlessGlWindow::Platform {
    std::optional<wgl::WindowClass> windowClass;
    std::optional<wgl::Window> window;
    std::unique_ptr<wgl::Context> context;
    std::optional<wgl::GdiplusSession> gdiplus;
};

HeadlessGlWindow::HeadlessGlWindow(int width, int height) : GlWindow(width, height) {
    if (width < 1 || height < 1)
        throw std::runtime_error("Headless GL: size " + std::to_string(width) + "x" +
                                 std::to_string(height) + " is not at least 1x1");
    platform_ = std::make_unique<Platform>();
    Platform& p = *platform_;
    // Its own class and the default procedure: destroying these windows posts no WM_QUIT into a
    // dialog's message loop on the same thread.
    p.windowClass.emplace(L"quorvane headless", DefWindowProcW, nullptr);
    {
        const wgl::LegacyContext legacy(*p.windowClass);
        // A pop-up's size is not held to the screen's, as a captioned window's is.
        p.window.emplace(*p.windowClass, L"headless", WS_POPUP, RECT{0, 0, width, height});
        RECT client{};
        GetClientRect(p.window->handle(), &client);
        if (client.right != width || client.bottom != height)
            wgl::failContext("the window's client area came out " + std::to_string(client.right) +
                             "x" + std::to_string(client.bottom) + ", not " +
                             std::to_string(width) + "x" + std::to_string(height));
        p.context = wgl::createCoreContext(*p.window);
    }
    wgl::loadEntryPoints();
    p.gdiplus.emplace();
    glViewport(0, 0, width, height);
}

HeadlessGlWindow::~HeadlessGlWindow() = default;

bool HeadlessGlWindow::present() {
    glFinish();
    return true;
}
