#include "app/launch_settings.h"

#include <climits>
#include <cstdint>

namespace {

// Without a GL to ask, still refuse sizes no window system can make (X11 sizes are 16-bit).
constexpr int kLargestWindowSide = 65535;

bool isScanSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// One "%d": blanks, an optional sign, decimal digits. Saturates instead of overflowing so that an
// absurd number is refused later rather than wrapping into a plausible size.
bool scanInt(const std::string& text, std::size_t& at, int& value) {
    while (at < text.size() && isScanSpace(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    if (at >= text.size() || !isDigit(text[at]))
        return false;
    constexpr std::int64_t kBeyondInt = std::int64_t{INT_MAX} + 2;
    std::int64_t magnitude = 0;
    for (; at < text.size() && isDigit(text[at]); ++at)
        if (magnitude < kBeyondInt)
            magnitude = magnitude * 10 + (text[at] - '0');
    const std::int64_t signedValue = negative ? -magnitude : magnitude;
    value = static_cast<int>(signedValue < INT_MIN   ? INT_MIN
                             : signedValue > INT_MAX ? INT_MAX
                                                     : signedValue);
    return true;
}

} // namespace

void parseResolution(const std::string& text, LaunchSettings& settings) {
    std::size_t at = 0;
    if (!scanInt(text, at, settings.width))
        return;
    if (at >= text.size() || text[at] != 'x')
        return;
    ++at;
    scanInt(text, at, settings.height);
}

std::optional<std::string> resolutionProblem(const LaunchSettings& settings,
                                             std::optional<int> maxSize) {
    if (settings.width < 1 || settings.height < 1)
        return "Width and height must be at least 1.";
    const int largest = maxSize.value_or(kLargestWindowSide);
    if (settings.width > largest || settings.height > largest)
        return "Width and height must be at most " + std::to_string(largest) + ".";
    return std::nullopt;
}

std::optional<std::string> applyConfirm(LaunchSettings& settings, const std::string& text,
                                        bool fullscreenTicked, std::optional<int> maxSize) {
    LaunchSettings choice = settings;
    parseResolution(text, choice);
    // Only ever set, never cleared; judged by the box as it stands at this press.
    if (fullscreenTicked)
        choice.fullscreen = true;
    if (auto problem = resolutionProblem(choice, maxSize))
        return problem;
    settings = choice;
    return std::nullopt;
}
