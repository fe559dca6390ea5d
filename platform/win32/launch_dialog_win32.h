#pragma once

#include "app/launch_settings.h"

#include <windows.h>

#include <optional>

// The launch dialog's init parameter: the record it writes and the size limit it enforces.
struct LaunchDialogState {
    LaunchSettings* settings;
    std::optional<int> maxSize;
};

// The procedure of dialog IDD_LAUNCH, reachable so that tests can drive the real dialog.
INT_PTR CALLBACK launchDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
