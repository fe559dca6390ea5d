#pragma once

#include <optional>
#include <string>

// What the viewer chose in the launch dialog; read once when the window is created.
struct LaunchSettings {
    int width = 0;
    int height = 0;
    bool fullscreen = false;
    // Only an explicit cancel clears it.
    bool confirmed = true;
};

// Reads "<width>x<height>" the way "%dx%d" scanning does: each number that is reached is stored,
// a field the text does not reach keeps its value. A number beyond int saturates at its limit.
void parseResolution(const std::string& text, LaunchSettings& settings);

// Why a resolution cannot be rendered (below 1x1, or above maxSize when it is known), or nothing.
std::optional<std::string> resolutionProblem(const LaunchSettings& settings,
                                             std::optional<int> maxSize);

// One press of the confirm button: the text is parsed over the values the dialog opened with and
// a ticked box sets fullscreen. A refused resolution leaves settings untouched and returns the
// message to show; otherwise settings holds the choice and nothing is returned.
std::optional<std::string> applyConfirm(LaunchSettings& settings, const std::string& text,
                                        bool fullscreenTicked, std::optional<int> maxSize);
