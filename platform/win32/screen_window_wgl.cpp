#include "app/screen_window.h"

#include "platform/win32/resource_ids.h"
#include "platform/win32/wgl_context.h"

#include <GL/wglext.h>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

// The display switched to the demo's size; the desktop's mode comes back when this goes, and
// already when the window is destroyed, so that a process ending without unwinding leaves the
// desktop as it found it.
class DisplayModeChange {
  public:
    // Switches the display, or says why not on standard output and returns nothing.
    static std::unique_ptr<DisplayModeChange> to(int width, int height);
    ~DisplayModeChange() {
        restore();
        if (window_)
            SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    }
    DisplayModeChange(const DisplayModeChange&) = delete;
    DisplayModeChange& operator=(const DisplayModeChange&) = delete;

    // Lets the window's WM_DESTROY put the desktop's mode back.
    void attach(HWND window) {
        window_ = window;
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    void restore() {
        if (active_)
            ChangeDisplaySettingsW(nullptr, 0);
        active_ = false;
    }

  private:
    DisplayModeChange() = default;
    bool active_ = true;
    HWND window_ = nullptr;
};

bool displayHasMode(int width, int height) {
    DEVMODEW mode{};
    mode.dmSize = sizeof(mode);
    for (DWORD i = 0; EnumDisplaySettingsW(nullptr, i, &mode); ++i) {
        if (static_cast<int>(mode.dmPelsWidth) == width &&
            static_cast<int>(mode.dmPelsHeight) == height)
            return true;
    }
    return false;
}

std::unique_ptr<DisplayModeChange> DisplayModeChange::to(int width, int height) {
    const char* problem = "has no";
    if (displayHasMode(width, height)) {
        DEVMODEW mode{};
        mode.dmSize = sizeof(mode);
        mode.dmPelsWidth = static_cast<DWORD>(width);
        mode.dmPelsHeight = static_cast<DWORD>(height);
        mode.dmBitsPerPel = 32;
        mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        if (ChangeDisplaySettingsW(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL)
            return std::unique_ptr<DisplayModeChange>(new DisplayModeChange);
        problem = "refuses the";
    }
    std::printf("Fullscreen: the display %s %dx%d mode, running in a window of that size\n",
                problem, width, height);
    std::fflush(stdout);
    return nullptr;
}

// The outer size the demo's window needs. Windows shrinks a window that does not fit the desktop
// to the largest it allows (already in CreateWindowExW, before the window could say otherwise).
SIZE neededOuterSize{0, 0};

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETMINMAXINFO) {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMaxTrackSize.x = std::max(limits->ptMaxTrackSize.x, neededOuterSize.cx);
        limits->ptMaxTrackSize.y = std::max(limits->ptMaxTrackSize.y, neededOuterSize.cy);
        limits->ptMaxSize.x = std::max(limits->ptMaxSize.x, neededOuterSize.cx);
        limits->ptMaxSize.y = std::max(limits->ptMaxSize.y, neededOuterSize.cy);
        return 0;
    }
    if (message == WM_DESTROY) {
        if (auto* mode =
                reinterpret_cast<DisplayModeChange*>(GetWindowLongPtrW(window, GWLP_USERDATA)))
            mode->restore();
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The outer rectangle (position, then size) of a captioned window whose client area is
// width x height, centred on the screen.
RECT centredWindow(DWORD style, int width, int height) {
    RECT frame{0, 0, width, height};
    AdjustWindowRect(&frame, style, FALSE);
    const int outerWidth = frame.right - frame.left;
    const int outerHeight = frame.bottom - frame.top;
    return RECT{(GetSystemMetrics(SM_CXSCREEN) - outerWidth) / 2,
                (GetSystemMetrics(SM_CYSCREEN) - outerHeight) / 2, outerWidth, outerHeight};
}

SIZE clientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return SIZE{client.right - client.left, client.bottom - client.top};
}

// Grows or shrinks the outer window by what its client area lacks or has too much: the frame
// AdjustWindowRect assumed can differ from the one the window's monitor draws.
SIZE fitClientArea(HWND window, int width, int height) {
    SIZE client = clientSize(window);
    if (client.cx == width && client.cy == height)
        return client;
    RECT outer{};
    GetWindowRect(window, &outer);
    neededOuterSize = SIZE{outer.right - outer.left + width - client.cx,
                           outer.bottom - outer.top + height - client.cy};
    SetWindowPos(window, nullptr, 0, 0, neededOuterSize.cx, neededOuterSize.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return clientSize(window);
}

} // namespace

// Members go in reverse: GDI+, the display mode, the context, the window, the class.
struct ScreenWindow::Platform {
    std::wstring title;
    bool fullscreen = false;
    std::optional<wgl::WindowClass> windowClass;
    std::optional<wgl::Window> window;
    std::unique_ptr<wgl::Context> context;
    std::unique_ptr<DisplayModeChange> displayMode;
    std::optional<wgl::GdiplusSession> gdiplus;
    DWORD nextTitleTick = 0;
    int frameCount = 0;
};

ScreenWindow::ScreenWindow(const LaunchSettings& settings, std::string title)
    : GlWindow(settings.width, settings.height), platform_(std::make_unique<Platform>()) {
    Platform& p = *platform_;
    p.fullscreen = settings.fullscreen;
    p.title = wgl::widen(title);

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    p.windowClass.emplace(L"classy class", windowProcedure,
                          LoadIconW(instance, MAKEINTRESOURCEW(IDI_QUORVANE)));
    std::optional<wgl::LegacyContext> legacy(std::in_place, *p.windowClass);

    if (p.fullscreen)
        p.displayMode = DisplayModeChange::to(width(), height());
    DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT outer = centredWindow(style, width(), height());
    if (p.displayMode) {
        style = WS_POPUP;
        outer = RECT{0, 0, width(), height()};
    }
    neededOuterSize = SIZE{outer.right, outer.bottom};
    p.window.emplace(*p.windowClass, p.title.c_str(), style, outer);
    const SIZE client = fitClientArea(p.window->handle(), width(), height());
    reportClientSize(width(), height(), client.cx, client.cy);
    if (p.displayMode)
        p.displayMode->attach(p.window->handle());
    p.context = wgl::createCoreContext(*p.window);
    legacy.reset();

    // Destroying the throw-away window posted WM_QUIT; nothing queued so far is for the demo.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    wgl::loadEntryPoints();

    std::printf(
        "Vendor         : %s\nRenderer       : %s\nOpenGL version : %s\nGLSL version   : %s\n",
        reinterpret_cast<const char*>(glGetString(GL_VENDOR)),
        reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
        reinterpret_cast<const char*>(glGetString(GL_VERSION)),
        reinterpret_cast<const char*>(glGetString(GL_SHADING_LANGUAGE_VERSION)));
    std::fflush(stdout);

    ShowWindow(p.window->handle(), SW_SHOW);
    // The screen stays black, not garbage, while the scenes are being built.
    glViewport(0, 0, width(), height());
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    SwapBuffers(p.window->deviceContext());

    p.gdiplus.emplace();
    p.nextTitleTick = GetTickCount() + 1000;
    p.frameCount = 0;
}

ScreenWindow::~ScreenWindow() = default;

bool ScreenWindow::present() {
    Platform& p = *platform_;
    ++p.frameCount;
    const DWORD now = GetTickCount();
    if (now > p.nextTitleTick) {
        const std::wstring shown = p.title + L" - " + std::to_wstring(p.frameCount);
        SetWindowTextW(p.window->handle(), shown.c_str());
        p.nextTitleTick = now + 1000;
        p.frameCount = 0;
    }
    SwapBuffers(p.window->deviceContext());

    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
        if (message.message == WM_QUIT ||
            (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE))
            return false;
    }
    return true;
}

void ScreenWindow::hideCursor() {
    ShowCursor(FALSE);
}

void ScreenWindow::syncToVerticalBlank() {
    if (const auto swapInterval = wgl::function<PFNWGLSWAPINTERVALEXTPROC>("wglSwapIntervalEXT"))
        swapInterval(1);
}
