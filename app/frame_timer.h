#pragma once

#include <cstdint>

// Measures the GPU time of one frame with a GL_TIME_ELAPSED query.
class FrameTimer {
  public:
    FrameTimer();
    ~FrameTimer();
    FrameTimer(const FrameTimer&) = delete;
    FrameTimer& operator=(const FrameTimer&) = delete;

    void begin();
    // Ends the query and waits for its result: the frame's GPU time in nanoseconds.
    std::uint64_t end();

  private:
    unsigned query_ = 0;
};
