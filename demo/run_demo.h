#pragma once

#include "app/launch_settings.h"

// Runs the demo after the launch dialog: start-up, the frame loop until 200 s of music time,
// Escape or a closed window, then teardown. Returns the process exit code.
// Throws std::runtime_error when the window or its GL context cannot be made.
int runDemo(const LaunchSettings& settings);
