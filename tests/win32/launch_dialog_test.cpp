#include "platform/win32/launch_dialog_win32.h"
#include "platform/win32/resource_ids.h"

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>

using Rect = std::array<short, 4>;
using Styles = std::array<DWORD, 3>; // help id, extended style, style

TEST(LaunchDialog, TemplateIsTheDialogAsDrawn) {
    HRSRC found = FindResourceExW(nullptr, RT_DIALOG, MAKEINTRESOURCEW(IDD_LAUNCH),
                                  MAKELANGID(LANG_FINNISH, SUBLANG_DEFAULT));
    ASSERT_NE(found, nullptr) << "no Finnish dialog";
    // The DLGTEMPLATEEX that windres wrote, read field by field.
    auto at = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
    const auto take = [&at](auto value) {
        std::memcpy(&value, std::exchange(at, at + sizeof value), sizeof value);
        return value;
    };
    const auto text = [&at] {
        const std::wstring read(reinterpret_cast<const wchar_t*>(at));
        at += 2 * read.size() + 2;
        return read;
    };
    EXPECT_EQ(take(DWORD{}), 0xFFFF0001u); // version 1 of the extended template
    const DWORD kModal =
        WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS;
    EXPECT_EQ(take(Styles{}), (Styles{0, 0, kModal}));
    const WORD count = take(WORD{});
    EXPECT_EQ(take(Rect{}), (Rect{0, 0, 201, 122}));
    EXPECT_EQ(text() + text() + text(), L"Drannig & Velkorrin"); // no menu, the default class
    // 8 pt, weight 400, upright, DEFAULT_CHARSET.
    EXPECT_EQ(take(std::array<WORD, 3>{}), (std::array<WORD, 3>{8, 400, 0x100}));
    EXPECT_EQ(text(), L"MS Shell Dlg");
    const DWORD kEditableSortedList = WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWN | CBS_SORT;
    // Each control: id, class (windres writes the names it knows in capitals), caption, place.
    const std::tuple<int, const wchar_t*, const wchar_t*, Rect, DWORD> controls[] = {
        {IDOK, L"BUTTON", L"VORNE", {95, 74, 99, 41}, WS_TABSTOP | BS_DEFPUSHBUTTON},
        {IDCANCEL, L"BUTTON", L"LAME", {7, 74, 88, 41}, WS_TABSTOP | BS_PUSHBUTTON},
        {IDC_RESOLUTION, L"COMBOBOX", L"", {57, 18, 134, 30}, kEditableSortedList},
        {-1, L"STATIC", L"Resolution", {7, 21, 38, 9}, WS_GROUP | SS_LEFT},
        {-1, L"STATIC", L"Fullscreen", {7, 48, 33, 8}, WS_GROUP | SS_LEFT},
        {IDC_FULLSCREEN, L"BUTTON", L"", {58, 48, 16, 10}, WS_TABSTOP | BS_AUTOCHECKBOX},
        {IDC_PROBLEM, L"STATIC", L"", {7, 60, 187, 10}, SS_LEFT | SS_NOPREFIX},
    };
    ASSERT_EQ(std::size_t{count}, std::size(controls));
    for (const auto& [id, className, caption, rect, style] : controls) {
        SCOPED_TRACE(caption);
        at += (4 - reinterpret_cast<ULONG_PTR>(at) % 4) % 4;
        EXPECT_EQ(take(Styles{}), (Styles{0, 0, WS_CHILD | WS_VISIBLE | style}));
        EXPECT_EQ(take(Rect{}), rect);
        EXPECT_EQ(take(int{}), id);
        EXPECT_EQ(text(), className);
        EXPECT_EQ(text(), caption);
        at += 2; // no creation data
    }
    EXPECT_NE(FindResourceW(nullptr, MAKEINTRESOURCEW(IDI_QUORVANE), RT_GROUP_ICON), nullptr);
}

TEST(LaunchDialog, ConfirmsWhatCanBeRenderedAndRefusesTheRest) {
    using Settings = std::tuple<int, int, bool, bool>; // width, height, fullscreen, confirmed
    // Typed text (nullptr: the text the dialog opened with; U+0178 is no 'x'), the command, the
    // settings (the box is ticked where they are fullscreen) and the problem shown.
    const std::tuple<const wchar_t*, WPARAM, Settings, std::wstring> rows[] = {
        {nullptr, IDOK, {1280, 720, false, true}, L""},
        {L"2560x1440", IDOK, {2560, 1440, true, true}, L""},
        {L"640\u0178480", IDOK, {0, 0, false, true}, L"Width and height must be at least 1."},
        {L"4097x720", IDOK, {0, 0, false, true}, L"Width and height must be at most 4096."},
        {L"800x600", MAKEWPARAM(IDOK, 1), {0, 0, false, true}, L""}, // a notification
        {nullptr, IDCANCEL, {0, 0, false, false}, L""},
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
        CheckDlgButton(dialog, IDC_FULLSCREEN, std::get<2>(expected) ? BST_CHECKED : BST_UNCHECKED);
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
        EXPECT_EQ(IsWindowEnabled(owner) != FALSE,
                  press == IDCANCEL || (press == IDOK && problem.empty()));
        EXPECT_EQ(Settings(chosen.width, chosen.height, chosen.fullscreen, chosen.confirmed),
                  expected);
        wchar_t shown[64] = {};
        GetDlgItemTextW(dialog, IDC_PROBLEM, shown, 64);
        EXPECT_EQ(shown, problem);
        DestroyWindow(dialog);
        DestroyWindow(owner);
    }
}
