#include "tests/text/finale_fixture.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr size_t particleCount =
    static_cast<size_t>(FinaleScene::particleSide) * FinaleScene::particleSide;

// Beyond the faces of the cube where the step samples the field, the edge's values (no surface).
bool outsideFieldCube(const Float4& p) {
    return std::fabs(p[0]) > 5.2f || std::fabs(p[1] - 22.5f) > 5.2f ||
           std::fabs(p[2] + 5.0f) > 5.2f;
}

struct Range {
    float low = 1e30f;
    float high = -1e30f;
    void add(float v) {
        low = std::min(low, v);
        high = std::max(high, v);
    }
};

TEST_F(FinaleSceneTest, SeedsACloudAroundHeight24WithLivesFrom04To14) {
    const std::vector<Float4> seeded = readParticles(scene());
    ASSERT_EQ(seeded.size(), particleCount);
    std::array<Range, 4> ranges;
    for (const Float4& p : seeded)
        for (int c = 0; c < 4; ++c)
            ranges[c].add(p[c]);
    // (h - 0.5) sqrt|h - 0.5| reaches +-0.354: x and y spread +-10.6, z +-40 and life 0.9 +- 0.5.
    const std::array<float, 4> centre{0.0f, 24.0f, 0.0f, 0.9f};
    const std::array<float, 4> reach{10.61f, 10.61f, 40.0f, 0.5f};
    for (int c = 0; c < 4; ++c) {
        EXPECT_GE(ranges[c].low, centre[c] - reach[c]) << "component " << c;
        EXPECT_LE(ranges[c].high, centre[c] + reach[c]) << "component " << c;
        EXPECT_LT(ranges[c].low, centre[c] - 0.97f * reach[c]) << "component " << c;
        EXPECT_GT(ranges[c].high, centre[c] + 0.97f * reach[c]) << "component " << c;
    }
}

TEST_F(FinaleSceneTest, StepsFrom131ReadingTheSeedAndWritingTheOtherTexture) {
    const GLuint seedTexture = scene().currentParticles().id();
    const std::vector<Float4> seeded = readParticles(scene());

    scene().update(130.99);
    EXPECT_EQ(scene().currentParticles().id(), seedTexture);
    EXPECT_EQ(readParticles(scene()), seeded);

    scene().update(131.0);
    const GLuint stepped = scene().currentParticles().id();
    EXPECT_NE(stepped, seedTexture);
    const std::vector<Float4> first = readParticles(scene());
    double meanDz = 0.0;
    size_t free = 0;
    size_t wrong = 0;
    for (size_t i = 0; i < particleCount; ++i) {
        // Every seeded life is at least 0.4, so none respawns: each ages by 0.005.
        const bool aged = first[i][3] == seeded[i][3] - 0.005f;
        if (!aged && ++wrong <= 5)
            ADD_FAILURE() << "particle " << i << " life " << seeded[i][3] << " -> " << first[i][3];
        // Away from the field's cube (10 units around (0, 22.5, -5)) each drifts freely.
        if (!outsideFieldCube(seeded[i]))
            continue;
        ++free;
        const double moved = std::hypot(first[i][0] - seeded[i][0], first[i][1] - seeded[i][1],
                                        first[i][2] - seeded[i][2]);
        if (moved > 0.5 && ++wrong <= 5)
            ADD_FAILURE() << "particle " << i << " moved " << moved;
        meanDz += first[i][2] - seeded[i][2];
    }
    EXPECT_EQ(wrong, 0u);
    ASSERT_GT(free, particleCount / 2);
    // The stream flows along -z at about 0.2 per step.
    meanDz /= static_cast<double>(free);
    EXPECT_GT(meanDz, -0.25);
    EXPECT_LT(meanDz, -0.15);

    // The next step reads what the first wrote and writes the seed's texture again.
    scene().fastForward(131.0 + 1.0 / 60.0);
    EXPECT_EQ(scene().currentParticles().id(), seedTexture);
    const std::vector<Float4> second = readParticles(scene());
    for (size_t i = 0; i < particleCount; i += 997)
        EXPECT_EQ(second[i][3], first[i][3] - 0.005f) << "particle " << i;
}

// A frame rendered between two frames of the clock: its particle step is taken back afterwards.
TEST_F(FinaleSceneTest, TakingBackAnUpdateLeavesTheParticlesItFound) {
    const std::vector<Float4> seeded = readParticles(scene());
    for (const double t : {130.99, 131.0}) {
        scene().update(t);
        EXPECT_EQ(readParticles(scene()) != seeded, t >= 131.0) << t;
        scene().takeBackStep(t);
        EXPECT_EQ(readParticles(scene()), seeded) << t;
    }
}

TEST_F(FinaleSceneTest, RespawnsAtTheEmitterOnlyOnceLifeFallsBelowZero) {
    // Far from everything: life 0.001 respawns, 0.005 reaches exactly 0 and stays.
    std::vector<Float4> states = uniformParticles({100.0f, 100.0f, 100.0f, 0.001f});
    states[0] = {100.0f, 100.0f, 100.0f, 0.005f};
    states[1] = {-100.0f, 50.0f, 70.0f, 0.0051f};
    writeParticles(scene(), states);
    const double t = 131.5;
    scene().fastForward(t);
    const std::vector<Float4> after = readParticles(scene());

    EXPECT_EQ(after[0][3], 0.0f);
    EXPECT_NEAR(after[0][0], 100.0f, 0.5f);
    EXPECT_NEAR(after[0][1], 100.0f, 0.5f);
    EXPECT_NEAR(after[0][2], 100.0f - 0.2f, 0.2f);
    EXPECT_NEAR(after[1][3], 0.0001f, 1e-6f);
    EXPECT_NEAR(after[1][0], -100.0f, 0.5f);

    // The emitter sways with t around (0, 24, 15).
    const double emitterX = 4.0 * std::sin(1.2 * t) + 0.2 * std::cos(0.4 * t);
    const double emitterY = 24.0 + 0.2 * std::cos(1.2 * t) - 0.1 * std::sin(0.4 * t);
    size_t wide = 0;
    size_t wrong = 0;
    for (size_t i = 2; i < particleCount; ++i) {
        const Float4& p = after[i];
        const double dx = std::fabs(p[0] - emitterX);
        const double dy = std::fabs(p[1] - emitterY);
        // Offsets of +-0.53 (x and y, 3 % of particles +-10.8) and +-9.5 (z), life 0.4 ... 1.4,
        // then one step of at most about 0.2.
        const bool inside = dx < 11.1 && dy < 11.1 && p[2] > 15.0 - 9.5 - 0.35 &&
                            p[2] < 15.0 + 9.5 + 0.1 && p[3] >= 0.4f - 1e-6f && p[3] <= 1.4f;
        if (!inside && ++wrong <= 5)
            ADD_FAILURE() << "particle " << i << " at (" << p[0] << ", " << p[1] << ", " << p[2]
                          << ") life " << p[3];
        if (std::max(dx, dy) > 1.0)
            ++wide;
    }
    EXPECT_EQ(wrong, 0u);
    // About 3 % spread wide, nearly all of them more than a unit off in x or y.
    const double wideShare = static_cast<double>(wide) / static_cast<double>(particleCount - 2);
    EXPECT_GT(wideShare, 0.02);
    EXPECT_LT(wideShare, 0.04);
}

TEST_F(FinaleSceneTest, DrawsOnlyLivingParticlesWithin20OfTheText) {
    // Looking at the text region from 20 units away, at a moment with nothing else in view.
    const Camera camera = cameraAt(0.0, 22.0, 14.0, 0.0, 0.0);
    const double t = 140.0;
    const auto centre = [] {
        return readWindow(width, height)[static_cast<size_t>(height / 2) * width + width / 2];
    };

    // A life of exactly 0 gives a point size of 0: not drawn.
    writeParticles(scene(), uniformParticles({0.0f, 22.0f, -6.0f, 0.0f}));
    draw(t, camera);
    expectEmptySky(width, height, t, camera);

    // 25 units from (0, 22, -6) the alpha is negative: not drawn.
    writeParticles(scene(), uniformParticles({0.0f, 22.0f, 19.0f - 0.001f, 1.0f}));
    draw(t, camera);
    expectEmptySky(width, height, t, camera);

    // One living particle among the dead ones at the same place: drawn, and only it (all of
    // them together would saturate the pixel).
    std::vector<Float4> oneAlive = uniformParticles({0.0f, 22.0f, -6.0f, 0.0f});
    oneAlive[12345][3] = 1.0f;
    writeParticles(scene(), oneAlive);
    draw(t, camera);
    const Pixel drawn = centre();
    const Rgb sky = skyAt(width / 2, height / 2, width, height, t, camera);
    // hsltorgb(350, 0.32, 0.3) = (0.332, 0.14, 0.173) added to the sky.
    EXPECT_NEAR(channel(drawn, 0), sky.r + 0.332, 0.05);
    EXPECT_NEAR(channel(drawn, 1), sky.g + 0.14, 0.05);
    EXPECT_NEAR(channel(drawn, 2), sky.b + 0.173, 0.05);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

} // namespace
