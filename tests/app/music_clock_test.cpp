#include "app/music_clock.h"

#include <gtest/gtest.h>

namespace {

// A music position that stays put, counting how often the clock reads it.
struct FixedPosition {
    double seconds;
    int reads = 0;
    double operator()() {
        ++reads;
        return seconds;
    }
};

// t after the given number of float sixtieth steps from start.
float stepped(float start, int steps) {
    float t = start;
    for (int i = 0; i < steps; ++i)
        t += 1.0f / 60.0f;
    return t;
}

TEST(MusicClock, CatchesUpInWholeSixtiethsUntilNoLongerBehind) {
    struct Case {
        double music;
        int steps;
        double approximately;
    };
    // t = 0.990 after a frame, with the music a little behind, a little ahead and far ahead.
    for (const Case& c : {Case{1.000, 1, 1.0067}, Case{1.050, 4, 1.0567}, Case{0.985, 0, 0.990}}) {
        SCOPED_TRACE(c.music);
        FixedPosition position{c.music};
        const float t = catchUp(0.990f, std::ref(position));
        EXPECT_EQ(t, stepped(0.990f, c.steps));
        EXPECT_NEAR(t, c.approximately, 1e-4);
        EXPECT_EQ(position.reads, c.steps + 1) << "the position is read again after every step";
    }
}

TEST(MusicClock, StaysWhenLevelWithTheMusic) {
    FixedPosition position{static_cast<double>(0.990f)};
    EXPECT_EQ(catchUp(0.990f, std::ref(position)), 0.990f);
}

TEST(MusicClock, ComparesInDoublePrecision) {
    // Ahead by less than a float can tell apart at this magnitude, but ahead all the same.
    FixedPosition position{static_cast<double>(100.0f) + 1e-9};
    EXPECT_EQ(catchUp(100.0f, std::ref(position)), stepped(100.0f, 1));
}

TEST(MusicClock, FollowsMusicThatMovesOnDuringTheCatchUp) {
    // Each read finds the music 1/120 s further on, so t needs more steps than at first sight.
    double music = 2.0;
    const float t = catchUp(1.905f, [&music] {
        const double now = music;
        music += 1.0 / 120.0;
        return now;
    });
    const double lastRead = music - 1.0 / 120.0;
    EXPECT_GE(static_cast<double>(t), lastRead);
    EXPECT_LT(static_cast<double>(t) - lastRead, 1.0 / 60.0);
    EXPECT_EQ(t, stepped(1.905f, 12));
}

} // namespace
