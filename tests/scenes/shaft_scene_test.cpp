#include "scenes/shaft_scene.h"

#include "demo/demo_scenes.h"
#include "gpu/mesh.h"
#include "gpu/surface_extractor.h"
#include "shaders/shader_resource.h"
#include "shaders/shader_texts.h"
#include "tests/support/frame_reference.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int side = ShaftScene::particleSide;
constexpr int width = 96;
constexpr int height = 54;

using Vec3 = std::array<double, 3>;

// A fresh scene on the fixed start-up state, as the demo builds it.
class ShaftSceneTest : public GlTest {
  protected:
    ShaftSceneTest() : GlTest(width, height) {}
    void SetUp() override {
        GlTest::SetUp();
        setFixedGlState();
        quad_ = std::make_unique<Mesh>(MeshShape::FullScreenQuad);
        extractor_ = std::make_unique<SurfaceExtractor>();
        testing::internal::CaptureStdout();
        scene_ = std::make_unique<ShaftScene>(window(), *extractor_, *quad_);
        std::fflush(stdout);
        constructionOutput_ = testing::internal::GetCapturedStdout();
    }
    void TearDown() override {
        scene_.reset();
        extractor_.reset();
        quad_.reset();
        GlTest::TearDown();
    }

    void draw(double t, const Vec3& pos, double yaw = 0.0, double pitch = 0.0) {
        scene_->draw(t, yaw, pitch, pos[0], pos[1], pos[2]);
    }

    std::unique_ptr<Mesh> quad_;
    std::unique_ptr<SurfaceExtractor> extractor_;
    std::unique_ptr<ShaftScene> scene_;
    std::string constructionOutput_;
};

size_t texelIndex(int column, int row) {
    return static_cast<size_t>(row) * side + static_cast<size_t>(column);
}

// Texels spread over the whole particle texture, corners included.
std::vector<std::array<int, 2>> sampledTexels(int count) {
    std::vector<std::array<int, 2>> texels = {
        {0, 0}, {side - 1, 0}, {0, side - 1}, {side - 1, side - 1}};
    std::uint32_t state = 12345u;
    while (static_cast<int>(texels.size()) < count) {
        state = state * 1664525u + 1013904223u;
        const int column = static_cast<int>(state >> 22);
        state = state * 1664525u + 1013904223u;
        texels.push_back({column, static_cast<int>(state >> 22)});
    }
    return texels;
}

bool finite(const Float4& v) {
    return std::all_of(v.begin(), v.end(), [](float x) { return std::isfinite(x); });
}

bool parked(const Float4& position) {
    return position[3] < 0.0f;
}

// A camera 0.5 in front of a particle at p: the sprite pass shifts particles by -0.4 in x.
Vec3 cameraFacing(const Float4& p) {
    return {p[0] - 0.4, p[1], p[2] + 0.5};
}

float centreDensity(const ShaftScene& scene) {
    return readColour(scene.density())[static_cast<size_t>(height / 2) * width + width / 2][0];
}

bool densityIsZero(const ShaftScene& scene) {
    const std::vector<Float4> density = readColour(scene.density());
    return std::all_of(density.begin(), density.end(),
                       [](const Float4& d) { return d == Float4{}; });
}

// --- CPU references of the scene's shaders, in double precision.

// The sky at window pixel (x, y) before grain, or nothing where a stripe edge makes it ambiguous.
std::optional<Rgb> skyReference(int x, int y, double yaw, double pitch, double t, double density) {
    const Ray ray = viewRayReference(pixelCentre(x, width), pixelCentre(y, height),
                                     static_cast<double>(width) / height, 2.0, yaw, pitch);
    const double wave = std::sin(80.0 * std::atan2(ray[0], ray[2]));
    if (std::fabs(wave) < 0.02)
        return std::nullopt;
    const double d = facingLightReference(ray, 0.6);
    const double stripes = 0.075 * std::floor(1.0 + wave);
    const Rgb warm = hslToRgb(10.0 + 30.0 * d, 0.7 + 0.3 * d + stripes, 0.15 + 0.25 * d);
    const Rgb cool = hslToRgb(140.0 + 30.0 * d, 0.1 + 0.2 * d, 0.1 + 0.2 * d);
    const double w = std::clamp(0.2 * (60.0 - t), 0.0, 1.0);
    const double s = w * w * (3.0 - 2.0 * w);
    const double a = density > 0.0 ? density + 1.0 : 0.0;
    const double smoke = std::clamp(std::exp(0.025 * a) - 1.0, 0.0, 1.0);
    const auto channel = [&](double warmValue, double coolValue, double dark) {
        const double sky = warmValue * s + coolValue * (1.0 - s);
        return sky + (dark - sky) * smoke;
    };
    return Rgb{channel(warm.r, cool.r, 0.05), channel(warm.g, cool.g, 0.06),
               channel(warm.b, cool.b, 0.07)};
}

struct SkyComparison {
    int compared = 0;
    int mismatched = 0;
    int smoky = 0;
};

// Compares every window pixel with the sky reference, darkened by the density the draw summed.
SkyComparison compareWithSky(const ShaftScene& scene, double t, double yaw, double pitch) {
    const std::vector<Float4> density = readColour(scene.density());
    const std::vector<std::array<unsigned char, 4>> pixels = readWindow(width, height);
    SkyComparison result;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            const auto reference = skyReference(x, y, yaw, pitch, t, density[i][0]);
            if (!reference)
                continue;
            ++result.compared;
            result.smoky += density[i][0] > 0.0f;
            result.mismatched += !matchesWithGrain(pixels[i], *reference, 0.02);
        }
    }
    return result;
}

Vec3 curlReference(const Vec3& p, double s) {
    const double dx = std::cos(p[0] + 0.05 * s);
    const double dy = std::cos(p[1] + 0.05 * s);
    const double dz = std::cos(p[2] + 0.05 * s);
    return {dy - dz, dz - dx + 0.1, dx - dy};
}

// One smoke step of a particle, with the time and speed the GPU receives as floats.
void stepReference(Float4& position, Float4& state, float t, float speed) {
    Vec3 vel{};
    const std::array<std::array<double, 3>, 4> fields = {
        {{3.0, -2.6, 0.007}, {8.0, 0.0, 0.006}, {16.0, 0.0, 0.004}, {24.0, 0.0, 0.003}}};
    const std::array<double, 4> timeScales = {1.0, 3.0, 5.0, 8.0};
    for (size_t f = 0; f < fields.size(); ++f) {
        const auto [scale, shift, weight] = fields[f];
        const Vec3 p = {scale * position[0] + shift, scale * position[1] + shift,
                        scale * position[2] + shift};
        const Vec3 c = curlReference(p, timeScales[f] * t);
        for (size_t k = 0; k < 3; ++k)
            vel[k] += weight * c[k];
    }
    const double life = state[3];
    const double m = std::pow(std::max(0.0, life - 0.1), 2.0);
    for (size_t k = 0; k < 3; ++k) {
        position[k] += static_cast<float>(
            speed * 0.4 *
            ((1.0 - m) * vel[k] * std::exp((life - 1.0) * 2.7) * 0.6 + m * 0.008 * state[k]));
    }
    const double speedOfFlow = std::sqrt(vel[0] * vel[0] + vel[1] * vel[1] + vel[2] * vel[2]);
    state[3] = static_cast<float>(life - 0.00025 - 0.00025 * speedOfFlow);
}

double boxDistance(const Vec3& p, const Vec3& centre, const Vec3& half) {
    return std::max({std::fabs(p[0] - centre[0]) - half[0], std::fabs(p[1] - centre[1]) - half[1],
                     std::fabs(p[2] - centre[2]) - half[2]});
}

struct DistanceCheck {
    int outside = 0; // voxels beyond what the strata can add to the smooth shape
    int carved = 0;  // voxels the strata visibly move
};

// The shaft's smooth shape (shaft, top, floor, ledges, disc) at every voxel, and the band the
// strata noise (|prl| < 0.5 per octave) can move it by.
DistanceCheck checkShaftDistances(const Texture3D& volume, float t) {
    const int n = ShaftScene::volumeSize;
    std::vector<float> texels(static_cast<size_t>(n) * n * n);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_3D, volume.id());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_3D, 0, GL_RED, GL_FLOAT, texels.data());
    glBindTexture(GL_TEXTURE_3D, 0);
    DistanceCheck check;
    for (int layer = 0; layer < n; ++layer) {
        for (int y = 0; y < n; ++y) {
            for (int x = 0; x < n; ++x) {
                const Vec3 p = {(x + 0.5) / n - 0.5, (y + 0.5) / n - 0.5,
                                static_cast<double>(layer) / n - 0.5};
                const double r = std::hypot(p[0], p[2]);
                const double h = std::min(1.0, 5.0 * (p[1] + 0.4));
                const double wx = 0.1 * h * std::cos(4.0 * p[1] + t);
                const double wz = 0.1 * h * std::sin(4.0 * p[1] + t);
                const double shaft = 0.3 - std::hypot(p[0] + wx, p[2] + wz);
                const double smooth = std::max(p[1] - 0.45 + 0.4 * r, std::min(shaft, p[1] + 0.4));
                const double solids =
                    std::min({boxDistance(p, {0.2, -0.05, 0.3}, {0.1, 0.1, 0.25}),
                              boxDistance(p, {0.1, -0.3, 0.3}, {0.25, 0.025, 0.05}),
                              boxDistance(p, {-0.2, -0.2, -0.3}, {0.25, 0.025, 0.05}),
                              boxDistance(p, {-0.3, 0.15, -0.3}, {0.25, 0.025, 0.25}),
                              std::hypot(p[0] + 0.2, 5.0 * p[1] - 1.2, p[2] - 0.2) - 0.1});
                const double band = 0.15 * std::fabs(h) * 0.75;
                const double value = texels[(static_cast<size_t>(layer) * n + y) * n + x];
                constexpr double halfFloat = 1.5e-3;
                check.outside += value < std::min(smooth - band, solids) - halfFloat ||
                                 value > std::min(smooth + band, solids) + halfFloat;
                check.carved += std::fabs(value - std::min(smooth, solids)) > 0.01;
            }
        }
    }
    return check;
}

bool enabled(GLenum capability) {
    return glIsEnabled(capability) == GL_TRUE;
}

GLint integer(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

// The state every update and draw hands back: the window's framebuffer and viewport.
void expectWindowBound() {
    EXPECT_EQ(integer(GL_DRAW_FRAMEBUFFER_BINDING), 0);
    EXPECT_EQ(integer(GL_READ_FRAMEBUFFER_BINDING), 0);
    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, width, height}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

void expectStateAfterDraw() {
    expectWindowBound();
    EXPECT_TRUE(enabled(GL_DEPTH_TEST));
    EXPECT_FALSE(enabled(GL_BLEND));
    EXPECT_EQ(integer(GL_DEPTH_FUNC), GL_LEQUAL);
    EXPECT_TRUE(enabled(GL_CULL_FACE));
}

std::vector<float> readWindowDepth() {
    std::vector<float> depth(static_cast<size_t>(width) * height);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    return depth;
}

TEST_F(ShaftSceneTest, SeedPutsEveryParticleOnTheSphereOrParksItUnseen) {
    EXPECT_EQ(constructionOutput_, "");
    const std::vector<Float4> positions = readColour(scene_->currentPositions());
    const std::vector<Float4> states = readColour(scene_->currentStates());

    size_t parkedCount = 0;
    size_t wrong = 0;
    for (size_t i = 0; i < positions.size(); ++i) {
        const Float4& p = positions[i];
        wrong += !finite(p) || states[i] != Float4{-1.1f, 0.0f, 0.0f, 1.0f};
        if (parked(p)) {
            ++parkedCount;
            wrong += p != Float4{0.0f, -1000.0f, 0.0f, -1.0f};
        } else {
            const double radius = std::hypot(p[0] - 2.8, p[1], p[2] + 1.0);
            wrong += std::fabs(radius - 0.4) > 1e-5 || p[3] >= 1.0f;
        }
    }
    EXPECT_EQ(wrong, 0u);
    // The corners of the square outside the unit disc: 1 - pi / 4 of the texels.
    EXPECT_NEAR(static_cast<double>(parkedCount) / positions.size(), 1.0 - M_PI / 4.0, 0.003);

    // Sampled texels against the mapping of their hash, evaluated by the shared helper.
    const auto texels = sampledTexels(3000);
    std::vector<Float4> centres;
    for (const auto& [column, row] : texels) {
        centres.push_back({(static_cast<float>(column) + 0.5f) / side,
                           (static_cast<float>(row) + 0.5f) / side, 0.0f, 0.0f});
    }
    const auto hashes =
        evaluateOnGpu(shaderTexts().helper("texel_hash.glsl"), "texelHash(x.xy)", centres);
    int compared = 0;
    for (size_t i = 0; i < texels.size(); ++i) {
        const Float4& p = positions[texelIndex(texels[i][0], texels[i][1])];
        const Float4& r = hashes[i];
        const double a = 2.0 * r[1] - 1.0;
        const double b = 2.0 * r[2] - 1.0;
        const double q = a * a + b * b;
        if (std::fabs(q - 1.0) < 1e-5)
            continue;
        ++compared;
        SCOPED_TRACE(testing::Message() << "texel " << texels[i][0] << ", " << texels[i][1]);
        ASSERT_EQ(parked(p), q > 1.0);
        if (q > 1.0)
            continue;
        const double s = std::sqrt(1.0 - q);
        EXPECT_NEAR(p[0], 2.8 + 0.8 * a * s, 2e-6);
        EXPECT_NEAR(p[1], 0.8 * b * s, 2e-6);
        EXPECT_NEAR(p[2], 0.4 * (1.0 - 2.0 * q) - 1.0, 2e-6);
        EXPECT_EQ(p[3], r[3]);
    }
    EXPECT_GT(compared, 2900);
}

TEST_F(ShaftSceneTest, ParkedParticlesAreNeverDrawn) {
    const std::vector<Float4> seeded = readColour(scene_->currentPositions());
    const auto firstParked = std::find_if(seeded.begin(), seeded.end(), parked);
    ASSERT_NE(firstParked, seeded.end());
    const auto nearest =
        std::max_element(seeded.begin(), seeded.end(), [](const Float4& a, const Float4& b) {
            return (parked(a) ? -1e9f : a[2]) < (parked(b) ? -1e9f : b[2]);
        });

    // Smoke appears only after 30 s, and a valid particle right in front of the camera shows.
    draw(30.0, cameraFacing(*nearest));
    EXPECT_TRUE(densityIsZero(*scene_));
    draw(30.01, cameraFacing(*nearest));
    EXPECT_GT(centreDensity(*scene_), 0.0f);
    // Every covering sprite adds 0.06: thinly covered pixels hold small multiples of it.
    int thin = 0;
    for (const Float4& d : readColour(scene_->density())) {
        if (d[0] > 0.0f && d[0] < 1.0f) {
            ++thin;
            EXPECT_NEAR(d[0] / 0.06f, std::round(d[0] / 0.06f), 1e-4);
        }
    }
    EXPECT_GT(thin, 0);
    expectStateAfterDraw();

    // The same view of the parked ones: nothing, also after the smoke has started to flow.
    draw(30.01, cameraFacing(*firstParked));
    EXPECT_TRUE(densityIsZero(*scene_));
    scene_->update(34.3);
    scene_->update(34.32);
    const std::vector<Float4> flowed = readColour(scene_->currentPositions());
    const Float4& moved = flowed[static_cast<size_t>(firstParked - seeded.begin())];
    ASSERT_TRUE(parked(moved));
    draw(34.34, cameraFacing(moved));
    EXPECT_TRUE(densityIsZero(*scene_));
    expectStateAfterDraw();
}

TEST_F(ShaftSceneTest, EachUpdateAfterTheShaftIsOneSimulationStep) {
    std::vector<Float4> positions = readColour(scene_->currentPositions());
    std::vector<Float4> states = readColour(scene_->currentStates());
    const auto texels = sampledTexels(400);
    // Two steps, so that the second reads what the first wrote.
    const std::array<double, 2> times = {34.3, 34.32};
    const std::array<double, 2> speeds = {1.9 * 1.9, 1.84 * 1.84};
    for (size_t step = 0; step < times.size(); ++step) {
        SCOPED_TRACE(times[step]);
        const GLuint before = scene_->currentPositions().id();
        scene_->update(times[step]);
        EXPECT_NE(scene_->currentPositions().id(), before);
        EXPECT_EQ(scene_->frameVolume(), nullptr);
        EXPECT_FALSE(enabled(GL_DEPTH_TEST));
        expectWindowBound();

        const std::vector<Float4> nextPositions = readColour(scene_->currentPositions());
        const std::vector<Float4> nextStates = readColour(scene_->currentStates());
        for (const auto& [column, row] : texels) {
            const size_t i = texelIndex(column, row);
            Float4 position = positions[i];
            Float4 state = states[i];
            stepReference(position, state, static_cast<float>(times[step]),
                          static_cast<float>(speeds[step]));
            for (size_t k = 0; k < 3; ++k) {
                EXPECT_NEAR(nextPositions[i][k], position[k], 4e-6) << column << ", " << row;
                EXPECT_EQ(nextStates[i][k], state[k]);
            }
            EXPECT_EQ(nextPositions[i][3], position[3]);
            EXPECT_NEAR(nextStates[i][3], state[3], 1e-6);
        }
        positions = nextPositions;
        states = nextStates;
    }
}

TEST_F(ShaftSceneTest, SkyMatchesItsReferenceWhereNoSmokeLies) {
    struct View {
        double t;
        double yaw;
        double pitch;
    };
    // Towards the smoke while the sky turns cool, then up and away in the warm sky.
    for (const View& view : {View{58.0, 0.7, 0.3}, View{40.0, -1.0, -0.2}}) {
        SCOPED_TRACE(view.t);
        draw(view.t, {0.0, 0.0, 3.0}, view.yaw, view.pitch);
        expectStateAfterDraw();
        const SkyComparison sky = compareWithSky(*scene_, view.t, view.yaw, view.pitch);
        EXPECT_GT(sky.compared, width * height * 8 / 10);
        EXPECT_EQ(sky.mismatched, 0);
        if (view.t == 58.0)
            EXPECT_GT(sky.smoky, 10);
        else
            EXPECT_EQ(sky.smoky, 0);
    }
}

TEST_F(ShaftSceneTest, ShaftIsBuiltUntilItsEndAndDrawnOnlyBeforeIt) {
    // Looking steeply down the shaft from its axis.
    const Vec3 axis = {0.0, 0.0, 3.0};
    const double pitch = 1.2;

    scene_->update(34.1);
    EXPECT_EQ(scene_->frameVolume(), &scene_->volume());
    EXPECT_TRUE(enabled(GL_DEPTH_TEST));
    expectWindowBound();
    const DistanceCheck distances = checkShaftDistances(scene_->volume(), 34.1f);
    EXPECT_EQ(distances.outside, 0);
    EXPECT_GT(distances.carved, 10000);
    EXPECT_GT(extractor_->quadCount(), 1000u);

    draw(34.1, axis, 0.0, pitch);
    expectStateAfterDraw();
    const std::vector<float> depth = readWindowDepth();
    const auto covered =
        std::count_if(depth.begin(), depth.end(), [](float d) { return d < 1.0f; });
    EXPECT_GT(covered, width * height / 2);
    const SkyComparison hidden = compareWithSky(*scene_, 34.1, 0.0, pitch);
    EXPECT_GT(hidden.mismatched, hidden.compared / 2);

    // At 34.2 the volume is still built, but only sky (and smoke) is drawn.
    scene_->update(34.2);
    EXPECT_EQ(scene_->frameVolume(), &scene_->volume());
    glClear(GL_DEPTH_BUFFER_BIT);
    draw(34.2, axis, 0.0, pitch);
    expectStateAfterDraw();
    const std::vector<float> untouched = readWindowDepth();
    EXPECT_TRUE(std::all_of(untouched.begin(), untouched.end(), [](float d) { return d == 1.0f; }));
    const SkyComparison open = compareWithSky(*scene_, 34.2, 0.0, pitch);
    EXPECT_GT(open.compared, width * height * 8 / 10);
    EXPECT_EQ(open.mismatched, 0);

    // Afterwards only the smoke moves, and the frame leaves the same state.
    scene_->update(34.3);
    EXPECT_EQ(scene_->frameVolume(), nullptr);
    EXPECT_FALSE(enabled(GL_DEPTH_TEST));
    draw(34.3, axis, 0.0, pitch);
    expectStateAfterDraw();
}

TEST_F(ShaftSceneTest, FastForwardOnlyStepsTheSmoke) {
    const GLuint seeded = scene_->currentPositions().id();
    scene_->fastForward(20.0);
    EXPECT_EQ(scene_->frameVolume(), nullptr);
    EXPECT_EQ(scene_->currentPositions().id(), seeded);
    scene_->fastForward(34.2);
    EXPECT_EQ(scene_->currentPositions().id(), seeded);
    scene_->fastForward(34.3);
    EXPECT_EQ(scene_->frameVolume(), nullptr);
    EXPECT_NE(scene_->currentPositions().id(), seeded);
    EXPECT_FALSE(enabled(GL_DEPTH_TEST));
    expectWindowBound();
}

} // namespace

// A frame rendered between two frames of the clock: its smoke step is taken back afterwards.
TEST_F(ShaftSceneTest, TakingBackAnUpdateLeavesTheSmokeItFound) {
    struct Row {
        double t;
        bool steps;
    };
    // The shaft's last volume, then a smoke step.
    for (const Row& row : {Row{34.2, false}, Row{34.3, true}}) {
        const std::vector<Float4> before = readColour(scene_->currentPositions());
        scene_->update(row.t);
        EXPECT_EQ(readColour(scene_->currentPositions()) != before, row.steps) << row.t;
        scene_->takeBackStep(row.t);
        EXPECT_EQ(readColour(scene_->currentPositions()), before) << row.t;
    }
}
