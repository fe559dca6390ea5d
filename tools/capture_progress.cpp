#include "tools/capture_progress.h"

#include <cmath>

namespace {

constexpr int kBarWidth = 30;

double framesPerSecond(int done, double seconds) {
    return seconds > 0.0 ? done / seconds : 0.0;
}

// h:mm:ss, or m:ss under an hour, of the frames left at the rate so far.
std::string timeLeft(int done, int total, double seconds) {
    if (done <= 0)
        return "?";
    const long left = std::lround(seconds / done * (total - done));
    char text[32];
    if (left >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", left / 3600, left / 60 % 60, left % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", left / 60, left % 60);
    return text;
}

} // namespace

std::string progressBar(int done, int total, double seconds) {
    const int filled =
        total > 0 ? static_cast<int>(static_cast<long>(done) * kBarWidth / total) : 0;
    char text[160];
    std::snprintf(text, sizeof text, "[%s%s] %d/%d frames  %.1f frames/s  %s left",
                  std::string(static_cast<std::size_t>(filled), '#').c_str(),
                  std::string(static_cast<std::size_t>(kBarWidth - filled), ' ').c_str(), done,
                  total, framesPerSecond(done, seconds), timeLeft(done, total, seconds).c_str());
    return text;
}

std::string progressLine(int done, int total, double seconds) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "quorvane-capture: %d%% (%d/%d frames), %.1f frames/s, %s left",
                  static_cast<int>(static_cast<long>(done) * 100 / total), done, total,
                  framesPerSecond(done, seconds), timeLeft(done, total, seconds).c_str());
    return text;
}

CaptureProgress::CaptureProgress(std::FILE* stream, bool terminal, int total)
    : stream_(stream), terminal_(terminal), total_(total) {}

void CaptureProgress::frameDone(int done, double seconds) {
    if (terminal_) {
        // Ten redraws a second are plenty, however fast the frames come.
        if (done != total_ && lastDrawn_ >= 0.0 && seconds < lastDrawn_ + 0.1)
            return;
        lastDrawn_ = seconds;
        // Carriage return and erase to the end of the line: the bar is redrawn in place.
        std::fprintf(stream_, "\r%s\033[K%s", progressBar(done, total_, seconds).c_str(),
                     done == total_ ? "\n" : "");
    } else {
        const int tenths = static_cast<int>(static_cast<long>(done) * 10 / total_);
        if (tenths <= tenthsReported_)
            return;
        tenthsReported_ = tenths;
        std::fprintf(stream_, "%s\n", progressLine(done, total_, seconds).c_str());
    }
    std::fflush(stream_);
}
