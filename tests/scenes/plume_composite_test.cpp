#include "app/camera.h"
#include "gpu/shader_program.h"
#include "gpu/texture.h"
#include "scenes/pass_setup.h"
#include "tests/scenes/plume_fixture.h"
#include "tests/support/frame_reference.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <vector>

namespace {

// Odd sizes put the centres of some pixels of two skies with focal lengths 1.9 and 2.0 on the
// same rays (see pairsOnTheSameRay).
constexpr int width = 81;
constexpr int height = 45;

// Far beyond the plume (past the far plane) and the dust (faded out): every pixel is sky.
constexpr Camera::Position farAway = {0.0, 0.0, 30.0};

class PlumeCompositeTest : public PlumeSceneTest {
  protected:
    PlumeCompositeTest() : PlumeSceneTest(width, height) {}

    void renderFrame(double t, const Camera& camera) {
        scene_->update(t);
        scene_->draw(t, camera.dir.x, camera.dir.y, camera.pos.x, camera.pos.y, camera.pos.z);
        ASSERT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
    }
};

Camera cameraAt(Camera::Position pos, double yaw, double pitch) {
    Camera camera;
    camera.pos = pos;
    camera.dir = {yaw, pitch};
    return camera;
}

// The plume's sky for the ray through the centre of pixel (x, y), before grain.
Rgb plumeSky(int x, int y, double t, const Camera& camera) {
    const double focal = 2.0 - 0.1 * std::max(1.0, t - 60.0);
    const Ray ray =
        viewRayReference(pixelCentre(x, width), pixelCentre(y, height),
                         static_cast<double>(width) / height, focal, camera.dir.x, camera.dir.y);
    const double d = facingLightReference(ray, 0.6);
    const double g = std::clamp(t - 78.2, 0.0, 1.0);
    return hslToRgb(140.0 + 30.0 * d - 120.0 * g, 0.1 + 0.2 * d - 0.1 * g, 0.1 + 0.2 * d + 0.1 * g);
}

// The surface's lit rock colour hsltorgb(10 + 20 l, 0.2 + 0.2 l, 0.2 + 0.3 l) for some light
// l in [0, 1]; its blue channel, L - S/2 = 0.1 + 0.2 l, gives l.
void expectRockColour(const Float4& colour, int x, int y) {
    const double l = (colour[2] - 0.1) / 0.2;
    EXPECT_GE(l, -1e-4) << "plume pixel " << x << ", " << y;
    EXPECT_LE(l, 1.0 + 1e-4) << "plume pixel " << x << ", " << y;
    const Rgb rock = hslToRgb(10.0 + 20.0 * l, 0.2 + 0.2 * l, 0.2 + 0.3 * l);
    EXPECT_NEAR(colour[0], rock.r, 1e-4) << "plume pixel " << x << ", " << y;
    EXPECT_NEAR(colour[1], rock.g, 1e-4) << "plume pixel " << x << ", " << y;
}

// The world point drawn at pixel (x, y) with `depth` through the surface pass's projection
// (near 0.01, far 5), from a camera looking along -z.
Ray surfacePoint(int x, int y, float depth, const Camera& camera) {
    EXPECT_EQ(camera.dir.x, 0.0);
    EXPECT_EQ(camera.dir.y, 0.0);
    const ProjectVector surface = project(width, height, DepthRange::Near0_01Far5);
    const double ndcZ = 2.0 * depth - 1.0;
    const double viewZ = -surface.w / (ndcZ + surface.z);
    return {camera.pos.x + pixelCentre(x, width) * -viewZ / surface.x,
            camera.pos.y + pixelCentre(y, height) * -viewZ / surface.y, camera.pos.z + viewZ};
}

// A 128^3 distance volume read back, sampled like the GPU: trilinear between texel centres, zero
// beyond the faces.
class VolumeSampler {
  public:
    explicit VolumeSampler(const Texture3D& volume) : field_(readVolume(volume)) {}

    double sample(const Ray& coordinate) const {
        std::array<int, 3> low{};
        std::array<double, 3> weight{};
        for (size_t a = 0; a < 3; ++a) {
            const double texel = coordinate[a] * n - 0.5;
            low[a] = static_cast<int>(std::floor(texel));
            weight[a] = texel - low[a];
        }
        double value = 0.0;
        for (int corner = 0; corner < 8; ++corner) {
            double w = 1.0;
            std::array<int, 3> texel{};
            for (size_t a = 0; a < 3; ++a) {
                const int upper = (corner >> a) & 1;
                texel[a] = low[a] + upper;
                w *= upper ? weight[a] : 1.0 - weight[a];
            }
            value += w * read(texel);
        }
        return value;
    }

  private:
    static constexpr int n = PlumeScene::volumeSize;

    double read(const std::array<int, 3>& texel) const {
        for (int c : texel)
            if (c < 0 || c >= n)
                return 0.0;
        return field_[(static_cast<size_t>(texel[2]) * n + texel[1]) * n + texel[0]];
    }

    std::vector<float> field_;
};

// Grain strength 0.04 (1 - |rgb|^3) of a scene colour.
double grainStrength(const Float4& colour) {
    const double brightness =
        std::sqrt(colour[0] * colour[0] + colour[1] * colour[1] + colour[2] * colour[2]);
    return 0.04 * (1.0 - brightness * brightness * brightness);
}

struct GrainStatistics {
    int pixels = 0;
    double sum = 0.0;
    double highest = 0.0;
    double mean() const { return sum / pixels; }
};

// Every pixel against the sky of `reference`, which must be pure sky with half-strength grain.
GrainStatistics expectAllSky(double t, const Camera& camera,
                             const std::function<Rgb(int, int)>& reference) {
    const auto pixels = readWindow(width, height);
    GrainStatistics grain;
    int mismatched = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto& pixel = pixels[static_cast<size_t>(y) * width + x];
            const Rgb sky = reference(x, y);
            mismatched += !matchesWithGrain(pixel, sky, 0.02);
            const double added = grainOf(pixel, sky);
            ++grain.pixels;
            grain.sum += added;
            grain.highest = std::max(grain.highest, added);
        }
    }
    EXPECT_EQ(mismatched, 0) << "at t = " << t << " yaw " << camera.dir.x;
    return grain;
}

TEST_F(PlumeCompositeTest, EmptyPixelsArePureSkyWithHalfGrain) {
    // Green-grey, halfway to warm grey with a wide gradient, then the closing scene's warm grey.
    const Camera camera = cameraAt(farAway, -0.4, 0.25);
    for (double t : {78.7, 81.7}) {
        renderFrame(t, camera);
        const std::vector<float> depth = readDepth(scene_->depthImage());
        ASSERT_TRUE(std::all_of(depth.begin(), depth.end(), [](float d) { return d == 1.0f; }));
        const auto reference = [&](int x, int y) {
            if (t < 79.2)
                return plumeSky(x, y, t, camera);
            // From 79.2 s the sky is the one the closing scene opens with.
            const double focal = 2.0 - 0.1 * (t - 60.0);
            const double d =
                facingLightReference(viewRayReference(pixelCentre(x, width), pixelCentre(y, height),
                                                      static_cast<double>(width) / height, focal,
                                                      camera.dir.x, camera.dir.y),
                                     0.6);
            return hslToRgb(20.0 + 30.0 * d, 0.2 * d, 0.2 + 0.2 * d);
        };
        const GrainStatistics grain = expectAllSky(t, camera, reference);
        // Grain 0.04 k / 2 with k uniform in [0, 1): mean 0.01, reaching up to 0.02.
        EXPECT_NEAR(grain.mean(), 0.01, 0.003) << "at t = " << t;
        EXPECT_GT(grain.highest, 0.016) << "at t = " << t;
    }
}

// Pixels (x, y) of a sky with focal length 1.9 and (x', y') of one with focal length 2.0 whose
// centres lie on the same ray: the normalised coordinates scale by 20 / 19.
struct PixelPair {
    int x;
    int y;
    int sameRayX;
    int sameRayY;
};

std::vector<int> sameRayIndices(int size, std::vector<int>& partners) {
    std::vector<int> indices;
    for (int i = 0; i < size; ++i) {
        const int u = 2 * i + 1 - size;
        if ((u * 20) % 19 != 0)
            continue;
        const int partner = (u * 20 / 19 + size - 1) / 2;
        if (partner < 0 || partner >= size)
            continue;
        indices.push_back(i);
        partners.push_back(partner);
    }
    return indices;
}

std::vector<PixelPair> pairsOnTheSameRay() {
    std::vector<int> partnerX;
    std::vector<int> partnerY;
    const std::vector<int> xs = sameRayIndices(width, partnerX);
    const std::vector<int> ys = sameRayIndices(height, partnerY);
    std::vector<PixelPair> pairs;
    for (size_t i = 0; i < xs.size(); ++i)
        for (size_t j = 0; j < ys.size(); ++j)
            pairs.push_back({xs[i], ys[j], partnerX[i], partnerY[j]});
    return pairs;
}

TEST_F(PlumeCompositeTest, SkyAtSixtySecondsContinuesTheShaftScenesLastSky) {
    const Camera camera = cameraAt(farAway, 0.7, -0.3);
    renderFrame(60.0, camera);
    const auto plume = readWindow(width, height);

    // The shaft scene's sky pass, as its last frame draws it, with no smoke.
    const std::vector<float> noSmoke(static_cast<size_t>(width) * height * 4, 0.0f);
    const Texture2D density(ImageKind::Colour, width, height, noSmoke.data());
    const ShaderProgram shaftSky(119);
    bindWindow(window());
    glDisable(GL_DEPTH_TEST);
    bindTexture(0, GL_TEXTURE_2D, density.id());
    shaftSky.bind();
    shaftSky.setInt("tex", 0);
    shaftSky.setVec2("dir", camera.dir.x, camera.dir.y);
    shaftSky.setFloat("aspect", aspect(width, height));
    shaftSky.setFloat("t", 59.99f);
    quad_->draw(GL_TRIANGLES);
    glEnable(GL_DEPTH_TEST);
    ASSERT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
    const auto shaft = readWindow(width, height);

    const std::vector<PixelPair> pairs = pairsOnTheSameRay();
    ASSERT_EQ(pairs.size(), 15u);
    constexpr double quantum = 1.0 / 255.0;
    double meanDifference = 0.0;
    for (const PixelPair& pair : pairs) {
        const auto& a = plume[static_cast<size_t>(pair.y) * width + pair.x];
        const auto& b = shaft[static_cast<size_t>(pair.sameRayY) * width + pair.sameRayX];
        // Both add grain of up to 0.02, the same in every channel; the skies themselves agree.
        std::array<double, 3> difference{};
        for (size_t c = 0; c < 3; ++c) {
            difference[c] = (a[c] - b[c]) / 255.0;
            EXPECT_LE(std::fabs(difference[c]), 0.02 + 1.5 * quantum)
                << "pixel " << pair.x << ", " << pair.y << " channel " << c;
        }
        const auto [lowest, highest] = std::minmax_element(difference.begin(), difference.end());
        EXPECT_LE(*highest - *lowest, 2.0 * quantum) << "pixel " << pair.x << ", " << pair.y;
        meanDifference += difference[0] / static_cast<double>(pairs.size());
    }
    EXPECT_LT(std::fabs(meanDifference), 0.006);
}

TEST_F(PlumeCompositeTest, PlumeStaysDustFadesIntoTheSkyAndEmptyPixelsAreSky) {
    // In front of the column, with dust all around.
    const double t = 70.0;
    const Camera camera = cameraAt({0.05, 0.1, 1.0}, 0.0, 0.0);
    renderFrame(t, camera);

    // The state every scene relies on after a draw.
    GLint framebuffer = -1;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
    EXPECT_EQ(framebuffer, 0);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], width);
    EXPECT_EQ(viewport[3], height);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    const std::vector<Float4> colour = readColour(scene_->colourImage());
    const std::vector<float> depth = readDepth(scene_->depthImage());
    const auto pixels = readWindow(width, height);
    const VolumeSampler field(*scene_->frameVolume());
    double worstLevel = 0.0;
    int sky = 0;
    int plume = 0;
    int plumeUnlikeSky = 0;
    int dust = 0;
    int mismatched = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            const Float4& c = colour[i];
            const Rgb background = plumeSky(x, y, t, camera);
            bool matches = false;
            if (depth[i] == 1.0f) {
                ++sky;
                EXPECT_EQ(c, (Float4{0.0f, 0.0f, 0.0f, 0.0f})) << "empty pixel " << x << ", " << y;
                matches = matchesWithGrain(pixels[i], background, 0.02);
            } else if (c[3] == 1.0f) {
                ++plume;
                expectRockColour(c, x, y);
                // The surface lies on the field's zero level, squeezed to 0.3 in x and z.
                const Ray world = surfacePoint(x, y, depth[i], camera);
                const double level =
                    field.sample({world[0] / 0.3 + 0.5, world[1] + 0.5, world[2] / 0.3 + 0.5});
                worstLevel = std::max(worstLevel, std::fabs(level));
                plumeUnlikeSky += std::fabs(c[0] - background.r) > 0.05;
                matches = matchesWithGrain(pixels[i], {c[0], c[1], c[2]}, grainStrength(c));
            } else {
                ++dust;
                // Hue 0 (red to grey), alpha the fade towards the sky.
                EXPECT_TRUE(c[0] >= c[1] && c[1] == c[2] && c[3] <= 0.99f)
                    << "dust pixel " << x << ", " << y;
                const double a = c[3];
                const Rgb faded = {c[0] + (background.r - c[0]) * a,
                                   c[1] + (background.g - c[1]) * a,
                                   c[2] + (background.b - c[2]) * a};
                matches = matchesWithGrain(pixels[i], faded, grainStrength(c));
            }
            mismatched += !matches;
        }
    }
    EXPECT_EQ(mismatched, 0);
    EXPECT_LT(worstLevel, 0.03);
    // The frame shows all three kinds, and the plume differs from the sky where it stands.
    EXPECT_GT(sky, width * height / 4);
    EXPECT_GT(plume, 100);
    EXPECT_GT(plumeUnlikeSky, plume * 9 / 10);
    EXPECT_GT(dust, 20);
}

} // namespace
