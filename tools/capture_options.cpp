#include "tools/capture_options.h"

#include "app/timeline_moments.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

const char* const kCaptureUsage =
    "usage: quorvane-capture [--size WxH] --time T --out FILE.png [--volume FILE] "
    "[--surface FILE.ply]\n"
    "       quorvane-capture [--size WxH] --from A --to B [--fps F] --out DIR\n"
    "       quorvane-capture [--size WxH] --video FILE.mp4 [--from A] [--to B] [--fps F] "
    "[--force]\n"
    "       quorvane-capture --camera T [T ...]\n"
    "       quorvane-capture [--size WxH] --bench [--frames N]\n";

namespace {

// A music time as the clock holds it: the float nearest to the decimal text.
float parseTime(const std::string& text) {
    errno = 0;
    char* end = nullptr;
    const float t = std::strtof(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(t) || t < 0.0f)
        throw UsageError("not a music time in seconds: '" + text + "'");
    return t;
}

long parseWhole(const std::string& text, long lowest, long highest, const char* what) {
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || value < lowest || value > highest)
        throw UsageError(std::string("not a valid ") + what + ": '" + text + "'");
    return value;
}

void parseSize(const std::string& text, CaptureOptions& options) {
    const auto x = text.find('x');
    if (x == std::string::npos)
        throw UsageError("size must be WIDTHxHEIGHT: '" + text + "'");
    options.width = static_cast<int>(parseWhole(text.substr(0, x), 1, 16384, "width"));
    options.height = static_cast<int>(parseWhole(text.substr(x + 1), 1, 16384, "height"));
}

bool isOption(const std::string& arg) {
    return arg.size() > 2 && arg[0] == '-' && arg[1] == '-';
}

} // namespace

CaptureOptions parseCaptureOptions(const std::vector<std::string>& args) {
    CaptureOptions options;
    bool time = false, from = false, to = false, camera = false, bench = false;
    bool fps = false, frames = false, force = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size() || isOption(args[i + 1]))
                throw UsageError(arg + " needs a value");
            return args[++i];
        };
        if (arg == "--size") {
            parseSize(value(), options);
        } else if (arg == "--time") {
            options.time = parseTime(value());
            time = true;
        } else if (arg == "--out") {
            options.out = value();
        } else if (arg == "--volume") {
            options.volumePath = value();
        } else if (arg == "--surface") {
            options.surfacePath = value();
        } else if (arg == "--from") {
            options.from = parseTime(value());
            from = true;
        } else if (arg == "--to") {
            options.to = parseTime(value());
            to = true;
        } else if (arg == "--fps") {
            options.fps = static_cast<double>(parseWhole(value(), 1, 1000, "frame rate"));
            fps = true;
        } else if (arg == "--video") {
            options.videoPath = value();
        } else if (arg == "--force") {
            options.force = force = true;
        } else if (arg == "--frames") {
            options.benchFrames = static_cast<int>(parseWhole(value(), 1, 100000, "frame count"));
            frames = true;
        } else if (arg == "--bench") {
            bench = true;
        } else if (arg == "--camera") {
            camera = true;
            while (i + 1 < args.size() && !isOption(args[i + 1]))
                options.cameraTimes.push_back(parseTime(args[++i]));
            if (options.cameraTimes.empty())
                throw UsageError("--camera needs at least one time");
        } else {
            throw UsageError("unknown argument '" + arg + "'");
        }
    }

    const bool video = !options.videoPath.empty();
    const int modes =
        int(time) + int((from || to) && !video) + int(camera) + int(bench) + int(video);
    if (modes != 1)
        throw UsageError(
            "choose exactly one of --time, --from/--to, --video, --camera and --bench");
    if (time) {
        options.mode = CaptureMode::Frame;
    } else if (video) {
        options.mode = CaptureMode::Video;
        if (!to)
            options.to = timeline::asFloat(timeline::end);
        if (options.to <= options.from)
            throw UsageError("--video needs --from A before --to B");
        // 4:2:0 colour halves both sides; MP4 holds H.264 from 16 pixels on.
        if (options.width % 2 != 0 || options.height % 2 != 0 || options.width < 16 ||
            options.height < 16)
            throw UsageError("--video needs an even width and height of at least 16");
    } else if (from || to) {
        options.mode = CaptureMode::Sequence;
        if (!from || !to || options.to < options.from)
            throw UsageError("--from A --to B needs both times, with A <= B");
    } else {
        options.mode = camera ? CaptureMode::Camera : CaptureMode::Bench;
    }
    const bool rendersImages =
        options.mode == CaptureMode::Frame || options.mode == CaptureMode::Sequence;
    if (rendersImages && options.out.empty())
        throw UsageError("--out is needed to write images");
    if (!rendersImages && !options.out.empty())
        throw UsageError("--out goes with --time or --from/--to");
    if (options.mode != CaptureMode::Frame &&
        (!options.volumePath.empty() || !options.surfacePath.empty()))
        throw UsageError("--volume and --surface go with --time");
    if (options.mode != CaptureMode::Sequence && options.mode != CaptureMode::Video && fps)
        throw UsageError("--fps goes with --from/--to or --video");
    if (options.mode != CaptureMode::Video && force)
        throw UsageError("--force goes with --video");
    if (options.mode != CaptureMode::Bench && frames)
        throw UsageError("--frames goes with --bench");
    return options;
}
