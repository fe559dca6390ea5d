#include "app/music_clock.h"

#include <gtest/gtest.h>

namespace {

TEST(MusicClock, CatchesUpInWholeSixtiethsReadingTheMusicAfterEachStep) {
    // A little behind, far behind, ahead, level, and ahead by less than a float tells apart.
    for (const auto& [start, music, steps] : {std::tuple{0.990f, 1.000, 1},
                                              {0.990f, 1.050, 4},
                                              {0.990f, 0.985, 0},
                                              {0.990f, double(0.990f), 0},
                                              {100.0f, double(100.0f) + 1e-9, 1}}) {
        int reads = 0;
        const float t = catchUp(start, [&reads, music] {
            ++reads;
            return music;
        });
        float expected = start;
        for (int i = 0; i < steps; ++i)
            expected += 1.0f / 60.0f;
        EXPECT_EQ(t, expected) << music;
        EXPECT_EQ(reads, steps + 1) << music;
    }
    EXPECT_NEAR(catchUp(0.990f, [] { return 1.05; }), 1.0567, 1e-4);
}

} // namespace
