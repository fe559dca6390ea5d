#pragma once

#include "app/gl_window.h"
#include "demo/demo_scenes.h"
#include "tools/capture_options.h"

#include <optional>
#include <string>

// Why a video cannot be written here, checked before anything is rendered: a GStreamer element
// missing, the output already there without --force, no soundtrack. Nothing when it can.
std::optional<std::string> videoRefusal(const CaptureOptions& options);

// The frames of a video from `from` to `to` at `fps`: those whose video time n / fps lies before
// to - from.
int videoFrameCount(float from, float to, int fps);
// The music time of video frame n: the moment --time renders for from + n / fps.
float videoFrameTime(float from, int n, int fps);

// Renders the frames between options.from and options.to straight into an MP4 with the
// soundtrack from options.from on, reporting progress on standard error. The file appears only
// when complete. Returns the process exit code: 0, or 130 when interrupted.
int captureVideo(const CaptureOptions& options, GlWindow& window, DemoScenes& scenes);
