#include "tests/text/finale_fixture.h"

#include <cmath>
#include <vector>

namespace {

// Far beyond the scene, looking away from it (yaw near pi looks along +z), tilted up a little:
// every pixel is empty.
const Camera awayFromScene = cameraAt(0.0, 0.0, 100.0, 3.141592653589793 - 0.3, -0.2);

double meanBrightness(int w, int h) {
    double sum = 0.0;
    for (const Pixel& p : readWindow(w, h))
        sum += channel(p, 0) + channel(p, 1) + channel(p, 2);
    return sum / (3.0 * w * h);
}

TEST_F(FinaleSceneTest, EmptyPixelsShowTheSkyWithHalfGrain) {
    // 133 s: the sky halfway to grey; 194.8 s: the fade has just begun.
    for (const double t : {100.0, 133.0, 194.8}) {
        draw(t, awayFromScene);
        const double grain = expectEmptySky(width, height, t, awayFromScene);
        // Half of 0.04 times a dither uniform in [0, 1) averages about 0.01.
        EXPECT_GT(grain, 0.005) << "t = " << t;
        EXPECT_LT(grain, 0.015) << "t = " << t;
    }
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(FinaleSceneTest, FadesToAlmostBlackByTheEnd) {
    // Fade factors 0.994, 0.159 and 0.0054: the scene image's own faded sky must not be faded
    // twice where nothing was drawn.
    draw(194.8, awayFromScene);
    const double start = meanBrightness(width, height);
    draw(198.0, awayFromScene);
    expectEmptySky(width, height, 198.0, awayFromScene);
    const double late = meanBrightness(width, height);
    EXPECT_NEAR(late / start, fadeAt(198.0) / fadeAt(194.8), 0.05);

    draw(200.0, awayFromScene);
    expectEmptySky(width, height, 200.0, awayFromScene);
    for (const Pixel& p : readWindow(width, height))
        for (int c = 0; c < 3; ++c)
            ASSERT_LE(p[static_cast<size_t>(c)], 1);
}

} // namespace
