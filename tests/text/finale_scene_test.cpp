#include "tests/text/finale_fixture.h"
#include "text/finale_geometry.h"

#include <cmath>
#include <stdexcept>

namespace {

TEST_F(FinaleSceneTest, TakesTheDustThenTheGroundCellsAsTwoTrianglesWithUnnormalisedNormals) {
    CrtRandom random;
    const std::vector<float> dust = readVertexBuffer(scene().dustMesh(), 30000);
    for (size_t n = 0; n < dust.size(); ++n)
        ASSERT_EQ(dust[n], (random.next() % 10000 / 10000.0f - 0.5f) * 40.0f) << n;
    // The ground's heights from the generator's next 65 x 65 values, rows along x.
    std::vector<float> heights;
    for (int n = 0; n < 65 * 65; ++n) {
        const double r = std::hypot(n / 65 - 32.0, n % 65 - 32.0) / 64.0;
        const double h = random.next() % 10000 / 1e4 * std::max(r - 0.2, 0.004) * 10.0 - 1.85;
        heights.push_back(static_cast<float>(r > 0.5 ? 0.2 * h : h));
    }
    const std::vector<float> v = readVertexBuffer(scene().groundMesh(), 24576 * 6);
    // Corners (i, j), (i+1, j+1), (i+1, j), then (i+1, j+1), (i, j), (i, j+1) of cell (i, j).
    const int corners[6] = {0, 66, 65, 66, 0, 1};
    for (size_t k = 0; k < 24576; ++k) {
        const int at = int(k / 6 / 64 * 65 + k / 6 % 64) + corners[k % 6];
        ASSERT_NEAR(v[6 * k], (at / 65 / 64.0 - 0.5) * 50.0, 1e-5) << k;
        ASSERT_EQ(v[6 * k + 1], heights[at]) << k;
        ASSERT_NEAR(v[6 * k + 2], (at % 65 / 64.0 - 0.5) * 50.0 - 1.0, 1e-5) << k;
        // Wound counter-clockwise from above, the normal pointing away from that face and as
        // long as the sine between the edges.
        std::array<double, 3> a{}, b{};
        for (size_t c = 0; k % 3 == 2 && c < 3; ++c) {
            a[c] = v[6 * k - 6 + c] - v[6 * k - 12 + c];
            b[c] = v[6 * k + c] - v[6 * k - 12 + c];
        }
        const double sines = std::hypot(a[0], a[1], a[2]) * std::hypot(b[0], b[1], b[2]);
        const double front[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                                 a[0] * b[1] - a[1] * b[0]};
        ASSERT_TRUE(k % 3 != 2 || front[1] > 0.0) << k;
        for (size_t c = 0; k % 3 == 2 && c < 3; ++c)
            for (size_t corner = 0; corner < 3; ++corner)
                ASSERT_NEAR(v[6 * (k - corner) + 3 + c], -front[c] / sines, 1e-5) << k;
    }
    EXPECT_THROW(groundVertices(std::vector<float>(64 * 64)), std::invalid_argument);
}

TEST_F(FinaleSceneTest, EmptyPixelsShowTheSkyWithHalfGrainFadedOnce) {
    // Far beyond the scene, looking away from it; the sky warm, turning grey, fading and faded.
    const Camera away{{0.0, 0.0, 100.0}, {3.141592653589793 - 0.3, -0.2}};
    for (const double t : {100.0, 133.0, 194.8, 198.0, 200.0}) {
        drawAt(scene(), t, away);
        expectEmptySky(t, away);
    }
}

TEST_F(FinaleSceneTest, DrawsGroundAndBlobsUntil135AndTheTextLiftedAfter) {
    scene().update(134.99);
    setParticles({0.0f, -1000.0f, 0.0f, 1.0f}, {0.0f, -1000.0f, 0.0f, 1.0f});
    // Straight down onto flat ground away from blobs and dust: grey 0.05 + 0.4 (0.5 - 0.5 *
    // 0.707 * 0.577) = 0.168 from the downward normal, plus the cell lines and grain.
    const Camera down{{7.0, 3.0, 6.0}, {0.0, 1.5}};
    drawAt(scene(), 134.99, down);
    const auto ground = pixelAt(width / 2, height / 2);
    EXPECT_NEAR(ground[0], 49, 9);
    EXPECT_TRUE(std::abs(ground[1] - ground[0]) <= 1 && std::abs(ground[2] - ground[0]) <= 1);
    drawAt(scene(), 135.0, down);
    expectEmptySky(135.0, down);
    // The blob shader's yellow-green, then the text shader's red on the same quads, lifted by 20
    // only after 135.
    const Camera level{{0.0, 2.5, 25.0}, {0.0, 0.0}}, higher{{0.0, 22.5, 25.0}, {0.0, 0.0}};
    for (const auto& [t, camera, shade] : {std::tuple{134.99, level, 'g'},
                                           {135.0, level, 'r'},
                                           {135.0, higher, '-'},
                                           {135.01, level, '-'},
                                           {135.01, higher, 'r'}}) {
        drawAt(scene(), t, camera);
        int green = 0, red = 0;
        for (const auto& p : readWindow(width, height)) {
            green += p[1] > p[0] + 3 && p[1] > p[2];
            red += p[0] > p[1] + 25;
        }
        EXPECT_TRUE((green > 5) == (shade == 'g') && (red > 0) == (shade == 'r'))
            << t << ": " << green << " green, " << red << " red";
    }
}

} // namespace
