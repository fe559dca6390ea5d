#pragma once

#include "tools/media_pipeline.h"

#include <cstdint>
#include <string>
#include <vector>

// The music file decoded from its start to stereo 16-bit samples at 44.1 kHz, read on in order,
// so that sample frame n is music time n / 44100 exactly as the demo's clock counts it.
class SoundtrackReader {
  public:
    static constexpr int sampleRate = 44100;
    static constexpr int channels = 2;

    // Throws std::runtime_error when the file cannot be opened or decoded.
    explicit SoundtrackReader(const std::string& path);

    // Skips the sound up to sample frame `frame` (frames already passed stay passed).
    void skipTo(std::uint64_t frame);
    // The interleaved samples of the next `frames` sample frames, fewer at the end of the music.
    std::vector<std::int16_t> read(std::uint64_t frames);
    bool ended() const { return ended_ && pending_.size() == pendingFrom_; }

  private:
    // Appends the next decoded buffer to pending_; false at the end of the music.
    bool decodeMore();

    MediaPipeline pipeline_;
    GstElement* sink_;
    std::vector<std::int16_t> pending_;
    std::size_t pendingFrom_ = 0;
    std::uint64_t position_ = 0;
    bool ended_ = false;
};
