#pragma once

#include <chrono>

// Stands in for the music when the file cannot be played, so the timeline still advances.
class WallClock {
  public:
    using Clock = std::chrono::steady_clock;

    // Runs from the set position as of `since`; a second start changes nothing.
    void start(Clock::time_point since = Clock::now()) {
        if (running_)
            return;
        running_ = true;
        startedAt_ = since;
    }
    void set(double seconds) {
        offset_ = seconds;
        startedAt_ = Clock::now();
    }
    double seconds() const {
        if (!running_)
            return offset_;
        const std::chrono::duration<double> elapsed = Clock::now() - startedAt_;
        return offset_ + elapsed.count();
    }

  private:
    bool running_ = false;
    double offset_ = 0.0;
    Clock::time_point startedAt_;
};
