#include "scenes/crt_random.h"
#include "scenes/dust_cloud.h"
#include "scenes/plume_scene.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(CrtRandomTest, EveryGeneratorStartsTheClassicUnseededSequence) {
    // The first values of the Windows C runtime's rand() when it was never seeded.
    const std::vector<int> classic = {41,    18467, 6334,  26500, 19169, 15724, 11478,
                                      29358, 26962, 24464, 5705,  28145, 23281, 16827};
    for (int run = 0; run < 2; ++run) {
        CrtRandom random;
        for (const int value : classic)
            EXPECT_EQ(random.next(), value);
    }
}

TEST(DustCloudTest, MotesAreTheSequenceMappedToTheSpanXYZPerPoint) {
    CrtRandom random;
    // ((r mod 10000) / 10000 - 0.5) * span for r = 41, 18467, 6334, then 26500, 19169, 15724.
    const std::vector<float> two = scatterDust(random, 2, PlumeScene::dustSpan);
    const std::vector<float> expected = {-4.959f, 3.467f, 1.334f, 1.5f, 4.169f, 0.724f};
    ASSERT_EQ(two.size(), expected.size());
    for (size_t i = 0; i < two.size(); ++i)
        EXPECT_NEAR(two[i], expected[i], 1e-5f) << i;
    // The next call goes on with 11478 (then 29358, 26962) at its own span.
    EXPECT_NEAR(scatterDust(random, 1, 40.0f)[0], (0.1478f - 0.5f) * 40.0f, 1e-4f);
    EXPECT_TRUE(scatterDust(random, 0, 10.0f).empty());
    EXPECT_EQ(random.next(), 24464);
}

} // namespace
