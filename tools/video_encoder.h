#pragma once

#include "tools/media_pipeline.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The one line to print when this machine lacks a GStreamer element that writing a video needs:
// the element and the Debian package that brings it; nothing when all are there.
std::optional<std::string> missingVideoElement();

// An MP4 file being written by GStreamer: H.264 video (4:2:0) from RGBA frames, top row first,
// pushed one at a time at a fixed frame rate, with the soundtrack's samples (SoundtrackReader's
// format) pushed alongside and encoded as MP3. The file is complete only after finish().
class VideoEncoder {
  public:
    // Starts the pipeline; throws std::runtime_error saying why it cannot.
    VideoEncoder(const std::string& path, int width, int height, int fps);

    // The next frame, width x height x 4 bytes. Waits while the encoder is a few frames behind.
    void pushFrame(std::span<const std::uint8_t> rgba);
    // The next interleaved samples; push the sound of a frame before the frame itself, so that
    // the muxer never waits for sound while the video waits for room.
    void pushSamples(std::span<const std::int16_t> samples);
    // No more sound (the soundtrack ended): the video goes on silent.
    void endSamples();
    // Ends both streams and waits until the file is written.
    void finish();

  private:
    // Throws with the pipeline's own message when it has failed.
    void throwIfFailed();

    MediaPipeline pipeline_;
    GstElement* video_;
    GstElement* audio_;
    int fps_;
    std::size_t frameBytes_;
    std::uint64_t frames_ = 0;
    std::uint64_t samples_ = 0;
    bool samplesEnded_ = false;
};
