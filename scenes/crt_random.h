#pragma once

#include <cstdint>

// The classic C runtime rand() as if never seeded: the same sequence on every platform, so what
// is scattered with it (dust, ground) comes out the same everywhere.
class CrtRandom {
  public:
    static constexpr int max = 0x7FFF;

    // The next value of the sequence, 0 .. max.
    int next();

  private:
    std::uint32_t state_ = 1;
};
