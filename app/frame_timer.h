#pragma once

#include <cstdint>

// Measures the GPU time of one frame with a GL_TIME_ELAPSED query. The web build cannot wait for
// a query: there end() gives the latest result that has arrived (0 until the first one).
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
    // The web build's query: counting this frame, or ended and its result not yet read; and the
    // last result it delivered.
    bool running_ = false;
    bool pending_ = false;
    std::uint64_t last_ = 0;
};
