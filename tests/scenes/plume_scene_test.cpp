#include "scenes/plume_scene.h"

#include "scenes/pass_setup.h"
#include "shaders/shader_texts.h"
#include "tests/support/frame_reference.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"
#include "tests/support/rock_reference.h"
#include "tests/support/surface_reference.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int n = PlumeScene::volumeSize, width = 64, height = 36;

class PlumeSceneTest : public SceneTest {
  protected:
    PlumeSceneTest() : SceneTest(width, height) {}
    PlumeScene build() {
        CrtRandom random;
        return PlumeScene(window(), shared_->extractor, shared_->quad, random);
    }
};

TEST_F(PlumeSceneTest, FieldIsTheCappedColumnWithNoiseLitOnItsZeroLevelOverSky) {
    PlumeScene scene = build();
    // Near the column amid dust; then from afar only sky, half-way to warm grey and all the way.
    for (const auto& [t, camera] :
         std::vector<std::pair<double, Camera>>{{70.0, {{0.05, 0.1, 1.0}, {0, 0}}},
                                                {78.7, {{0, 0, 30}, {-0.4, 0.25}}},
                                                {81.7, {{0, 0, 30}, {-0.4, 0.25}}}}) {
        scene.update(t);
        ReferenceVolume field(n);
        field.values = readVolume(*scene.frameVolume());
        // Above y = 0.41 the noise cannot reach below the cap at 0.34: there the field is exact.
        double worst = 0.0;
        for (int i = 0; i < n * n * n; ++i) {
            if (i / n % n >= 118)
                worst = std::max(worst, std::fabs(field.values[i] -
                                                  plumeCapReference(layerPointReference(i, n), t)));
        }
        EXPECT_LT(worst, 1e-3) << t;
        drawAt(scene, t, camera);
        const std::vector<Float4> colour = readColour(scene.colourImage());
        const std::vector<float> depth = readDepth(scene.depthImage());
        const auto pixels = readWindow(width, height);
        const ProjectVector surface = project(width, height, DepthRange::Near0_01Far5);
        int kinds[3] = {}, wrong = 0;
        for (size_t i = 0; i < pixels.size(); ++i) {
            const Float4& c = colour[i];
            const double cx = pixelCentre(i % width, width), cy = pixelCentre(i / width, height);
            const Ray ray =
                viewRayReference(cx, cy, aspect(width, height), 2.0 - 0.1 * std::max(1.0, t - 60.0),
                                 camera.dir.x, camera.dir.y);
            const Rgb sky =
                coolSkyReference(facingLightReference(ray, 0.6), std::clamp(t - 78.2, 0.0, 1.0));
            const double grain = 0.04 * (1 - std::pow(std::hypot(c[0], c[1], c[2]), 3));
            const int kind = depth[i] == 1.0f ? 0 : c[3] == 1.0f ? 1 : 2;
            ++kinds[kind];
            // A mote is of hue 0.
            wrong += kind == 2 && !(c[0] >= c[1] && c[1] == c[2] && c[3] <= 0.99f);
            if (kind == 0) {
                wrong += c != Float4{} || !matchesWithGrain(pixels[i], sky, 0.02);
            } else if (kind == 1) {
                // The surface point drawn here, back in the volume unsqueezed in x and z.
                const Ray world = worldPointReference(cx, cy, depth[i], camera, surface);
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
                wrong += std::fabs(field.sample(v)) > 0.03 ||
                         std::max({std::fabs(c[0] - rock.r), std::fabs(c[1] - rock.g),
                                   std::fabs(c[2] - rock.b)}) > 0.01 ||
                         !matchesWithGrain(pixels[i], {c[0], c[1], c[2]}, grain);
            }
        }
        EXPECT_EQ(wrong, 0) << t;
        // Near the column all three kinds show; from far away only sky.
        EXPECT_TRUE(t == 70.0 ? kinds[0] > 400 && kinds[1] > 50 && kinds[2] > 10
                              : kinds[0] == width * height);
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
