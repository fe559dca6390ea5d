#include "scenes/shaft_scene.h"

#include "scenes/pass_setup.h"
#include "shaders/shader_texts.h"
#include "tests/support/frame_reference.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"
#include "tests/support/surface_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int side = ShaftScene::particleSide;
constexpr int n = ShaftScene::volumeSize;
constexpr int width = 64;
constexpr int height = 36;

class ShaftSceneTest : public SceneTest {
  protected:
    ShaftSceneTest() : SceneTest(width, height) {}
    ShaftScene build() { return ShaftScene(window(), shared_->extractor, shared_->quad); }
};

TEST_F(ShaftSceneTest, SeedPutsEachParticleOnTheSphereAtItsHashOrParksIt) {
    ShaftScene scene = build();
    const std::vector<Float4> positions = readColour(scene.currentPositions());
    const std::vector<Float4> states = readColour(scene.currentStates());
    // The corners of the square outside the unit disc, 1 - pi / 4 of the texels, have no place.
    const auto parked = std::count_if(positions.begin(), positions.end(),
                                      [](const Float4& p) { return p[3] < 0.0f; });
    EXPECT_NEAR(double(parked) / positions.size(), 1.0 - M_PI / 4.0, 0.003);
    std::vector<Float4> centres;
    for (size_t i = 0; i < positions.size(); i += 4099)
        centres.push_back({(i % side + 0.5f) / side, (i / side + 0.5f) / side, 0.0f, 0.0f});
    const std::vector<Float4> hashes =
        evaluateOnGpu(shaderTexts().helper("texel_hash.glsl"), "texelHash(x.xy)", centres);
    for (size_t j = 0; j < centres.size(); ++j) {
        // The hash's disc point mapped by area onto the sphere of radius 0.4 about (2.8, 0, -1).
        const Float4& r = hashes[j];
        const double a = 2 * r[1] - 1, b = 2 * r[2] - 1, q = a * a + b * b;
        const double s = std::sqrt(std::fabs(1 - q));
        const Float4 expected = q > 1 ? Float4{0, -1000, 0, -1}
                                      : Float4{float(2.8 + 0.8 * a * s), float(0.8 * b * s),
                                               float(0.4 * (1 - 2 * q) - 1), r[3]};
        for (size_t c = 0; c < 4 && std::fabs(q - 1) > 1e-5; ++c)
            EXPECT_NEAR(positions[j * 4099][c], expected[c], 2e-6) << j;
        EXPECT_EQ(states[j * 4099], (Float4{-1.1f, 0.0f, 0.0f, 1.0f}));
    }
}

TEST_F(ShaftSceneTest, SmokeSpritesGrowNearTheCameraAndAddUpFrom30s) {
    ShaftScene scene = build();
    const ShaderProgram program =
        capturingProgram(shaderTexts().resource(120), {"gl_Position", "gl_PointSize"});
    const std::vector<Float4> particles = {
        {2.8f, 0.1f, -1.2f, 0.3f}, {0.4f, 0.0f, 2.5f, 0.9f}, {0.0f, -1000.0f, 0.0f, -1.0f}};
    const Texture2D texture(ImageKind::Colour, 3, 1, particles.front().data());
    bindTexture(0, GL_TEXTURE_2D, texture.id());
    const Camera camera{{0.3, 0.1, 3.0}, {0.2, -0.1}};
    const ProjectVector far50 = project(width, height, DepthRange::Near0_01Far50);
    program.setInt("postex", 0);
    setCamera(program, camera);
    setProject(program, far50);
    Mesh points;
    const std::array<float, 6> uv{1.0f / 6, 0.5f, 0.5f, 0.5f, 5.0f / 6, 0.5f};
    points.setVertices(uv.data(), 3, 2);
    const std::vector<float> v = captureVertices(GL_POINTS, 5, 3, [&] { points.draw(GL_POINTS); });
    for (size_t i = 0; i < particles.size(); ++i) {
        const Float4& p = particles[i];
        const auto clip = worldToClipReference({p[0] - 0.4, p[1], p[2]}, camera, far50);
        const std::array<double, 5> expected = {clip[0], clip[1], clip[2], clip[3],
                                                1.5 + 2.0 / clip[3]};
        // A particle without a position is sent past the far plane.
        if (p[3] < 0.0f) {
            EXPECT_GT(v[5 * i + 2], v[5 * i + 3]);
        }
        for (size_t k = 0; k < 5 && p[3] >= 0.0f; ++k)
            EXPECT_NEAR(v[5 * i + k], expected[k], 1e-4 * (1.0 + std::fabs(expected[k]))) << i;
    }
    // In the scene: no smoke at 30 s; just after, a particle 0.5 ahead covers the centre, and
    // thinly covered pixels hold multiples of 0.06.
    const std::vector<Float4> seeded = readColour(scene.currentPositions());
    const Float4& first =
        *std::find_if(seeded.begin(), seeded.end(), [](const Float4& p) { return p[3] >= 0.0f; });
    const Camera facing{{first[0] - 0.4, first[1], first[2] + 0.5}, {0.0, 0.0}};
    for (const double t : {30.0, 30.01}) {
        drawAt(scene, t, facing);
        const std::vector<Float4> density = readColour(scene.density());
        EXPECT_EQ(density[height / 2 * width + width / 2][0] > 0.0f, t > 30.0) << t;
        for (const Float4& d : density) {
            if (d[0] < 1.0f) {
                EXPECT_NEAR(d[0] / 0.06f, std::round(d[0] / 0.06f), 1e-4);
            }
        }
    }
}

// One smoke step of a particle, with the time and speed the GPU receives as floats.
void stepReference(Float4& position, Float4& state, float t, float speed) {
    Ray vel{};
    const std::array<std::array<double, 4>, 4> fields = {
        {{3.0, -2.6, 0.007, 1.0}, {8.0, 0.0, 0.006, 3.0}, {16, 0, 0.004, 5}, {24, 0, 0.003, 8}}};
    for (const auto& [scale, shift, weight, time] : fields) {
        Ray c{};
        for (size_t a = 0; a < 3; ++a)
            c[a] = std::cos(scale * position[a] + shift + 0.05 * time * t);
        const Ray curl = {c[1] - c[2], c[2] - c[0] + 0.1, c[0] - c[1]};
        for (size_t a = 0; a < 3; ++a)
            vel[a] += weight * curl[a];
    }
    const double life = state[3], m = std::pow(std::max(0.0, life - 0.1), 2.0);
    for (size_t a = 0; a < 3; ++a)
        position[a] += static_cast<float>(
            speed * 0.4 *
            ((1.0 - m) * vel[a] * std::exp((life - 1.0) * 2.7) * 0.6 + m * 0.008 * state[a]));
    state[3] = static_cast<float>(life - 0.00025 - 0.00025 * std::hypot(vel[0], vel[1], vel[2]));
}

TEST_F(ShaftSceneTest, EachUpdateAfter34_2IsOneSmokeStepThatCanBeTakenBack) {
    ShaftScene scene = build();
    std::vector<Float4> positions = readColour(scene.currentPositions());
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
    std::vector<Float4> previous;
    for (const auto& [t, speed] : {std::pair{34.3, 1.9 * 1.9}, {34.32, 1.84 * 1.84}}) {
        previous = positions;
        scene.update(t);
        EXPECT_EQ(scene.frameVolume(), nullptr);
        const std::vector<Float4> nextPositions = readColour(scene.currentPositions());
        const std::vector<Float4> nextStates = readColour(scene.currentStates());
        for (size_t i = 0; i < positions.size(); i += 2621) {
            Float4 p = positions[i], s = states[i];
            stepReference(p, s, static_cast<float>(t), static_cast<float>(speed));
            for (size_t c = 0; c < 4; ++c) {
                EXPECT_NEAR(nextPositions[i][c], p[c], 4e-6) << i;
                EXPECT_NEAR(nextStates[i][c], s[c], 1e-6) << i;
            }
        }
        positions = nextPositions;
        states = nextStates;
    }
    scene.takeBackStep(34.32);
    EXPECT_EQ(readColour(scene.currentPositions()), previous);
    scene.fastForward(34.34);
    EXPECT_NE(readColour(scene.currentPositions()), previous);
}

TEST_F(ShaftSceneTest, SkyIsTheStripedGradientTurningCoolAndDarkenedBySmoke) {
    ShaftScene scene = build();
    const Camera camera{{0.0, 0.0, 3.0}, {0.7, 0.3}};
    const double t = 58.0;
    drawAt(scene, t, camera);
    const std::vector<Float4> density = readColour(scene.density());
    const auto pixels = readWindow(width, height);
    int smoky = 0, wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            const Ray ray = viewRayReference(pixelCentre(x, width), pixelCentre(y, height),
                                             aspect(width, height), 2.0, 0.7, 0.3);
            const double wave = std::sin(80.0 * std::atan2(ray[0], ray[2]));
            // Too near a stripe's edge to tell which side the GPU's rounding took.
            if (std::fabs(wave) < 0.02)
                continue;
            const double d = facingLightReference(ray, 0.6), stripes = 0.075 * std::floor(1 + wave);
            const Rgb warm = hslToRgb(10 + 30 * d, 0.7 + 0.3 * d + stripes, 0.15 + 0.25 * d);
            const Rgb cool = hslToRgb(140 + 30 * d, 0.1 + 0.2 * d, 0.1 + 0.2 * d);
            const double w = std::clamp(0.2 * (60.0 - t), 0.0, 1.0), s = w * w * (3 - 2 * w);
            const double a = density[i][0] > 0.0f ? density[i][0] + 1.0 : 0.0;
            const double smoke = std::clamp(std::exp(0.025 * a) - 1.0, 0.0, 1.0);
            const auto mix = [&](double hot, double cold, double dark) {
                const double sky = hot * s + cold * (1 - s);
                return sky + (dark - sky) * smoke;
            };
            const Rgb expected = {mix(warm.r, cool.r, 0.05), mix(warm.g, cool.g, 0.06),
                                  mix(warm.b, cool.b, 0.07)};
            smoky += a > 0.0;
            wrong += !matchesWithGrain(pixels[i], expected, 0.02);
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(smoky, 10);
}

TEST_F(ShaftSceneTest, ShaftIsBuiltUntil34_2AndDrawnBeforeItOnTheFieldsZeroLevel) {
    ShaftScene scene = build();
    // Looking steeply down the shaft from its axis.
    const Camera axis{{0.0, 0.0, 3.0}, {0.0, 1.2}};
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
    for (int z = 0; z < n; ++z)
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const Ray p = {(x + 0.5) / n - 0.5, (y + 0.5) / n - 0.5, double(z) / n - 0.5};
                const double h = std::min(1.0, 5.0 * (p[1] + 0.4)), turn = 4.0 * p[1] + t;
                const double shaft = 0.3 - std::hypot(p[0] + 0.1 * h * std::cos(turn),
                                                      p[2] + 0.1 * h * std::sin(turn));
                const double smooth = std::max(p[1] - 0.45 + 0.4 * std::hypot(p[0], p[2]),
                                               std::min(shaft, p[1] + 0.4));
                double solids = std::hypot(p[0] + 0.2, 5.0 * p[1] - 1.2, p[2] - 0.2) - 0.1;
                for (const auto& l : ledges)
                    solids = std::min(solids, std::max({std::fabs(p[0] - l[0]) - l[3],
                                                        std::fabs(p[1] - l[1]) - l[4],
                                                        std::fabs(p[2] - l[2]) - l[5]}));
                const double band = 0.15 * std::fabs(h) * 0.75, value = field.read(x, y, z);
                outside += value < std::min(smooth - band, solids) - 1.5e-3 ||
                           value > std::min(smooth + band, solids) + 1.5e-3;
                carved += std::fabs(value - std::min(smooth, solids)) > 0.01;
            }
    EXPECT_EQ(outside, 0);
    EXPECT_GT(carved, 10000);

    // Every pixel the surface covers shows a point of the field's zero level, squeezed to 0.2 in
    // x and z, slid down by t / 45 - 0.35 and moved 3 along z.
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
        if (depth[i] == 1.0f)
            continue;
        const Ray world = worldPointReference(
            pixelCentre(i % width, width), pixelCentre(i / width, height), depth[i], axis, near5);
        worst = std::max(
            worst, std::fabs(field.sample({world[0] / 0.2 + 0.5, world[1] + t / 45.0 - 0.35 + 0.5,
                                           (world[2] - 3.0) / 0.2 + 0.5})));
    }
    EXPECT_LT(worst, 0.03);

    // At 34.2 the volume is still built, but only the sky is drawn.
    scene.update(34.2);
    EXPECT_EQ(scene.frameVolume(), &scene.volume());
    glClear(GL_DEPTH_BUFFER_BIT);
    drawAt(scene, 34.2, axis);
    EXPECT_EQ(readDepth(), 0);
}

} // namespace
