#include "platform/win32/launch_dialog_win32.h"
#include "app/launch_dialog.h"
#include "platform/win32/resource_ids.h"

#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

LaunchDialogState& stateOf(HWND dialog) {
    return *reinterpret_cast<LaunchDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// Only ASCII can be part of a size; anything else becomes a character no size contains.
std::string asciiOf(const std::wstring& text) {
    std::string ascii;
    for (const wchar_t c : text) {
        ascii += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return ascii;
}

std::wstring wideOf(const std::string& text) {
    const int size = static_cast<int>(text.size());
    std::wstring wide(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

void fillResolutions(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_RESOLUTION);
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"1280x720"));
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"1920x1080"));
    SendMessageW(list, CB_SETCURSEL, 0, 0);
}

std::string resolutionText(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_RESOLUTION);
    const int length = GetWindowTextLengthW(list);
    std::wstring text(length + 1, L'\0');
    text.resize(GetWindowTextW(list, text.data(), length + 1));
    return asciiOf(text);
}

INT_PTR confirm(HWND dialog) {
    LaunchDialogState& state = stateOf(dialog);
    const bool ticked = IsDlgButtonChecked(dialog, IDC_FULLSCREEN) == BST_CHECKED;
    const auto problem =
        applyConfirm(*state.settings, resolutionText(dialog), ticked, state.maxSize);
    if (!problem) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    // Stays open beside the reason, the typed text selected whole so that typing replaces it.
    SetDlgItemTextW(dialog, IDC_PROBLEM, wideOf(*problem).c_str());
    HWND list = GetDlgItem(dialog, IDC_RESOLUTION);
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
    SendMessageW(list, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
    return TRUE;
}

} // namespace

INT_PTR CALLBACK launchDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        fillResolutions(dialog);
        return FALSE;
    case WM_COMMAND:
        // Notifications from the controls (edits, list drops) are not presses.
        if (HIWORD(wParam) != 0) {
            return FALSE;
        }
        switch (LOWORD(wParam)) {
        case IDCANCEL:
            stateOf(dialog).settings->confirmed = false;
            EndDialog(dialog, 0);
            return TRUE;
        case IDOK:
            return confirm(dialog);
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

bool runLaunchDialog(LaunchSettings& settings, std::optional<int> maxSize) {
    InitCommonControls();
    LaunchDialogState state{&settings, maxSize};
    const INT_PTR shown =
        DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_LAUNCH), nullptr,
                        launchDialogProc, reinterpret_cast<LPARAM>(&state));
    if (shown == -1) {
        std::fprintf(stderr, "The launch dialog cannot be shown (error %lu)\n", GetLastError());
        std::fflush(stderr);
        return false;
    }
    return true;
}

void endProcessNow(int code) {
    ExitProcess(static_cast<UINT>(code));
}
