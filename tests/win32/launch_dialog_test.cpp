#include "platform/win32/launch_dialog_win32.h"
#include "platform/win32/resource_ids.h"

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

const WORD kFinnish = MAKELANGID(LANG_FINNISH, SUBLANG_DEFAULT);

// Reads the DLGTEMPLATEEX that windres wrote, field by field.
class TemplateReader {
  public:
    explicit TemplateReader(const BYTE* start) : start_(start), at_(start) {}
    template <class T> T take() {
        T value;
        std::memcpy(&value, at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    // A zero-terminated string, or "#n" for an ordinal.
    std::wstring name() {
        WORD c = take<WORD>();
        if (c == 0xFFFF) {
            return L"#" + std::to_wstring(take<WORD>());
        }
        std::wstring text;
        for (; c != 0; c = take<WORD>()) {
            text += static_cast<wchar_t>(c);
        }
        return text;
    }
    void alignToDword() { at_ += (4 - (at_ - start_) % 4) % 4; }

  private:
    const BYTE* start_;
    const BYTE* at_;
};

const BYTE* dialogTemplate() {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceExW(module, RT_DIALOG, MAKEINTRESOURCEW(IDD_LAUNCH), kFinnish);
    return found ? static_cast<const BYTE*>(LockResource(LoadResource(module, found))) : nullptr;
}

BOOL CALLBACK addLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
    reinterpret_cast<std::set<WORD>*>(found)->insert(language);
    return TRUE;
}

BOOL CALLBACK addNameLanguages(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR found) {
    return EnumResourceLanguagesW(module, type, name, addLanguage, found);
}

BOOL CALLBACK addTypeLanguages(HMODULE module, LPWSTR type, LONG_PTR found) {
    return EnumResourceNamesW(module, type, addNameLanguages, found);
}

std::wstring textOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

TEST(LaunchDialog, TemplateIsTheDialogAsDrawn) {
    const BYTE* bytes = dialogTemplate();
    ASSERT_NE(bytes, nullptr) << "no Finnish dialog 128";
    TemplateReader dialog(bytes);
    EXPECT_EQ(dialog.take<WORD>(), 1);
    EXPECT_EQ(dialog.take<WORD>(), 0xFFFF);
    dialog.take<DWORD>();
    EXPECT_EQ(dialog.take<DWORD>(), 0u);
    EXPECT_EQ(dialog.take<DWORD>(),
              DWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS));
    const WORD count = dialog.take<WORD>();
    for (const short expected : {0, 0, 201, 122}) {
        EXPECT_EQ(dialog.take<short>(), expected);
    }
    EXPECT_EQ(dialog.name(), L"");
    EXPECT_EQ(dialog.name(), L"");
    dialog.name(); // the caption: read back from the created window below
    EXPECT_EQ(dialog.take<WORD>(), 8);
    EXPECT_EQ(dialog.take<WORD>(), 400);
    EXPECT_EQ(dialog.take<BYTE>(), 0);
    EXPECT_EQ(dialog.take<BYTE>(), 1);
    EXPECT_EQ(dialog.name(), L"MS Shell Dlg");

    const struct {
        int id;
        const wchar_t* className; // as windres writes the class names it knows
        const wchar_t* text;
        DWORD style;
        short x, y, cx, cy;
    } controls[] = {
        {IDOK, L"BUTTON", L"VORNE", WS_TABSTOP | BS_DEFPUSHBUTTON, 95, 74, 99, 41},
        {IDCANCEL, L"BUTTON", L"LAME", WS_TABSTOP | BS_PUSHBUTTON, 7, 74, 88, 41},
        {IDC_RESOLUTION, L"COMBOBOX", L"", WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWN | CBS_SORT, 57,
         18, 134, 30},
        {-1, L"STATIC", L"Resolution", WS_GROUP | SS_LEFT, 7, 21, 38, 9},
        {-1, L"STATIC", L"Fullscreen", WS_GROUP | SS_LEFT, 7, 48, 33, 8},
        {IDC_FULLSCREEN, L"BUTTON", L"", WS_TABSTOP | BS_AUTOCHECKBOX, 58, 48, 16, 10},
        {IDC_PROBLEM, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 7, 60, 187, 10},
    };
    ASSERT_EQ(std::size_t{count}, std::size(controls));
    for (const auto& control : controls) {
        SCOPED_TRACE(control.text);
        dialog.alignToDword();
        dialog.take<DWORD>();
        EXPECT_EQ(dialog.take<DWORD>(), 0u);
        EXPECT_EQ(dialog.take<DWORD>(), WS_CHILD | WS_VISIBLE | control.style);
        for (const short expected : {control.x, control.y, control.cx, control.cy}) {
            EXPECT_EQ(dialog.take<short>(), expected);
        }
        EXPECT_EQ(dialog.take<int>(), control.id);
        EXPECT_EQ(dialog.name(), control.className);
        EXPECT_EQ(dialog.name(), control.text);
        EXPECT_EQ(dialog.take<WORD>(), 0);
    }
}

TEST(LaunchDialog, ProgramIsFinnishWithItsIconAndCommonControls6) {
    HMODULE module = GetModuleHandleW(nullptr);
    // Every resource, shader texts included: a lookup in another language would fall back.
    std::set<WORD> languages;
    EnumResourceTypesW(module, addTypeLanguages, reinterpret_cast<LONG_PTR>(&languages));
    EXPECT_EQ(languages, std::set<WORD>{kFinnish});
    HANDLE icon = LoadImageW(module, MAKEINTRESOURCEW(IDI_QUORVANE), IMAGE_ICON, 16, 16, 0);
    EXPECT_NE(icon, nullptr);
    DestroyIcon(static_cast<HICON>(icon));
    // Only the buttons of common controls 6, which the manifest asks for, know their ideal size.
    HWND button = CreateWindowW(L"Button", L"VORNE", WS_POPUP | BS_PUSHBUTTON, 0, 0, 50, 20,
                                nullptr, nullptr, nullptr, nullptr);
    SIZE ideal{0, 0};
    EXPECT_TRUE(SendMessageW(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
    DestroyWindow(button);
}

// A launch dialog from this program's own template on the real procedure, its owner disabled as
// DialogBoxParamW does; EndDialog enables the owner again. Neither is shown: Wine without a window
// manager takes seconds to hide a window.
class OpenDialog {
  public:
    explicit OpenDialog(LaunchDialogState& state)
        : owner(CreateWindowW(L"Static", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                              nullptr)),
          window(CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_LAUNCH), owner,
                                    launchDialogProc, reinterpret_cast<LPARAM>(&state))) {
        EnableWindow(owner, FALSE);
    }
    ~OpenDialog() {
        DestroyWindow(window);
        DestroyWindow(owner);
    }
    OpenDialog(const OpenDialog&) = delete;
    OpenDialog& operator=(const OpenDialog&) = delete;

    HWND item(int id) const { return GetDlgItem(window, id); }
    bool ended() const { return IsWindowEnabled(owner); }

    const HWND owner;
    const HWND window;
};

TEST(LaunchDialog, OpensOnTheSortedListWithTheFirstSizeChosen) {
    LaunchSettings settings;
    LaunchDialogState state{&settings, 4096};
    const OpenDialog dialog(state);
    ASSERT_NE(dialog.window, nullptr);
    EXPECT_EQ(textOf(dialog.window), L"Drannig & Velkorrin");
    HWND list = dialog.item(IDC_RESOLUTION);
    ASSERT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 2);
    for (const auto& [index, size] : {std::pair{0, L"1280x720"}, std::pair{1, L"1920x1080"}}) {
        wchar_t entry[32] = {};
        SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(entry));
        EXPECT_STREQ(entry, size);
    }
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(textOf(list), L"1280x720");
    EXPECT_EQ(IsDlgButtonChecked(dialog.window, IDC_FULLSCREEN), BST_UNCHECKED);
}

TEST(LaunchDialog, ConfirmsWhatCanBeRenderedAndRefusesTheRest) {
    const wchar_t* const kTooSmall = L"Width and height must be at least 1.";
    const wchar_t* const kTooLarge = L"Width and height must be at most 4096.";
    const struct {
        const wchar_t* typed; // nullptr: the text the dialog opened with
        bool ticked;
        WPARAM press;
        bool closes;
        LaunchSettings expected;
        const wchar_t* message;
    } rows[] = {
        {nullptr, false, IDOK, true, {1280, 720, false, true}, L""},
        {L"1920x1080", true, IDOK, true, {1920, 1080, true, true}, L""},
        {L"2560x1440", false, IDOK, true, {2560, 1440, false, true}, L""},
        {L"1600X900", true, IDOK, false, {0, 0, false, true}, kTooSmall},
        {L"0x0", false, IDOK, false, {0, 0, false, true}, kTooSmall},
        {L"4097x720", false, IDOK, false, {0, 0, false, true}, kTooLarge},
        {L"800x600", false, MAKEWPARAM(IDOK, 1), false, {0, 0, false, true}, L""},
        {nullptr, true, IDCANCEL, true, {0, 0, false, false}, L""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed ? row.typed : L"(untouched)");
        LaunchSettings settings;
        LaunchDialogState state{&settings, 4096};
        const OpenDialog dialog(state);
        ASSERT_NE(dialog.window, nullptr);
        if (row.typed) {
            SetWindowTextW(dialog.item(IDC_RESOLUTION), row.typed);
        }
        CheckDlgButton(dialog.window, IDC_FULLSCREEN, row.ticked ? BST_CHECKED : BST_UNCHECKED);
        SendMessageW(dialog.window, WM_COMMAND, row.press,
                     reinterpret_cast<LPARAM>(dialog.item(LOWORD(row.press))));
        EXPECT_EQ(dialog.ended(), row.closes);
        EXPECT_EQ(settings.width, row.expected.width);
        EXPECT_EQ(settings.height, row.expected.height);
        EXPECT_EQ(settings.fullscreen, row.expected.fullscreen);
        EXPECT_EQ(settings.confirmed, row.expected.confirmed);
        EXPECT_EQ(textOf(dialog.item(IDC_PROBLEM)), row.message);
    }
}

TEST(LaunchDialog, EveryRefusalSelectsTheTypedTextSoThatTypingReplacesIt) {
    LaunchSettings settings;
    LaunchDialogState state{&settings, 4096};
    const OpenDialog dialog(state);
    COMBOBOXINFO list{sizeof list, {}, {}, 0, nullptr, nullptr, nullptr};
    ASSERT_TRUE(GetComboBoxInfo(dialog.item(IDC_RESOLUTION), &list));
    SendMessageW(list.hwndItem, EM_SETSEL, 0, -1);
    for (const std::wstring typed : {L"0x0", L"640"}) {
        for (const wchar_t c : typed) {
            SendMessageW(list.hwndItem, WM_CHAR, c, 0);
        }
        SendMessageW(dialog.window, WM_COMMAND, IDOK, 0);
        ASSERT_EQ(textOf(list.hwndItem), typed);
        DWORD start = 1, end = 0;
        SendMessageW(list.hwndItem, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, typed.size());
    }
}

} // namespace
