#include "scenes/shaft_scene.h"

#include "scenes/pass_setup.h"
#include "shaders/shader_texts.h"
#include "tests/support/flow_reference.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"
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
    const ShaderProgram program =
        capturingProgram(shaderTexts().resource(120), {"gl_Position", "gl_PointSize"});
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
        const double w = std::clamp(0.2 * (60.0 - t), 0.0, 1.0), s = w * w * (3 - 2 * w);
        drawAt(scene, t, camera);
        const auto density = readColour(scene.density());
        const auto pixels = readWindow(width, height);
        int smoky = 0, wrong = 0;
        for (size_t i = 0; i < pixels.size(); ++i) {
            const Ray ray =
                viewRayReference(pixelCentre(i % width, width), pixelCentre(i / width, height),
                                 aspect(width, height), 2.0, camera.dir.x, camera.dir.y);
            const double wave = std::sin(80.0 * std::atan2(ray[0], ray[2]));
            const double d = facingLightReference(ray, 0.6), stripes = 0.075 * std::floor(1 + wave);
            const Rgb warm = hslToRgb(10 + 30 * d, 0.7 + 0.3 * d + stripes, 0.15 + 0.25 * d);
            const Rgb cool = hslToRgb(140 + 30 * d, 0.1 + 0.2 * d, 0.1 + 0.2 * d);
            // Sprites add 0.06 each; the sky reads one more wherever there is any.
            const double a = density[i][0] > 0.0f ? density[i][0] + 1.0 : 0.0;
            const double smoke = std::clamp(std::exp(0.025 * a) - 1.0, 0.0, 1.0);
            const auto mix = [&](double hot, double cold, double dark) {
                const double sky = hot * s + cold * (1 - s);
                return sky + (dark - sky) * smoke;
            };
            smoky += a > 0.0;
            const float sum = density[i][0] / 0.06f;
            wrong += sum < 16.0f && std::fabs(sum - std::round(sum)) > 1e-4f;
            // Too near a stripe's edge to tell which side the GPU's rounding took.
            wrong += std::fabs(wave) > 0.02 &&
                     !matchesWithGrain(pixels[i],
                                       {mix(warm.r, cool.r, 0.05), mix(warm.g, cool.g, 0.06),
                                        mix(warm.b, cool.b, 0.07)},
                                       0.02);
        }
        EXPECT_EQ(wrong, 0) << t;
        EXPECT_EQ(smoky > 10, t > 30.0) << t;
    }
    const double t = 34.1;
    scene.update(t);
    ASSERT_EQ(scene.frameVolume(), &scene.volume());
    ReferenceVolume field(n);
    field.values = readVolume(scene.volume());
    // Every voxel within the band the strata (|prl| < 0.5 an octave) can move the smooth shape.
    const std::array<std::array<double, 6>, 4> ledges = {{{0.2, -0.05, 0.3, 0.1, 0.1, 0.25},
                                                          {0.1, -0.3, 0.3, 0.25, 0.025, 0.05},
                                                          {-0.2, -0.2, -0.3, 0.25, 0.025, 0.05},
                                                          {-0.3, 0.15, -0.3, 0.25, 0.025, 0.25}}};
    int outside = 0, carved = 0;
    for (int i = 0; i < n * n * n; ++i) {
        const Ray p = {(i % n + 0.5) / n - 0.5, (i / n % n + 0.5) / n - 0.5,
                       double(i / (n * n)) / n - 0.5};
        const double h = std::min(1.0, 5.0 * (p[1] + 0.4)), turn = 4.0 * p[1] + t;
        const double shaft =
            0.3 - std::hypot(p[0] + 0.1 * h * std::cos(turn), p[2] + 0.1 * h * std::sin(turn));
        const double smooth =
            std::max(p[1] - 0.45 + 0.4 * std::hypot(p[0], p[2]), std::min(shaft, p[1] + 0.4));
        double solids = std::hypot(p[0] + 0.2, 5.0 * p[1] - 1.2, p[2] - 0.2) - 0.1;
        for (const auto& l : ledges)
            solids = std::min(
                solids, std::max({std::fabs(p[0] - l[0]) - l[3], std::fabs(p[1] - l[1]) - l[4],
                                  std::fabs(p[2] - l[2]) - l[5]}));
        const double band = 0.15 * std::fabs(h) * 0.75, value = field.values[i];
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
