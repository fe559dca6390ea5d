#pragma once

#include <stdexcept>
#include <string>
#include <vector>

enum class CaptureMode {
    Frame,    // --time T --out FILE.png
    Sequence, // --from A --to B --out DIR
    Video,    // --video FILE.mp4 [--from A] [--to B]
    Camera,   // --camera T [T ...]
    Bench,    // --bench
};

struct CaptureOptions {
    CaptureMode mode = CaptureMode::Frame;
    int width = 1280;
    int height = 720;
    std::string out;
    float time = 0.0f;
    std::string volumePath;
    std::string surfacePath;
    float from = 0.0f;
    float to = 0.0f;
    double fps = 60.0;
    std::string videoPath;
    bool force = false;
    std::vector<float> cameraTimes;
    int benchFrames = 30;
};

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

extern const char* const kCaptureUsage;

// Reads the arguments after the program name; throws UsageError saying what is wrong.
CaptureOptions parseCaptureOptions(const std::vector<std::string>& args);
