#include "scenes/plume_scene.h"

#include "scenes/pass_setup.h"
#include "shaders/shader_texts.h"
#include "tests/support/frame_reference.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"
#include "tests/support/surface_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

constexpr int n = PlumeScene::volumeSize;
constexpr int width = 64;
constexpr int height = 36;

class PlumeSceneTest : public SceneTest {
  protected:
    PlumeSceneTest() : SceneTest(width, height) {}
    PlumeScene build() {
        CrtRandom random;
        return PlumeScene(window(), shared_->extractor, shared_->quad, random);
    }
};

// The volume update(t) builds.
ReferenceVolume fieldAt(PlumeScene& scene, double t) {
    scene.update(t);
    ReferenceVolume field(n);
    field.values = readVolume(*scene.frameVolume());
    return field;
}

double meanDifference(const ReferenceVolume& a, const ReferenceVolume& b) {
    double sum = 0.0;
    for (size_t i = 0; i < a.values.size(); ++i)
        sum += std::fabs(a.values[i] - b.values[i]);
    return sum / static_cast<double>(a.values.size());
}

TEST_F(PlumeSceneTest, FieldIsTheCappedColumnErodingFrom79_6WithNewNoiseAfterEachCut) {
    PlumeScene scene = build();
    // Above y = 0.41 the noise cannot reach below the cap at 0.34: there the field is exact.
    for (const double t : {70.0, 81.5}) {
        const ReferenceVolume field = fieldAt(scene, t);
        double worst = 0.0;
        for (int z = 0; z < n; ++z)
            for (int y = 118; y < n; ++y)
                for (int x = 0; x < n; ++x) {
                    // Layer z of the layered pass is the slice at z / n.
                    const double px = ((x + 0.5) / n - 0.5) * 0.3, py = (y + 0.5) / n - 0.5,
                                 pz = (static_cast<double>(z) / n - 0.5) * 0.3;
                    const double sphere = std::hypot(px, py - 0.35, pz) - 0.1;
                    const double expected = 0.09 * std::max(0.0, t - 79.6) +
                                            2.0 * std::min(sphere, std::hypot(px, pz)) + py - 0.34;
                    worst = std::max(worst, std::fabs(field.read(x, y, z) - expected));
                }
        EXPECT_LT(worst, 1e-3) << t;
    }
    // A hundredth of a second only scrolls the noise a little; across a cut it is new.
    for (const double cut : {68.6, 79.6}) {
        const ReferenceVolume before = fieldAt(scene, cut - 0.02),
                              justBefore = fieldAt(scene, cut - 0.01);
        EXPECT_GT(meanDifference(justBefore, fieldAt(scene, cut + 0.01)),
                  20.0 * meanDifference(before, justBefore))
            << cut;
    }
}

TEST_F(PlumeSceneTest, FrameIsLitRockOnItsZeroLevelDustFadedIntoTheSkyAndSkyElsewhere) {
    PlumeScene scene = build();
    // In front of the column with dust around it; then, from far away, only the sky: half-way
    // to warm grey with a wide gradient, and the closing scene's warm grey.
    for (const auto& [t, camera] :
         std::vector<std::pair<double, Camera>>{{70.0, {{0.05, 0.1, 1.0}, {0, 0}}},
                                                {78.7, {{0, 0, 30}, {-0.4, 0.25}}},
                                                {81.7, {{0, 0, 30}, {-0.4, 0.25}}}}) {
        SCOPED_TRACE(t);
        const ReferenceVolume field = fieldAt(scene, t);
        drawAt(scene, t, camera);
        const std::vector<Float4> colour = readColour(scene.colourImage());
        const std::vector<float> depth = readDepth(scene.depthImage());
        const auto pixels = readWindow(width, height);
        const ProjectVector surface = project(width, height, DepthRange::Near0_01Far5);
        int kinds[3] = {}, wrong = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const size_t i = static_cast<size_t>(y) * width + x;
                const Float4& c = colour[i];
                const double focal = 2.0 - 0.1 * std::max(1.0, t - 60.0);
                const Ray ray =
                    viewRayReference(pixelCentre(x, width), pixelCentre(y, height),
                                     aspect(width, height), focal, camera.dir.x, camera.dir.y);
                const double d = facingLightReference(ray, 0.6), g = std::clamp(t - 78.2, 0.0, 1.0);
                const Rgb sky = hslToRgb(140 + 30 * d - 120 * g, 0.1 + 0.2 * d - 0.1 * g,
                                         0.1 + 0.2 * d + 0.1 * g);
                const double grain = 0.04 * (1 - std::pow(std::hypot(c[0], c[1], c[2]), 3));
                if (depth[i] == 1.0f) {
                    ++kinds[0];
                    wrong += c != Float4{} || !matchesWithGrain(pixels[i], sky, 0.02);
                } else if (c[3] == 1.0f) {
                    ++kinds[1];
                    // The surface point drawn here, back in the volume unsqueezed in x and z.
                    const Ray world = worldPointReference(
                        pixelCentre(x, width), pixelCentre(y, height), depth[i], camera, surface);
                    const std::array<double, 3> v = {world[0] / 0.3 + 0.5, world[1] + 0.5,
                                                     world[2] / 0.3 + 0.5};
                    Ray normal{};
                    for (size_t a = 0; a < 3; ++a) {
                        std::array<double, 3> up = v, down = v;
                        up[a] += a == 1 ? 0.03 : 0.01;
                        down[a] -= a == 1 ? 0.03 : 0.01;
                        normal[a] = field.sample(up) - field.sample(down);
                    }
                    const double l = facingLightReference(normal, 0.5);
                    const Rgb rock = hslToRgb(10 + 20 * l, 0.2 + 0.2 * l, 0.2 + 0.3 * l);
                    wrong += std::fabs(field.sample(v)) > 0.03 || std::fabs(c[0] - rock.r) > 0.01 ||
                             std::fabs(c[1] - rock.g) > 0.01 || std::fabs(c[2] - rock.b) > 0.01 ||
                             !matchesWithGrain(pixels[i], {c[0], c[1], c[2]}, grain);
                } else {
                    ++kinds[2];
                    // A mote of hue 0 faded towards the sky by its alpha.
                    const Rgb faded = {c[0] + (sky.r - c[0]) * c[3], c[1] + (sky.g - c[1]) * c[3],
                                       c[2] + (sky.b - c[2]) * c[3]};
                    wrong += !(c[0] >= c[1] && c[1] == c[2] && c[3] <= 0.99f) ||
                             !matchesWithGrain(pixels[i], faded, grain);
                }
            }
        EXPECT_EQ(wrong, 0);
        // Near the column all three kinds show; from far away only sky.
        EXPECT_TRUE(t == 70.0 ? kinds[0] > 400 && kinds[1] > 50 && kinds[2] > 10
                              : kinds[0] == width * height);
    }
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

float fract(float x) {
    return x - std::floor(x);
}

TEST_F(PlumeSceneTest, DustMotesWobbleFadeTwinkleAndWipeAsTheReferenceHas) {
    const ShaderProgram program = capturingProgram(
        shaderTexts().resource(114), {"gl_Position", "gl_PointSize", "colour", "disc"});
    const Camera camera{{0.0, -0.5, 2.0}, {0.0, 0.0}};
    const ProjectVector far50 = project(32, 32, DepthRange::Near0_01Far50);
    // Fully in, in the colour wipe and in the closing scene; fading in, twinkling and fading
    // out; before the fade-in, twinkled off, faded out; seven units away, past the plume's sight.
    const std::vector<std::array<float, 4>> motes = {
        {0, 0, 0, 70},     {0, -1, 0, 80.3f}, {0, 0, 0, 85},     {0, 0, -5, 85},
        {0, -1, 0, 61.2f}, {0, 0, 0, 62.78f}, {0, 0, 0, 132.7f}, {0, 0, 0, 60.9f},
        {0, 0, 0, 62},     {0, 0, 0, 133},    {0, 0, -5, 70}};
    for (const auto& [x, y, z, t] : motes) {
        SCOPED_TRACE(t);
        program.bind();
        program.setFloat("t", t);
        setCamera(program, camera);
        setProject(program, far50);
        Mesh mote;
        const std::array<float, 3> q = {x, y, z};
        mote.setVertices(q.data(), 1, 3);
        const std::vector<float> v =
            captureVertices(GL_POINTS, 10, 1, [&] { mote.draw(GL_POINTS); });
        const double a = 999.9f * fract(999.9f * x) + t, b = 999.9f * fract(999.9f * z) + 1.2f * t;
        const Ray place = {x + 0.1 * std::cos(a), y - 0.1 * std::sin(a) * std::sin(b),
                           z - 0.1 * std::sin(a) * std::cos(b)};
        const auto clip = worldToClipReference(place, camera, far50);
        const double k = t < 81.8f ? 0.15 : 0.05, disc = clip[3] * k * clip[3] * k;
        const double d = facingLightReference(
            {place[0] - camera.pos.x, place[1] - camera.pos.y, place[2] - camera.pos.z}, 0.6);
        const double g = std::clamp(402.0 - z - 5.0 * t, 0.0, 1.0);
        const Rgb colour = hslToRgb(0, (0.6 - 0.5 * d) * g,
                                    std::min(0.5, 0.3 + 0.2 * d + (1 - g)) - (t > 81.8f ? 0.2 : 0));
        const double size =
            (2 + 8 / clip[3]) *
            std::clamp(1.0 + 3 * std::sin(99.9f * fract(999.9f * y) + 2.0f * t), 0.0, 1.0) *
            std::min(1.0, 0.5 * (t - 61.0 - y)) * std::clamp(664.0 - x - 5.0 * t, 0.0, 1.0);
        if (!(size > 0)) {
            EXPECT_GT(v[2], v[3]);
            EXPECT_EQ(v[9], 1.0f);
            continue;
        }
        const std::array<double, 10> expected = {clip[0],  clip[1],  clip[2],
                                                 clip[3],  size,     colour.r,
                                                 colour.g, colour.b, std::min(disc, 0.99),
                                                 disc};
        for (size_t i = 0; i < 10; ++i)
            EXPECT_NEAR(v[i], expected[i], 2e-4 * (1 + std::fabs(expected[i]))) << i;
    }
}

} // namespace
