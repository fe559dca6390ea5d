#include "platform/win32/wgl_context.h"

#include <GL/wglext.h>
#include <objidl.h>

#include <gdiplus.h>

#include <cstdint>
#include <stdexcept>

namespace wgl {

namespace {

std::string errorText() {
    return "error " + std::to_string(GetLastError());
}

} // namespace

void failContext(const std::string& reason) {
    throw std::runtime_error("No OpenGL 3.3 core context: " + reason);
}

std::wstring widen(const std::string& text) {
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

WindowClass::WindowClass(const wchar_t* name, WNDPROC procedure, HICON icon)
    : name_(name), instance_(GetModuleHandleW(nullptr)), owned_(true) {
    WNDCLASSEXW description{};
    description.cbSize = sizeof(description);
    description.style = CS_OWNDC;
    description.lpfnWndProc = procedure;
    description.hInstance = instance_;
    description.hIcon = icon;
    description.lpszClassName = name_;
    if (RegisterClassExW(&description))
        return;
    if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        failContext("no window class (" + errorText() + ")");
    owned_ = false;
}

WindowClass::~WindowClass() {
    if (owned_)
        UnregisterClassW(name_, instance_);
}

Window::Window(const WindowClass& windowClass, const wchar_t* title, DWORD style, const RECT& outer)
    : handle_(CreateWindowExW(WS_EX_APPWINDOW, windowClass.name(), title, style, outer.left,
                              outer.top, outer.right, outer.bottom, nullptr, nullptr,
                              windowClass.instance(), nullptr)),
      deviceContext_(handle_ ? GetDC(handle_) : nullptr) {
    if (!deviceContext_) {
        const std::string reason = errorText();
        if (handle_)
            DestroyWindow(handle_);
        failContext("no window (" + reason + ")");
    }
}

Window::~Window() {
    ReleaseDC(handle_, deviceContext_);
    DestroyWindow(handle_);
}

Context::~Context() {
    if (wglGetCurrentContext() == context_)
        wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(context_);
}

LegacyContext::LegacyContext(const WindowClass& windowClass)
    : window_(windowClass, L"temporary", WS_BORDER | WS_SYSMENU | WS_MINIMIZEBOX, RECT{}) {
    PIXELFORMATDESCRIPTOR format{};
    format.nSize = sizeof(format);
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 32;
    format.cDepthBits = 24;
    const HDC deviceContext = window_.deviceContext();
    const int chosen = ChoosePixelFormat(deviceContext, &format);
    if (!chosen || !SetPixelFormat(deviceContext, chosen, &format))
        failContext("no pixel format for a legacy context (" + errorText() + ")");
    const HGLRC context = wglCreateContext(deviceContext);
    if (!context)
        failContext("no legacy context (" + errorText() + ")");
    context_ = std::make_unique<Context>(context);
    if (!wglMakeCurrent(deviceContext, context))
        failContext("the legacy context cannot be made current (" + errorText() + ")");
}

std::unique_ptr<Context> createCoreContext(const Window& window) {
    const auto choosePixelFormat =
        function<PFNWGLCHOOSEPIXELFORMATARBPROC>("wglChoosePixelFormatARB");
    const auto createContextAttribs =
        function<PFNWGLCREATECONTEXTATTRIBSARBPROC>("wglCreateContextAttribsARB");
    if (!choosePixelFormat || !createContextAttribs)
        failContext("the driver has no wglChoosePixelFormatARB or wglCreateContextAttribsARB");

    const HDC deviceContext = window.deviceContext();
    const int formatAttributes[] = {WGL_DRAW_TO_WINDOW_ARB,
                                    TRUE,
                                    WGL_SUPPORT_OPENGL_ARB,
                                    TRUE,
                                    WGL_ACCELERATION_ARB,
                                    WGL_FULL_ACCELERATION_ARB,
                                    WGL_DOUBLE_BUFFER_ARB,
                                    TRUE,
                                    WGL_PIXEL_TYPE_ARB,
                                    WGL_TYPE_RGBA_ARB,
                                    WGL_COLOR_BITS_ARB,
                                    32,
                                    WGL_DEPTH_BITS_ARB,
                                    24,
                                    0};
    int format = 0;
    UINT formatCount = 0;
    if (!choosePixelFormat(deviceContext, formatAttributes, nullptr, 1, &format, &formatCount) ||
        formatCount < 1)
        failContext("no accelerated double-buffered RGBA pixel format with 32 colour and 24 depth "
                    "bits");
    PIXELFORMATDESCRIPTOR description{};
    DescribePixelFormat(deviceContext, format, sizeof(description), &description);
    if (!SetPixelFormat(deviceContext, format, &description))
        failContext("the window refuses pixel format " + std::to_string(format) + " (" +
                    errorText() + ")");

    const int contextAttributes[] = {WGL_CONTEXT_PROFILE_MASK_ARB,
                                     WGL_CONTEXT_CORE_PROFILE_BIT_ARB,
                                     WGL_CONTEXT_MAJOR_VERSION_ARB,
                                     3,
                                     WGL_CONTEXT_MINOR_VERSION_ARB,
                                     3,
                                     0};
    const HGLRC context = createContextAttribs(deviceContext, nullptr, contextAttributes);
    if (!context)
        failContext("the driver offers no context of version 3.3 core (" + errorText() + ")");
    auto owned = std::make_unique<Context>(context);
    if (!wglMakeCurrent(deviceContext, context))
        failContext("the 3.3 core context cannot be made current (" + errorText() + ")");
    return owned;
}

GlProc procedure(const char* name) {
    const PROC found = wglGetProcAddress(name);
    // Some drivers answer a small number instead of null for a name they do not know.
    const auto value = reinterpret_cast<std::intptr_t>(found);
    if (value >= -1 && value <= 3)
        return nullptr;
    return reinterpret_cast<GlProc>(found);
}

void loadEntryPoints() {
    loadGlEntryPoints(procedure);
    if (const char* missing = missingCalledEntryPoint())
        throw std::runtime_error(std::string("OpenGL entry point ") + missing + " is missing");
}

GdiplusSession::GdiplusSession() {
    const Gdiplus::GdiplusStartupInput input;
    const Gdiplus::Status status = Gdiplus::GdiplusStartup(&token_, &input, nullptr);
    if (status != Gdiplus::Ok)
        throw std::runtime_error("GDI+ does not start: status " + std::to_string(status));
}

GdiplusSession::~GdiplusSession() {
    Gdiplus::GdiplusShutdown(token_);
}

} // namespace wgl
