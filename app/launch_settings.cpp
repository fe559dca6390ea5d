#include "app/launch_settings.h"
void parseResolution(const std::string&, LaunchSettings&) {}
std::optional<std::string> resolutionProblem(const LaunchSettings&, std::optional<int>) { return "unimplemented"; }
