#include "app/launch_dialog.h"
bool runLaunchDialog(LaunchSettings&, std::optional<int>) { return false; }
