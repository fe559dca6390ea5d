#include "gpu/pass_state.h"
#include "scenes/crt_random.h"
#include "scenes/pass_setup.h"
#include "shaders/shader_texts.h"
#include "tests/support/finale_reference.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"
#include "text/credits_filter.h"
#include "text/credits_image.h"
#include "text/finale_scene.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>
#include <utility>

namespace {

// A closing scene on a small headless window, with the shared quad and extractor it borrows.
class FinaleSceneTest : public SceneTest {
  protected:
    static constexpr int width = 64, height = 36;

    FinaleSceneTest() : SceneTest(width, height) {}
    void SetUp() override {
        SceneTest::SetUp();
        CrtRandom random;
        scene_.emplace(window(), shared_->extractor, shared_->quad, random);
    }
    void TearDown() override {
        scene_.reset();
        SceneTest::TearDown();
    }

    FinaleScene& scene() { return *scene_; }
    std::vector<Float4> particles() { return readColour(scene_->currentParticles()); }
    // Every particle at `state` but particle 12345 at `one`, for the next draw and step.
    void setParticles(const Float4& state, const Float4& one) {
        std::vector<Float4> states(512 * 512, state);
        states[12345] = one;
        glBindTexture(GL_TEXTURE_2D, scene_->currentParticles().id());
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 512, 512, GL_RGBA, GL_FLOAT, states.data());
    }
    // Only the faded sky (turning warm, then grey) plus at most its faded half grain shows.
    void expectEmptySky(double t, const Camera& camera) {
        drawAt(scene(), t, camera);
        const double fade = std::clamp(std::exp((195.0 - t) * 0.45) - 0.1, 0.0, 1.0);
        const auto pixels = readWindow(width, height);
        int wrong = 0;
        double grain = 0.0;
        for (int i = 0; i < width * height; ++i) {
            const Rgb sky = finaleSkyReference(
                viewRayReference(pixelCentre(i % width, width), pixelCentre(i / width, height),
                                 aspect(width, height), 2.0, camera.dir.x, camera.dir.y),
                t);
            const Rgb faded = {sky.r * fade, sky.g * fade, sky.b * fade};
            wrong += !matchesWithGrain(pixels[i], faded, 0.02 * fade);
            grain += (pixels[i][0] + pixels[i][1] + pixels[i][2]) / 765.0 -
                     (faded.r + faded.g + faded.b) / 3;
        }
        // Half of 0.04 times a dither uniform in [0, 1) averages 0.01.
        EXPECT_TRUE(wrong == 0 && std::fabs(grain / (width * height) - 0.01 * fade) < 0.004)
            << t << ": " << wrong << " pixels other than the sky, grain " << grain;
    }

    std::optional<FinaleScene> scene_;
};

TEST_F(FinaleSceneTest, TakesTheDustDrawsSkyAloneThenGroundAndBlobsUntil135AndTheTextLiftedAfter) {
    // The dust the generator's first values scatter over 40 units.
    CrtRandom random;
    for (const float d : readVertexBuffer(scene().dustMesh(), 30000))
        ASSERT_EQ(d, (random.next() % 10000 / 10000.0f - 0.5f) * 40.0f);
    // Far beyond the scene, looking away from it; the sky warm, turning grey, fading and faded.
    for (const double t : {100.0, 133.0, 194.8, 198.0, 200.0})
        expectEmptySky(t, Camera{{0.0, 0.0, 100.0}, {3.141592653589793 - 0.3, -0.2}});
    scene().update(134.99);
    setParticles({0.0f, -1000.0f, 0.0f, 1.0f}, {0.0f, -1000.0f, 0.0f, 1.0f});
    // Down onto flat ground: grey 0.05 + 0.4 (0.5 - 0.5 * 0.707 * 0.577) = 0.168, plus lines and
    // grain, from the downward normal as long as the sine between the edges (all three show).
    const Camera down{{7.0, 3.0, 6.0}, {0.0, 1.5}};
    drawAt(scene(), 134.99, down);
    const auto ground = pixelAt(width / 2, height / 2);
    EXPECT_NEAR(ground[0], 49, 9);
    EXPECT_TRUE(std::abs(ground[1] - ground[0]) <= 1 && std::abs(ground[2] - ground[0]) <= 1);
    expectEmptySky(135.0, down);
    // The blob shader's yellow-green, then the text shader's red on the same quads, lifted after.
    const Camera level{{0.0, 2.5, 25.0}, {0.0, 0.0}}, higher{{0.0, 22.5, 25.0}, {0.0, 0.0}};
    const std::tuple<double, Camera, char> shots[] = {{134.99, level, 'g'},
                                                      {135.0, level, 'r'},
                                                      {135.0, higher, '-'},
                                                      {135.01, level, '-'},
                                                      {135.01, higher, 'r'}};
    for (const auto& [t, camera, shade] : shots) {
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

TEST_F(FinaleSceneTest, EveryVoxelOfTheFieldIsTheReference) {
    // The blobs' two hashes as the GPU forms them: the last bits of its cosine decide them.
    std::vector<Float4> blobIndices;
    for (int i = 0; i < 58; ++i)
        blobIndices.push_back({float(i / 2), float(i % 2), 0.0f, 0.0f});
    const std::vector<Float4> hashes = evaluateOnGpu(
        "vec4 h(vec4 s) { return fract(999.9 * cos(99.9 * s)) - 0.5; }",
        "x.y < 0.5 ? h(vec4(19.9 + 29.1 * x.x, 15.3 + 27.3 * x.x, 11.5 + 25.7 * x.x, 19.1 + "
        "17.9 * x.x)) : h(vec4(12.2 + 31.3 * x.x, 17.4 + 34.6 * x.x, 14.2 + 31.5 * x.x, 11.9 + "
        "16.7 * x.x))",
        blobIndices);
    // The painted credits' green mask, softened as the credits filter's own test checks it.
    const CreditsImage image = paintCredits();
    std::vector<float> text = greenMask(image.bgra.data(), image.width, image.height, image.stride);
    softenMask(text, image.width, image.height);
    const int size = FinaleScene::volumeSize;
    // The blobs rising and risen; then each of the six lines at a point of its wipe.
    for (const float t : {101.3f, 127.9f, 139.0f, 152.0f, 164.0f, 175.5f, 185.5f, 192.0f}) {
        scene().update(t);
        const std::vector<float> built = readVolume(scene().volume());
        std::vector<Double4> blobs;
        for (int i = 0; t < 135.0f && i < 29; ++i)
            blobs.push_back(blobReference(hashes[2 * i], hashes[2 * i + 1], i, t));
        // Per voxel the reference, or the two where a text sample falls on a texel border.
        std::vector<std::pair<size_t, std::array<double, 2>>> expected;
        std::vector<Float4> seeds;
        for (size_t i = 0; i < built.size(); ++i) {
            const Ray p = {(i % size + 0.5) / size - 0.5, (i / size % size + 0.5) / size - 0.5,
                           double(i / size / size) / size - 0.5};
            // The blob field: 100 less every weight over its squared distance from p.
            std::array<double, 2> k = {100.0, 100.0};
            for (const Double4& b : blobs)
                k[0] = k[1] -= b[3] / (std::pow(b[0] - p[0], 2) + std::pow(b[1] - p[1], 2) +
                                       std::pow(b[2] - p[2], 2));
            if (t >= 135.0f)
                k = {textFieldReference(p, t, text, -1e-3), textFieldReference(p, t, text, 1e-3)};
            // Within what half floats hold; of the text, near the shape and every 23rd voxel.
            if (t < 135.0f ? std::fabs(k[0]) >= 3.0e4
                           : std::min(k[0], k[1]) > 0.05 && std::fabs(built[i]) > 0.05 && i % 23)
                continue;
            expected.push_back({i, k});
            const Ray s = textFrame(p, static_cast<int>(std::floor((t - 137.0) * 0.1)));
            if (t >= 135.0f)
                seeds.push_back({float(30 * s[0]), float(30 * s[1]), float(30 * s[2]),
                                 float(-0.1 + 0.25 * t * 103.0 / 60.0)});
        }
        // The text field's noise, 0.03 prl at its seed.
        const std::vector<Float4> noise =
            t < 135.0f
                ? seeds
                : evaluateOnGpu(shaderTexts().helper("prl.glsl"), "vec4(0.03 * prl(x))", seeds);
        int wrong = 0;
        for (size_t n = 0; n < expected.size(); ++n) {
            const auto& [voxel, k] = expected[n];
            const double seen = built[voxel] - (noise.empty() ? 0.0 : noise[n][0]);
            // The half floats' rounding.
            const auto near = [&](double r) {
                return std::fabs(seen - r) <= std::fabs(r) / 1024 + 1e-3;
            };
            if (!near(k[0]) && !near(k[1]) && ++wrong <= 5)
                ADD_FAILURE() << t << ": voxel " << voxel << ": " << seen << ", reference " << k[0];
        }
        EXPECT_EQ(wrong, 0) << t;
    }
}

class ParticlePassTest : public GlTest {};

TEST_F(ParticlePassTest, SeedAndStepAreTheReferenceAtEveryTexel) {
    constexpr int side = linearSide;
    Texture3D volume(VolumeKind::Distance, side, side, side, 1, VolumeWrap::ClampToEdge);
    std::vector<float> values;
    for (int i = 0; i < side * side * side; ++i)
        values.push_back(
            float(linearField({(i % side + 0.5) / side, (i / side % side + 0.5) / side})));
    glBindTexture(GL_TEXTURE_3D, volume.id());
    glTexSubImage3D(GL_TEXTURE_3D, 0, 0, 0, 0, side, side, side, GL_RED, GL_FLOAT, values.data());
    const Mesh quad(MeshShape::FullScreenQuad);
    // What a pass writes over the particle texture from `state`, the volume on unit 1.
    const auto run = [&](const ShaderProgram& program, const std::vector<Float4>& state, float t) {
        const Texture2D input(ImageKind::Colour, side, side, state.front().data()),
            output(ImageKind::Colour, side, side);
        RenderTarget target;
        target.attach(0, &output);
        beginPass({.target = &target, .width = side, .height = side, .depthTest = DepthTest::Off});
        bindTexture(0, GL_TEXTURE_2D, input.id());
        bindTexture(1, GL_TEXTURE_3D, volume.id());
        program.bind();
        program.setInt("sdf", 1);
        program.setFloat("t", t);
        quad.draw(GL_TRIANGLES);
        return readColour(output);
    };
    // Particles at (gx, gy, 0.5) in the volume where the field is 0.15, just outside and inside
    // the steering band, 0.003, -0.002 (the step reversed) and beyond the cube (the edge's value).
    const Ray rows[] = {{0.85, 0.1},  {0.763, 0.5}, {0.761, 0.5},
                        {0.756, 0.5}, {0.746, 0.5}, {10.5, 8.25}};
    // Lives that go on, reach exactly 0 (no respawn) and run out (respawn at the emitter).
    const float lives[] = {1.0f, 0.005f, 0.001f, 0.001f};
    std::vector<Float4> state;
    for (int i = 0; i < side * side; ++i)
        state.push_back({float(10 * rows[i / 4 % 6][0] - 5), float(17.5 + 10 * rows[i / 4 % 6][1]),
                         -5.0f, lives[i % 4]});
    // The emitter near x = 4, where the field is positive: respawned particles drift freely.
    const float t = 132.2f;
    const std::vector<Float4> seeded = run(ShaderProgram(ShaderId::StreamSeed), state, 0.0f),
                              stepped = run(ShaderProgram(ShaderId::StreamStep), state, t);
    for (size_t i = 0; i < stepped.size(); ++i) {
        // Seeds spread that hash 30 x 30 x 80 around (0, 24, 0) with lives 0.4 to 1.4; the
        // respawns, which take it too, show whether both passes formed it alike.
        const Double4 h = {seeded[i][0] / 30.0, (seeded[i][1] - 24.0) / 30.0, seeded[i][2] / 80.0,
                           seeded[i][3] - 0.9};
        const Double4 step = particleStepReference(state[i], t, h);
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(stepped[i][c], step[c], 2e-4 + 1e-5 * std::fabs(step[c]))
                << "row " << i / 4 % 6 << ", life " << state[i][3] << ", channel " << c;
    }
}

TEST_F(FinaleSceneTest, StepsFrom131IntoTheOtherTextureAndTakesStepsBack) {
    const GLuint seedTexture = scene().currentParticles().id();
    const std::vector<Float4> seeded = particles();
    // A frame rendered between two frames of the clock has its step taken back afterwards.
    for (const double t : {130.99, 131.0}) {
        scene().update(t);
        EXPECT_EQ(particles() != seeded, t >= 131.0) << t;
        scene().takeBackStep(t);
        EXPECT_EQ(particles(), seeded) << t;
    }
    scene().update(131.0);
    EXPECT_NE(scene().currentParticles().id(), seedTexture);
    const std::vector<Float4> first = particles();
    // Beyond the field's cube the edge's values (no surface there) let them drift -z.
    double drift = 0.0, free = 0.0;
    for (size_t i = 0; i < first.size(); ++i) {
        const bool out = std::max({std::fabs(seeded[i][0]), std::fabs(seeded[i][1] - 22.5f),
                                   std::fabs(seeded[i][2] + 5.0f)}) > 5.2f;
        free += out;
        drift += out * (first[i][2] - seeded[i][2]);
    }
    EXPECT_NEAR(drift / free, -0.2, 0.05);
    scene().fastForward(131.0 + 1.0 / 60.0);
    EXPECT_EQ(scene().currentParticles().id(), seedTexture);
    EXPECT_EQ(particles()[997][3], first[997][3] - 0.005f);
}

TEST_F(FinaleSceneTest, DrawsLivingParticlesWithin20OfTheText) {
    // One among dead ones; red at the centre: the sky's 48 alone, +90 at the text, +33 15 away.
    const Camera camera{{0.0, 22.0, 14.0}, {0.0, 0.0}};
    constexpr int sky = 48;
    const std::tuple<float, float, int> rows[] = {
        {-6.0f, 0.0f, sky}, {-26.5f, 1.0f, sky}, {-21.0f, 1.0f, 81}, {-6.0f, 1.0f, 138}};
    for (const auto& [z, life, red] : rows) {
        setParticles({0.0f, 22.0f, -6.0f, 0.0f}, {0.0f, 22.0f, z, life});
        drawAt(scene(), 140.0, camera);
        EXPECT_NEAR(pixelAt(width / 2, height / 2)[0], red, 16) << z << ", " << life;
        if (red == sky)
            expectEmptySky(140.0, camera);
    }
}

} // namespace
