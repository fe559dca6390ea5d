#pragma once

#include "app/launch_settings.h"

#include <optional>

// Shows the modal launch dialog and fills settings. Returns false when no display can be opened.
// A cancel leaves settings.confirmed false; a confirm leaves a resolution that passed
// resolutionProblem() with maxSize.
bool runLaunchDialog(LaunchSettings& settings, std::optional<int> maxSize);

// Ends the process at once with exit code `code`: after a cancel nothing exists yet that would
// need a teardown.
[[noreturn]] void endProcessNow(int code);
