#include "demo/demo_scenes.h"
#include "gpu/mesh.h"
#include "scenes/sheet_pen.h"
#include "scenes/sheet_scene.h"
#include "shaders/shader_resource.h"
#include "shaders/shader_texts.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int side = SheetScene::stateSize;
constexpr float gone = 1.0e4f;

class SheetSceneTest : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        setFixedGlState();
    }
};

TEST_F(SheetSceneTest, BuildsCleanlyAndSeedsEveryParticleIdleSomewhereOnTheSheet) {
    const Mesh quad(MeshShape::FullScreenQuad);
    testing::internal::CaptureStdout();
    const SheetScene scene(window(), quad);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
    GLint framebuffer = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    EXPECT_EQ(framebuffer, 0);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));

    const std::vector<Float4> seeded = readColour(scene.state());
    ASSERT_EQ(seeded.size(), static_cast<std::size_t>(side * side));
    Float4 low{10.0f, 10.0f, 10.0f, 10.0f}, high{-10.0f, -10.0f, -10.0f, -10.0f};
    std::set<std::pair<float, float>> places;
    for (const Float4& texel : seeded) {
        for (std::size_t c = 0; c < 4; ++c) {
            low[c] = std::min(low[c], texel[c]);
            high[c] = std::max(high[c], texel[c]);
        }
        places.insert({texel[0], texel[1]});
    }
    const Float4 lowest{-3.0f, -1.75f, -0.1f, -1.0f}, highest{3.0f, 1.75f, 0.1f, 0.0f};
    for (std::size_t c = 0; c < 4; ++c) {
        SCOPED_TRACE(c);
        const float span = highest[c] - lowest[c];
        EXPECT_GE(low[c], lowest[c]);
        EXPECT_LE(high[c], highest[c]);
        EXPECT_LT(low[c], lowest[c] + 0.01f * span);
        EXPECT_GT(high[c], highest[c] - 0.01f * span);
    }
    EXPECT_GT(places.size(), 60000u);
}

TEST_F(SheetSceneTest, SeedsTexelIJFromTheHashOfItsCentre) {
    const Mesh quad(MeshShape::FullScreenQuad);
    const SheetScene scene(window(), quad);
    const std::vector<Float4> seeded = readColour(scene.state());
    const std::vector<std::array<int, 2>> texels{{0, 0}, {255, 0}, {0, 255}, {17, 200}, {128, 64}};
    std::vector<Float4> centres;
    for (const auto& [i, j] : texels)
        centres.push_back({(static_cast<float>(i) + 0.5f) / side,
                           (static_cast<float>(j) + 0.5f) / side, 0.0f, 0.0f});
    const std::string functions = std::string(shaderTexts().helper("texel_hash.glsl")) +
                                  std::string(shaderTexts().helper("sheet_state.glsl"));
    const std::vector<Float4> expected =
        evaluateOnGpu(functions, "vec4(sheetPoint(texelHash(x.xy)), -texelHash(x.xy).w)", centres);
    for (std::size_t k = 0; k < texels.size(); ++k) {
        const auto [i, j] = texels[k];
        const Float4& texel = seeded[static_cast<std::size_t>(j * side + i)];
        for (std::size_t c = 0; c < 4; ++c)
            EXPECT_NEAR(texel[c], expected[k][c], 1e-5f) << i << ", " << j << ": " << c;
    }
}

TEST_F(SheetSceneTest, ItsPointsSampleEveryStateTexelCentreWithTheOuterIndexFirst) {
    const Mesh quad(MeshShape::FullScreenQuad);
    const SheetScene scene(window(), quad);
    const Mesh& points = scene.particles();
    EXPECT_EQ(points.count(), side * side);
    EXPECT_FALSE(points.indexed());
    EXPECT_EQ(points.stride(), 8);

    glBindVertexArray(points.vao());
    GLint buffer = 0;
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &buffer);
    glBindVertexArray(0);
    std::vector<float> uv(static_cast<std::size_t>(side * side * 2));
    glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(buffer));
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(uv.size() * sizeof(float)),
                       uv.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    for (const auto& [i, j] : std::vector<std::array<int, 2>>{{0, 0}, {0, 1}, {1, 0}, {255, 3}}) {
        const std::size_t k = static_cast<std::size_t>(i * side + j) * 2;
        EXPECT_FLOAT_EQ(uv[k], i / 256.0f + 1.0f / 512.0f) << i << ", " << j;
        EXPECT_FLOAT_EQ(uv[k + 1], j / 256.0f + 1.0f / 512.0f) << i << ", " << j;
    }
}

// Count of texels by what has become of them.
struct Census {
    int idle = 0, pushed = 0, parked = 0, infinite = 0;
};

Census censusOf(const Texture2D& state) {
    Census census;
    for (const Float4& texel : readColour(state)) {
        if (!std::isfinite(texel[0]) || !std::isfinite(texel[1]) || !std::isfinite(texel[2]) ||
            !std::isfinite(texel[3]))
            ++census.infinite;
        else if (texel[0] == gone)
            ++census.parked;
        else if (texel[3] >= 0.0f)
            ++census.pushed;
        else
            ++census.idle;
    }
    return census;
}

TEST_F(SheetSceneTest, TheWholeRunWritesThenTheWindParksTheSheetWithEveryStateFinite) {
    const Mesh quad(MeshShape::FullScreenQuad);
    SheetScene scene(window(), quad);
    // Music time as the frame loop keeps it: float seconds in steps of 1/60 s; the pen's
    // places on the sheet so far.
    float t = 85.9f;
    std::vector<std::array<float, 2>> path;
    const auto runUntil = [&](float end) {
        while (t < end) {
            t += 1.0f / 60.0f;
            scene.update(t);
            const SheetPen pen = titlePenAt(t);
            if (pen.posX != penLifted.posX)
                path.push_back({pen.posX * 6.0f, pen.posY * 3.5f});
        }
    };

    runUntil(88.0f);
    const std::vector<Float4> writing = readColour(scene.state());
    int pushed = 0, nearPath = 0;
    for (const Float4& texel : writing) {
        if (texel[3] < 0.0f)
            continue;
        ++pushed;
        float nearest = 1e9f;
        for (const auto& [x, y] : path)
            nearest = std::min(nearest, std::hypot(texel[0] - x, texel[1] - y));
        nearPath += nearest < 0.5f ? 1 : 0;
    }
    // Two seconds in, the q is being written: particles flung from it, all close to its path.
    EXPECT_GT(pushed, 1000);
    EXPECT_GT(nearPath, pushed * 95 / 100);
    EXPECT_EQ(censusOf(scene.state()).infinite, 0);

    runUntil(97.6f);
    const Census written = censusOf(scene.state());
    runUntil(100.9f);
    const Census calm = censusOf(scene.state());
    runUntil(104.49f);
    const Census blown = censusOf(scene.state());
    // Just after the full stop the last strokes' particles are still in flight.
    EXPECT_GT(written.pushed, 1000);
    EXPECT_EQ(written.infinite, 0);
    // Before the wind every flung particle has been reborn.
    EXPECT_EQ(calm.idle, side * side);
    // The wind has carried nearly all off for good, and nothing is left infinite.
    EXPECT_GT(blown.parked, side * side * 9 / 10);
    EXPECT_EQ(blown.idle + blown.parked, side * side);
}

// A frame rendered between two frames of the clock: its step is taken back afterwards.
TEST_F(SheetSceneTest, TakingBackAnUpdateLeavesTheSheetItFound) {
    const Mesh quad(MeshShape::FullScreenQuad);
    SheetScene scene(window(), quad);
    const std::vector<Float4> before = readColour(scene.state());
    scene.update(88.0);
    EXPECT_NE(readColour(scene.state()), before);
    scene.takeBackStep(88.0);
    EXPECT_EQ(readColour(scene.state()), before);
}

} // namespace
