#include "scenes/crt_random.h"

#include <gtest/gtest.h>

#include <array>

namespace {

TEST(CrtRandomTest, StartsWithTheClassicUnseededSequence) {
    // The first values of the Windows C runtime's rand() when it was never seeded.
    constexpr std::array<int, 20> classic = {41,    18467, 6334,  26500, 19169, 15724, 11478,
                                             29358, 26962, 24464, 5705,  28145, 23281, 16827,
                                             9961,  491,   2995,  11942, 4827,  5436};
    CrtRandom random;
    for (size_t i = 0; i < classic.size(); ++i)
        EXPECT_EQ(random.next(), classic[i]) << "value " << i;
}

TEST(CrtRandomTest, EveryGeneratorStartsAfresh) {
    CrtRandom first;
    for (int i = 0; i < 1000; ++i)
        first.next();
    CrtRandom second;
    EXPECT_EQ(second.next(), 41);
}

TEST(CrtRandomTest, ValuesCoverTheWholeRangeAndNoMore) {
    // Over many wraps of the 32-bit state both ends of 0 .. 32767 turn up, nothing beyond them.
    CrtRandom random;
    int lowest = CrtRandom::max;
    int highest = 0;
    for (int i = 0; i < 1000000; ++i) {
        const int value = random.next();
        lowest = std::min(lowest, value);
        highest = std::max(highest, value);
    }
    EXPECT_EQ(lowest, 0);
    EXPECT_EQ(highest, CrtRandom::max);
}

} // namespace
