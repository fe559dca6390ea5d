#include "app/camera.h"
#include "demo/demo_scenes.h"
#include "gpu/mesh.h"
#include "gpu/render_target.h"
#include "gpu/shader_program.h"
#include "gpu/texture.h"
#include "scenes/crt_random.h"
#include "scenes/dust_cloud.h"
#include "scenes/pass_setup.h"
#include "scenes/plume_scene.h"
#include "tests/support/frame_reference.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// --- Positions

TEST(DustCloudTest, FirstMotesComeFromTheClassicSequence) {
    // rand() starts 41, 18467, 6334, 26500, 19169, 15724: ((r mod 10000) / 10000 - 0.5) * 10.
    const std::vector<float> first = {-4.959f, 3.467f, 1.334f, 1.5f, 4.169f, 0.724f};
    CrtRandom random;
    const std::vector<float> two = scatterDust(random, 2, PlumeScene::dustSpan);
    ASSERT_EQ(two.size(), 6u);
    for (size_t i = 0; i < first.size(); ++i)
        EXPECT_NEAR(two[i], first[i], 1e-5f) << "coordinate " << i;
    // The next call continues the sequence (11478, 29358, 26962), here with the closing scene's
    // span of 40.
    const std::vector<float> next = scatterDust(random, 1, 40.0f);
    ASSERT_EQ(next.size(), 3u);
    EXPECT_NEAR(next[0], (0.1478f - 0.5f) * 40.0f, 1e-4f);
    EXPECT_NEAR(next[1], (0.9358f - 0.5f) * 40.0f, 1e-4f);
    EXPECT_NEAR(next[2], (0.6962f - 0.5f) * 40.0f, 1e-4f);

    // The scene's cloud starts with the same motes.
    CrtRandom fresh;
    const std::vector<float> cloud =
        scatterDust(fresh, PlumeScene::dustPoints, PlumeScene::dustSpan);
    ASSERT_EQ(cloud.size(), 3u * PlumeScene::dustPoints);
    for (size_t i = 0; i < first.size(); ++i)
        EXPECT_EQ(cloud[i], two[i]) << "coordinate " << i;
}

TEST(DustCloudTest, EveryCoordinateLiesInTheHalfOpenCube) {
    CrtRandom random;
    const std::vector<float> dust =
        scatterDust(random, PlumeScene::dustPoints, PlumeScene::dustSpan);
    const auto [lowest, highest] = std::minmax_element(dust.begin(), dust.end());
    EXPECT_GE(*lowest, -5.0f);
    EXPECT_LT(*highest, 5.0f);
    // Spread over the whole cube: both ends are reached.
    EXPECT_LT(*lowest, -4.99f);
    EXPECT_GT(*highest, 4.99f);
    double sum = 0.0;
    for (float coordinate : dust)
        sum += coordinate;
    // r mod 10000 favours 0 .. 2767 (four of 32768 values each, the rest three), which moves the
    // expected mean to (153811528 / 32768 / 10000 - 0.5) * 10 = -0.306.
    EXPECT_NEAR(sum / static_cast<double>(dust.size()), -0.306, 0.1);
}

TEST(DustCloudTest, NoPointsForACountBelowOne) {
    CrtRandom random;
    EXPECT_TRUE(scatterDust(random, 0, 10.0f).empty());
    EXPECT_TRUE(scatterDust(random, -3, 10.0f).empty());
    EXPECT_EQ(random.next(), 41);
}

// --- The dust shader, one mote at a time

constexpr int side = 32;
// The camera looks along -z from (0, -0.5, 2): a mote placed at the origin is 2 units ahead,
// half-way up the view.
constexpr Camera::Position viewpoint = {0.0, -0.5, 2.0};

struct Mote {
    float x;
    float y;
    float z;
};

float fract(float x) {
    return x - std::floor(x);
}

// What the dust shader should make of a mote seen from `viewpoint`, computed on the CPU with
// the shader's single-precision arguments.
struct MoteReference {
    double twinkle = 0.0;
    double fadeIn = 0.0;
    double fadeOut = 0.0;
    double size = 0.0;
    double disc = 0.0;
    Rgb colour{};
    double alpha = 0.0;
    // Where its centre lands, in pixels from the bottom left corner.
    double pixelX = 0.0;
    double pixelY = 0.0;

    bool drawn() const { return size > 0.0 && disc <= 0.999; }
};

MoteReference moteReference(const Mote& q, float t) {
    MoteReference mote;
    const double a = 999.9f * fract(999.9f * q.x) + t;
    const double b = 999.9f * fract(999.9f * q.z) + 1.2f * t;
    const Ray offset = {std::cos(a), -std::sin(a) * std::sin(b), -std::sin(a) * std::cos(b)};
    const Ray p = {q.x + 0.1 * offset[0] - viewpoint.x, q.y + 0.1 * offset[1] - viewpoint.y,
                   q.z + 0.1 * offset[2] - viewpoint.z};
    const double k = t < 81.8f ? 0.15 : 0.05;
    mote.disc = (p[2] * k) * (p[2] * k);
    const double d = facingLightReference(p, 0.6);
    const double g = std::clamp(402.0 - q.z - 5.0 * t, 0.0, 1.0);
    const double lightness = std::min(0.5, 0.3 + 0.2 * d + (1.0 - g)) - (t > 81.8f ? 0.2 : 0.0);
    mote.colour = hslToRgb(0.0, (0.6 - 0.5 * d) * g, lightness);
    mote.alpha = std::clamp(mote.disc, 0.0, 0.99);
    mote.twinkle =
        std::clamp(1.0 + 3.0 * std::sin(99.9f * fract(999.9f * q.y) + 2.0f * t), 0.0, 1.0);
    mote.fadeIn = std::min(1.0, 0.5 * (t - 61.0 - q.y));
    mote.fadeOut = std::clamp(664.0 - q.x - 5.0 * t, 0.0, 1.0);
    mote.size = (2.0 - 8.0 / p[2]) * mote.twinkle * mote.fadeIn * mote.fadeOut;
    // project.x = project.y = 2 on a square window.
    mote.pixelX = (2.0 * p[0] / -p[2] + 1.0) * side / 2.0;
    mote.pixelY = (2.0 * p[1] / -p[2] + 1.0) * side / 2.0;
    return mote;
}

// The pixel centres within half the size of the sprite's centre: a round point sprite covers
// those.
int pixelsInSprite(const MoteReference& mote) {
    int inside = 0;
    const double radius = mote.size / 2.0;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double dx = x + 0.5 - mote.pixelX;
            const double dy = y + 0.5 - mote.pixelY;
            inside += dx * dx + dy * dy <= radius * radius;
        }
    }
    return inside;
}

struct DrawnMote {
    int pixels = 0;
    double centreX = 0.0;
    double centreY = 0.0;
    std::vector<Float4> colours;
};

class DustShaderTest : public GlTest {
  protected:
    DustShaderTest() : GlTest(side, side) {}
    void SetUp() override {
        GlTest::SetUp();
        setFixedGlState();
        colour_ = std::make_unique<Texture2D>(ImageKind::Colour, side, side);
        depth_ = std::make_unique<Texture2D>(ImageKind::Depth, side, side);
        target_ = std::make_unique<RenderTarget>();
        target_->attach(0, colour_.get());
        target_->attachDepth(depth_.get());
        program_ = std::make_unique<ShaderProgram>(114);
    }
    void TearDown() override {
        program_.reset();
        target_.reset();
        depth_.reset();
        colour_.reset();
        GlTest::TearDown();
    }

    // Draws the one mote q at music time t, as the scenes draw their dust.
    DrawnMote draw(const Mote& q, float t) {
        Mesh mesh;
        mesh.setVertices(&q.x, 1, 3);
        target_->bind(side, side);
        const GLfloat none[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        const GLfloat farDepth = 1.0f;
        glClearBufferfv(GL_COLOR, 0, none);
        glClearBufferfv(GL_DEPTH, 0, &farDepth);
        Camera camera;
        camera.pos = viewpoint;
        program_->bind();
        program_->setFloat("t", t);
        setCamera(*program_, camera);
        setProject(*program_, project(side, side, DepthRange::Near0_01Far50));
        mesh.draw(GL_POINTS);
        EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));

        DrawnMote drawn;
        const std::vector<Float4> image = readColour(*colour_);
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                const Float4& c = image[static_cast<size_t>(y) * side + x];
                if (c == Float4{})
                    continue;
                ++drawn.pixels;
                drawn.centreX += x + 0.5;
                drawn.centreY += y + 0.5;
                drawn.colours.push_back(c);
            }
        }
        if (drawn.pixels > 0) {
            drawn.centreX /= drawn.pixels;
            drawn.centreY /= drawn.pixels;
        }
        return drawn;
    }

    // The mote drawn as a flat round sprite of the reference's size, colour, alpha and place.
    void expectDrawnAsReference(const Mote& q, float t) {
        const MoteReference reference = moteReference(q, t);
        ASSERT_TRUE(reference.drawn());
        ASSERT_GE(reference.size, 2.5) << "too small to measure";
        const DrawnMote drawn = draw(q, t);
        EXPECT_NEAR(drawn.pixels, pixelsInSprite(reference), 2.0)
            << "size " << reference.size << " at t = " << t;
        EXPECT_NEAR(drawn.centreX, reference.pixelX, 0.5) << "at t = " << t;
        EXPECT_NEAR(drawn.centreY, reference.pixelY, 0.5) << "at t = " << t;
        for (const Float4& c : drawn.colours) {
            EXPECT_NEAR(c[0], reference.colour.r, 1e-4) << "at t = " << t;
            EXPECT_NEAR(c[1], reference.colour.g, 1e-4) << "at t = " << t;
            EXPECT_NEAR(c[2], reference.colour.b, 1e-4) << "at t = " << t;
            EXPECT_NEAR(c[3], reference.alpha, 1e-4) << "at t = " << t;
        }
    }

    std::unique_ptr<Texture2D> colour_;
    std::unique_ptr<Texture2D> depth_;
    std::unique_ptr<RenderTarget> target_;
    std::unique_ptr<ShaderProgram> program_;
};

constexpr Mote origin = {0.0f, 0.0f, 0.0f};
// Its fade-in starts a second earlier than the origin's, it twinkles out of step, and it shows
// half-way down the view.
constexpr Mote lower = {0.0f, -1.0f, 0.0f};
// Seven units from the camera: beyond the plume's sight, within the closing scene's.
constexpr Mote distant = {0.0f, 0.0f, -5.0f};

TEST_F(DustShaderTest, ShowsTheMoteWithItsColourFadeSizeAndWobble) {
    // Red dust, fully in; half-way through the colour wipe; and the closing scene's grey.
    expectDrawnAsReference(origin, 70.0f);
    expectDrawnAsReference(origin, 70.5f);
    expectDrawnAsReference(lower, 80.3f);
    expectDrawnAsReference(origin, 85.0f);
    expectDrawnAsReference(distant, 85.0f);
}

TEST_F(DustShaderTest, SizeFollowsFadeInTwinkleAndFadeOut) {
    // Part-way through its fade-in; dimmed by the twinkle; half-way through its fade-out.
    const MoteReference fadingIn = moteReference(lower, 61.2f);
    ASSERT_EQ(fadingIn.twinkle, 1.0);
    ASSERT_NEAR(fadingIn.fadeIn, 0.6, 1e-4);
    expectDrawnAsReference(lower, 61.2f);

    const MoteReference twinkling = moteReference(origin, 62.78f);
    ASSERT_GT(twinkling.twinkle, 0.5);
    ASSERT_LT(twinkling.twinkle, 0.8);
    expectDrawnAsReference(origin, 62.78f);

    const MoteReference fadingOut = moteReference(origin, 132.7f);
    ASSERT_EQ(fadingOut.twinkle, 1.0);
    ASSERT_NEAR(fadingOut.fadeOut, 0.5, 1e-3);
    expectDrawnAsReference(origin, 132.7f);
}

TEST_F(DustShaderTest, MotesOfSizeZeroOrLessAndFarMotesAreNotDrawn) {
    struct Hidden {
        Mote q;
        float t;
        const char* why;
    };
    const std::vector<Hidden> hidden = {
        {origin, 60.9f, "before its fade-in"},
        {origin, 62.0f, "twinkled off"},
        {origin, 133.0f, "faded out"},
        {distant, 70.0f, "beyond the plume's sight"},
    };
    for (const Hidden& h : hidden) {
        const MoteReference reference = moteReference(h.q, h.t);
        ASSERT_FALSE(reference.drawn()) << h.why;
        EXPECT_EQ(draw(h.q, h.t).pixels, 0) << h.why;
    }
    // Only the factor named makes each one vanish.
    EXPECT_EQ(moteReference(origin, 60.9f).twinkle, 1.0);
    EXPECT_LT(moteReference(origin, 60.9f).fadeIn, 0.0);
    EXPECT_EQ(moteReference(origin, 62.0f).twinkle, 0.0);
    EXPECT_GT(moteReference(origin, 62.0f).fadeIn, 0.0);
    EXPECT_EQ(moteReference(origin, 133.0f).twinkle, 1.0);
    EXPECT_EQ(moteReference(origin, 133.0f).fadeOut, 0.0);
    EXPECT_GT(moteReference(distant, 70.0f).size, 0.0);
}

} // namespace
