#include "platform/win32/launch_dialog_win32.h"
#include "platform/win32/resource_ids.h"

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <tuple>

TEST(LaunchDialog, ConfirmsWhatCanBeRenderedAndRefusesTheRest) {
    EXPECT_NE(FindResourceW(nullptr, MAKEINTRESOURCEW(IDI_QUORVANE), RT_GROUP_ICON), nullptr);
    EXPECT_NE(FindResourceExW(nullptr, RT_DIALOG, MAKEINTRESOURCEW(IDD_LAUNCH),
                              MAKELANGID(LANG_FINNISH, SUBLANG_DEFAULT)),
              nullptr);
    using Settings = std::tuple<int, int, bool, bool>; // width, height, fullscreen, confirmed
    // Typed text (nullptr: the text the dialog opened with; U+0178 is no 'x'), the command, the
    // settings and the problem shown; the box and Cancel are seen in the Windows demo run.
    const std::tuple<const wchar_t*, WPARAM, Settings, std::wstring> rows[] = {
        {nullptr, IDOK, {1280, 720, false, true}, L""},
        {L"640\u0178480", IDOK, {0, 0, false, true}, L"Width and height must be at least 1."},
        {L"4097x720", IDOK, {0, 0, false, true}, L"Width and height must be at most 4096."},
        {L"800x600", MAKEWPARAM(IDOK, 1), {0, 0, false, true}, L""}, // a notification
    };
    for (const auto& [typed, press, expected, problem] : rows) {
        SCOPED_TRACE(typed ? typed : L"(untouched)");
        LaunchSettings chosen;
        LaunchDialogState state{&chosen, 4096};
        // Owned and disabled as by DialogBoxParamW, and never shown (Wine hides windows slowly).
        HWND owner = CreateWindowW(L"Static", L"", WS_POPUP | WS_DISABLED, 0, 0, 0, 0, nullptr,
                                   nullptr, nullptr, nullptr);
        HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_LAUNCH),
                                         owner, launchDialogProc, reinterpret_cast<LPARAM>(&state));
        HWND list = GetDlgItem(dialog, IDC_RESOLUTION);
        EXPECT_EQ(SendMessageW(list, CB_FINDSTRINGEXACT, -1, LPARAM(L"1920x1080")), 1);
        if (typed)
            SetWindowTextW(list, typed);
        const LPARAM button = LPARAM(GetDlgItem(dialog, LOWORD(press)));
        SIZE ideal{}; // only common controls 6, which the manifest asks for, size buttons ideally
        EXPECT_TRUE(SendMessageW(HWND(button), BCM_GETIDEALSIZE, 0, LPARAM(&ideal)));
        SendMessageW(dialog, WM_COMMAND, press, button);
        // A refusal selects the typed text whole, so typing replaces it, also the second time.
        for (int again = 0; again < 2 && !problem.empty(); ++again) {
            for (const wchar_t c : std::wstring(typed))
                SendMessageW(GetWindow(list, GW_CHILD), WM_CHAR, c, 0);
            EXPECT_EQ(GetWindowTextLengthW(list), lstrlenW(typed));
            SendMessageW(dialog, WM_COMMAND, press, button);
        }
        // EndDialog enables the owner again.
        EXPECT_EQ(IsWindowEnabled(owner) != FALSE, press == IDOK && problem.empty());
        EXPECT_EQ(Settings(chosen.width, chosen.height, chosen.fullscreen, chosen.confirmed),
                  expected);
        wchar_t shown[64] = {};
        GetDlgItemTextW(dialog, IDC_PROBLEM, shown, 64);
        EXPECT_EQ(shown, problem);
        DestroyWindow(dialog);
        DestroyWindow(owner);
    }
}
