#include "app/headless_gl_window.h"
#include "app/launch_dialog.h"
#include "demo/run_demo.h"

#include <windows.h>

#include <cstdio>
#include <exception>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    LaunchSettings settings;
    if (!runLaunchDialog(settings, maxRenderSize())) {
        return 1;
    }
    if (!settings.confirmed) {
        // Nothing has been created yet that would need a teardown.
        ExitProcess(0);
    }
    try {
        return runDemo(settings);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        std::fflush(stderr);
        return 1;
    }
}
