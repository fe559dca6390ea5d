#include "demo/run_program.h"

#include "app/headless_gl_window.h"
#include "app/launch_dialog.h"
#include "demo/run_demo.h"

#include <cstdio>
#include <exception>

int runProgram() {
    LaunchSettings settings;
    if (!runLaunchDialog(settings, maxRenderSize()))
        return 1;
    if (!settings.confirmed)
        endProcessNow(0);
    try {
        return runDemo(settings);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        std::fflush(stderr);
        return 1;
    }
}
