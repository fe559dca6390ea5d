#pragma once

#include "platform/gl.h"

#include <windows.h>

#include <memory>
#include <string>

// What the screen window and the headless window share on WGL: the window class, a window with
// its device context, the legacy context that resolves the ARB functions, the 3.3 core context,
// the entry point table and GDI+.
namespace wgl {

// Every way of not getting a window with a 3.3 core context ends in this exception.
[[noreturn]] void failContext(const std::string& reason);

std::wstring widen(const std::string& text);

// A registered window class; one another living window registered already is borrowed instead.
class WindowClass {
  public:
    WindowClass(const wchar_t* name, WNDPROC procedure, HICON icon);
    ~WindowClass();
    WindowClass(const WindowClass&) = delete;
    WindowClass& operator=(const WindowClass&) = delete;

    const wchar_t* name() const { return name_; }
    HINSTANCE instance() const { return instance_; }

  private:
    const wchar_t* name_;
    HINSTANCE instance_;
    bool owned_;
};

// A top-level window, created hidden, with its own device context (the class is CS_OWNDC).
class Window {
  public:
    // outer holds the position in left and top, the outer size in right and bottom.
    Window(const WindowClass& windowClass, const wchar_t* title, DWORD style, const RECT& outer);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND handle() const { return handle_; }
    HDC deviceContext() const { return deviceContext_; }

  private:
    HWND handle_;
    HDC deviceContext_;
};

// A WGL context; whichever thread has it current lets go of it before it is deleted.
class Context {
  public:
    explicit Context(HGLRC context) : context_(context) {}
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

  private:
    HGLRC context_;
};

// A legacy context current on a throw-away window that is never shown: the ARB functions that
// make a core context can only be resolved while some context is current.
class LegacyContext {
  public:
    explicit LegacyContext(const WindowClass& windowClass);

  private:
    Window window_;
    std::unique_ptr<Context> context_;
};

// While a legacy context is current: gives window the ARB pixel format (RGBA 32, depth 24,
// double-buffered, accelerated) and returns a 3.3 core context made current on it.
std::unique_ptr<Context> createCoreContext(const Window& window);

// Fills GlEntryPoints from the current context; throws naming the first entry point the demo
// calls that the driver lacks.
void loadEntryPoints();

// The function named, or null where the current context has none.
GlProc procedure(const char* name);
template <class Function> Function function(const char* name) {
    return reinterpret_cast<Function>(procedure(name));
}

// GDI+ for as long as a GL window lives: the credits painter draws with it on either window.
class GdiplusSession {
  public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

  private:
    ULONG_PTR token_ = 0;
};

} // namespace wgl
