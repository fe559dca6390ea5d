#include "scenes/shaft_scene.h"

#include "scenes/pass_setup.h"
#include "shaders/shader_texts.h"
#include "tests/support/flow_reference.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"
#include "tests/support/rock_reference.h"
#include "tests/support/surface_reference.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int side = ShaftScene::particleSide, n = ShaftScene::volumeSize, width = 64, height = 36;

class ShaftSceneTest : public SceneTest {
  protected:
    ShaftSceneTest() : SceneTest(width, height) {}
    ShaftScene build() { return ShaftScene(window(), shared_->extractor, shared_->quad); }
};

TEST_F(ShaftSceneTest, SmokeSpritesGrowNearTheCameraAndHideParticlesWithoutAPlace) {
    const ShaderProgram program = capturingProgram(shaderTexts().resource(ShaderId::SmokeSprites),
                                                   {"gl_Position", "gl_PointSize"});
    const std::vector<Float4> particles = {{0.4f, 0.0f, 2.5f, 0.9f}, {0.0f, -1000.0f, 0.0f, -1.0f}};
    const Texture2D texture(ImageKind::Colour, 2, 1, particles.front().data());
    bindTexture(0, GL_TEXTURE_2D, texture.id());
    const Camera camera{{0.3, 0.1, 3.0}, {0.2, -0.1}};
    const ProjectVector far50 = project(width, height, DepthRange::Near0_01Far50);
    setCamera(program, camera);
    setProject(program, far50);
    Mesh points;
    const std::array<float, 4> uv{0.25f, 0.5f, 0.75f, 0.5f};
    points.setVertices(uv.data(), 2, 2);
    const std::vector<float> v = captureVertices(GL_POINTS, 5, 2, [&] { points.draw(GL_POINTS); });
    // Drawn 0.4 to the left of its place; the parked one beyond the far plane.
    const auto clip = worldToClipReference({0.0, 0.0, 2.5}, camera, far50);
    for (size_t i = 0; i < 5; ++i)
        EXPECT_NEAR(v[i], i < 4 ? clip[i] : 1.5 + 2.0 / clip[3], 1e-4 * (1.0 + std::fabs(v[i])));
    EXPECT_GT(v[7], v[8]);
}

TEST_F(ShaftSceneTest, EachUpdateAfter34_2IsOneSmokeStepThatCanBeTakenBack) {
    ShaftScene scene = build();
    std::vector<Float4> positions = readColour(scene.currentPositions()), previous;
    // Seeds on the sphere of radius 0.4 about (2.8, 0, -1), the rest parked at -1000.
    int off = 0;
    for (const Float4& p : positions)
        off += std::fabs(p[3] < 0 ? p[1] + 1000 : std::hypot(p[0] - 2.8f, p[1], p[2] + 1) - 0.4f) >
               1e-5f;
    EXPECT_EQ(off, 0);
    EXPECT_EQ(readColour(scene.currentStates())[12345], (Float4{-1.1f, 0.0f, 0.0f, 1.0f}));
    // Lives spread over (0, 1], so that the flow's fading with life shows.
    std::vector<Float4> states(positions.size(), Float4{-1.1f, 0.0f, 0.0f, 1.0f});
    for (size_t i = 0; i < states.size(); ++i)
        states[i][3] = 1.0f - float(i % 997) / 1000.0f;
    glBindTexture(GL_TEXTURE_2D, scene.currentStates().id());
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, side, side, GL_RGBA, GL_FLOAT, states.data());
    // 34.2 still builds the shaft: fast-forwarding to it or taking it back steps nothing.
    scene.update(34.2);
    scene.fastForward(34.2);
    scene.takeBackStep(34.2);
    EXPECT_EQ(readColour(scene.currentPositions()), positions);
    for (const auto& [t, speed] : {std::pair{34.3, 1.9 * 1.9}, {34.32, 1.84 * 1.84}}) {
        scene.update(t);
        EXPECT_EQ(scene.frameVolume(), nullptr);
        const auto nextPositions = readColour(scene.currentPositions());
        const auto nextStates = readColour(scene.currentStates());
        for (size_t i = 0; i < positions.size(); i += 2621) {
            Float4 p = positions[i], s = states[i];
            smokeStepReference(p, s, static_cast<float>(t), static_cast<float>(speed));
            for (size_t c = 0; c < 4; ++c) {
                EXPECT_NEAR(nextPositions[i][c], p[c], 4e-6) << i;
                EXPECT_NEAR(nextStates[i][c], s[c], 1e-6) << i;
            }
        }
        previous = std::exchange(positions, nextPositions);
        states = nextStates;
    }
    scene.takeBackStep(34.32);
    EXPECT_EQ(readColour(scene.currentPositions()), previous);
    scene.fastForward(34.34);
    EXPECT_NE(readColour(scene.currentPositions()), previous);
}

TEST_F(ShaftSceneTest, StripedSkyTurnsCoolAndSmokyFrom30sThenTheShaftIsBuiltAndDrawn) {
    ShaftScene scene = build();
    // Half a unit behind a particle, where sprites cover pixels thinly; then turned to the sky.
    const auto seeded = readColour(scene.currentPositions());
    const Float4& first =
        *std::find_if(seeded.begin(), seeded.end(), [](const Float4& p) { return p[3] >= 0.0f; });
    const Camera facing{{first[0] - 0.4, first[1], first[2] + 0.5}, {0.0, 0.0}};
    for (const auto& [t, camera] :
         {std::pair{30.0, facing}, {30.01, facing}, {58.0, Camera{{0.0, 0.0, 3.0}, {0.7, 0.3}}}}) {
        drawAt(scene, t, camera);
        const auto density = readColour(scene.density());
        const auto pixels = readWindow(width, height);
        int smoky = 0, wrong = 0;
        for (size_t i = 0; i < pixels.size(); ++i) {
            const Ray ray =
                viewRayReference(pixelCentre(i % width, width), pixelCentre(i / width, height),
                                 aspect(width, height), 2.0, camera.dir.x, camera.dir.y);
            smoky += density[i][0] > 0.0f;
            const float sum = density[i][0] / 0.06f;
            wrong += sum < 16.0f && std::fabs(sum - std::round(sum)) > 1e-4f;
            const auto sky = shaftSkyReference(ray, t, density[i][0]);
            wrong += sky && !matchesWithGrain(pixels[i], *sky, 0.02);
        }
        EXPECT_EQ(wrong, 0) << t;
        EXPECT_EQ(smoky > 10, t > 30.0) << t;
    }
    const double t = 34.1;
    scene.update(t);
    ASSERT_EQ(scene.frameVolume(), &scene.volume());
    ReferenceVolume field(n);
    field.values = readVolume(scene.volume());
    // Every voxel within the band the strata can move the smooth shape.
    int outside = 0, carved = 0;
    for (int i = 0; i < n * n * n; ++i) {
        const auto [smooth, solids, band] = shaftFieldReference(layerPointReference(i, n), t);
        const double value = field.values[i];
        outside += value < std::min(smooth - band, solids) - 1.5e-3 ||
                   value > std::min(smooth + band, solids) + 1.5e-3;
        carved += std::fabs(value - std::min(smooth, solids)) > 0.01;
    }
    EXPECT_EQ(outside, 0);
    EXPECT_GT(carved, 10000);
    // Seen down its axis the surface is the zero level squeezed to 0.2, slid and moved 3 in z.
    const Camera axis{{0.0, 0.0, 3.0}, {0.0, 1.2}};
    drawAt(scene, t, axis);
    std::vector<float> depth(width * height);
    const auto readDepth = [&] {
        glReadPixels(0, 0, width, height, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
        return std::count_if(depth.begin(), depth.end(), [](float d) { return d < 1.0f; });
    };
    EXPECT_GT(readDepth(), width * height / 2);
    const ProjectVector near5 = project(width, height, DepthRange::Near0_01Far5);
    double worst = 0.0;
    for (int i = 0; i < width * height; ++i) {
        const Ray world = worldPointReference(
            pixelCentre(i % width, width), pixelCentre(i / width, height), depth[i], axis, near5);
        if (depth[i] < 1.0f)
            worst = std::max(worst, std::fabs(field.sample({world[0] / 0.2 + 0.5,
                                                            world[1] + t / 45.0 - 0.35 + 0.5,
                                                            (world[2] - 3.0) / 0.2 + 0.5})));
    }
    EXPECT_LT(worst, 0.03);
    // At 34.2 the volume is still built, but only the sky is drawn.
    scene.update(34.2);
    EXPECT_EQ(scene.frameVolume(), &scene.volume());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClear(GL_DEPTH_BUFFER_BIT);
    drawAt(scene, 34.2, axis);
    EXPECT_EQ(readDepth(), 0);
}

} // namespace
