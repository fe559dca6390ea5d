#include "gpu/mesh.h"
#include "gpu/render_target.h"
#include "gpu/shader_program.h"
#include "gpu/texture.h"
#include "scenes/sheet_pen.h"
#include "scenes/sheet_scene.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace {

constexpr float pi = 3.141592f;
constexpr float gone = 1.0e4f;

struct Vec3 {
    float x, y, z;
};

Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

Vec3 operator*(float k, Vec3 a) {
    return {k * a.x, k * a.y, k * a.z};
}

// CPU references in 32-bit floats, written from the behaviour the sheet promises.
Vec3 curl(Vec3 p, float s) {
    const float shift = 0.05f * s;
    const float dx = std::cos(p.x + shift), dy = std::cos(p.y + shift), dz = std::cos(p.z + shift);
    return {dy - dz, dz - dx + 0.1f, dx - dy};
}

Vec3 idleFlow(Vec3 p, Vec3 q, float s) {
    return 0.0008f * curl(2.0f * q, 9.0f * s) + 0.0005f * curl(6.0f * p, 17.0f * s) +
           0.0004f * curl(10.0f * q, 21.0f * s) + 0.0003f * curl(16.0f * p, 33.0f * s);
}

Vec3 pushedFlow(Vec3 p, Vec3 q, float s) {
    return 0.0008f * curl(6.0f * q, 9.0f * s) + 0.0005f * curl(18.0f * p, 17.0f * s) +
           0.0003f * curl(30.0f * q, 21.0f * s) + 0.0002f * curl(48.0f * p, 33.0f * s);
}

// One step of a texel. A reborn particle lands at a hash of its position that a CPU cannot
// reproduce bit for bit (cos of arguments near 1e5), so only the fact is reported.
struct Step {
    Float4 state;
    bool reborn = false;
    bool pushed = false;
};

Step referenceStep(const Float4& in, float s, const SheetPen& pen) {
    if (in[0] >= gone)
        return {in};
    Vec3 p{in[0], in[1], in[2]};
    float w = in[3];
    const Vec3 q{p.x * std::cos(0.4f) + p.z * std::sin(0.4f), p.y,
                 -p.x * std::sin(0.4f) + p.z * std::cos(0.4f)};
    Step step;
    const float dx = p.x - pen.posX * 6.0f, dy = p.y - pen.posY * 3.5f;
    if (std::sqrt(dx * dx + dy * dy) < 0.1f && (pen.dirX != 0.0f || pen.dirY != 0.0f)) {
        const float length = std::hypot(pen.dirX, pen.dirY);
        w = std::atan2(pen.dirX / length, pen.dirY / length) + 600.0f * pi;
        step.pushed = true;
    }
    if (w < 0.0f) {
        w += 0.0001f;
        if (w > 0.0f) {
            step.reborn = true;
            w = -1.0f;
        }
        p = p + 0.1f * idleFlow(p, q, s);
    } else {
        float m = std::floor(w / (2.0f * pi)) / 600.0f;
        m *= m;
        p.x -= 0.04f * m * std::sin(w);
        p.y += 0.04f * m * std::cos(w);
        p = p + (1.0f - m) * (m + 0.1f) * 10.0f * pushedFlow(p, q, s);
        w -= 4.0f * pi;
        if (w < 12.56f) {
            step.reborn = true;
            w = -1.0f;
        }
    }
    if (s > 15.0f) {
        const float s2 = 2.0f * (s - 15.0f);
        p.x += std::min(1.0f, s2) * 0.01f * std::exp(std::min(s2 + p.x + w - 2.0f, 80.0f));
        p.x = std::min(p.x, gone);
    }
    step.state = {p.x, p.y, p.z, w};
    return step;
}

void expectStep(const Float4& actual, const Step& expected, float tolerance = 2e-6f) {
    ASSERT_FALSE(expected.reborn);
    for (std::size_t c = 0; c < 4; ++c)
        EXPECT_NEAR(actual[c], expected.state[c],
                    tolerance * std::max(1.0f, std::fabs(expected.state[c])))
            << "component " << c;
}

// Reborn: idle with a full countdown, somewhere on the sheet (moved by at most one step's flow).
void expectReborn(const Float4& actual) {
    EXPECT_EQ(actual[3], -1.0f);
    EXPECT_GE(actual[0], -3.001f);
    EXPECT_LE(actual[0], 3.001f);
    EXPECT_GE(actual[1], -1.751f);
    EXPECT_LE(actual[1], 1.751f);
    EXPECT_GE(actual[2], -0.101f);
    EXPECT_LE(actual[2], 0.101f);
}

bool finite(const Float4& v) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]) && std::isfinite(v[3]);
}

class SheetSimulation : public GlTest {
  protected:
    // Runs the sheet's step program once over `states`, one texel each in a row.
    std::vector<Float4> step(std::span<const Float4> states, float s, const SheetPen& pen) {
        const int count = static_cast<int>(states.size());
        const Texture2D input(ImageKind::Colour, count, 1, states.front().data());
        const Texture2D output(ImageKind::Colour, count, 1);
        RenderTarget target;
        target.attach(0, &output);
        target.bind(count, 1);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, input.id());
        program_->bind();
        program_->setInt("tex", 0);
        program_->setFloat("t", s);
        program_->setVec2("pushpos", pen.posX, pen.posY);
        program_->setVec2("pushdir", pen.dirX, pen.dirY);
        glDisable(GL_DEPTH_TEST);
        quad_->draw(GL_TRIANGLES);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
        return readColour(output);
    }

    void SetUp() override {
        GlTest::SetUp();
        program_.emplace(124);
        quad_.emplace(MeshShape::FullScreenQuad);
    }

    void TearDown() override {
        program_.reset();
        quad_.reset();
        GlTest::TearDown();
    }

    std::optional<ShaderProgram> program_;
    std::optional<Mesh> quad_;
};

TEST_F(SheetSimulation, IdleParticlesCreepInTheWeakFlowAndCountDown) {
    const std::vector<Float4> states{{0.3f, -0.2f, 0.05f, -0.5f},
                                     {-2.9f, 1.7f, -0.09f, -0.99f},
                                     {2.5f, 0.4f, 0.0f, -0.0002f},
                                     {-1.0f, -1.5f, 0.1f, -0.3f}};
    for (float s : {0.0f, 1.3f, 9.7f}) {
        const std::vector<Float4> out = step(states, s, penLifted);
        for (std::size_t i = 0; i < states.size(); ++i) {
            SCOPED_TRACE(i);
            expectStep(out[i], referenceStep(states[i], s, penLifted));
            EXPECT_NEAR(out[i][3], states[i][3] + 0.0001f, 1e-7f);
        }
    }
}

TEST_F(SheetSimulation, ParticlesWhoseCountdownPassesZeroAreRebornAtAHashOfTheirPlace) {
    const std::vector<Float4> states{
        {0.3f, -0.2f, 0.05f, -0.00005f},
        {0.3f, -0.2f, 0.05f, -0.00002f}, // the same place, another countdown
        {-1.7f, 0.9f, 0.05f, -0.00005f},
        {1.0f, 1.0f, 0.0f, -0.0f},    // a seeded countdown of -0 is pushed with no turns left
        {1.0f, 1.0f, 0.0f, -0.0001f}, // reaches exactly 0: not yet
    };
    const std::vector<Float4> out = step(states, 2.0f, penLifted);
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        expectReborn(out[i]);
    }
    // Where a particle is reborn depends on its place only, and another place lands elsewhere.
    EXPECT_EQ(out[0], out[1]);
    EXPECT_GT(std::hypot(out[0][0] - out[2][0], out[0][1] - out[2][1]), 1e-3f);
    expectStep(out[4], referenceStep(states[4], 2.0f, penLifted));
    EXPECT_EQ(out[4][3], 0.0f);
}

TEST_F(SheetSimulation, ThePenFlingsParticlesWithinATenthOfItAgainstItsSweep) {
    // The pen at sheet point (0.3, -0.07), sweeping right and up the page (down the sheet).
    const SheetPen pen{0.05f, -0.02f, 0.03f, -0.04f};
    const std::vector<Float4> states{
        {0.32f, -0.05f, 0.0f, -0.5f},    // near: pushed
        {0.3f, 0.029f, 0.05f, -0.2f},    // 0.099 away: pushed
        {0.3f, 0.031f, 0.05f, -0.2f},    // 0.101 away: left idle
        {0.28f, -0.08f, 0.0f, 900.0f},   // already pushed: pushed anew
        {0.28f, -0.08f, 0.0f, -0.00001f} // about to be reborn: pushed instead
    };
    const float s = 4.5f;
    const std::vector<Float4> out = step(states, s, pen);
    for (std::size_t i = 0; i < states.size(); ++i) {
        SCOPED_TRACE(i);
        const Step expected = referenceStep(states[i], s, pen);
        EXPECT_EQ(expected.pushed, i != 2);
        expectStep(out[i], expected, 1e-5f);
    }
    // Pushed: w = angle of the pen direction + 300 turns, less the step's two turns.
    const float angle = std::atan2(0.6f, -0.8f);
    EXPECT_NEAR(out[0][3], angle + 596.0f * pi, 1e-3f);
    EXPECT_NEAR(out[3][3], angle + 596.0f * pi, 1e-3f);
}

TEST_F(SheetSimulation, APushThrowsAgainstThePensSweepOnTheSheet) {
    // Sweeping down the page is sweeping down the sheet: the particle is thrown up, 0.04 m a
    // step with m = 0.25, and the other way for a pen sweeping up the page. The flow after the
    // throw differs a little with the place it was thrown to.
    const std::vector<Float4> states{{0.32f, -0.05f, 0.0f, -0.5f}};
    const Float4 down = step(states, 3.0f, SheetPen{0.05f, -0.02f, 0.6f, 0.8f})[0];
    const Float4 up = step(states, 3.0f, SheetPen{0.05f, -0.02f, 0.6f, -0.8f})[0];
    EXPECT_NEAR(down[0] - up[0], 0.0f, 2e-3f);
    EXPECT_NEAR(down[1] - up[1], 2.0f * 0.01f * 0.8f, 2e-3f);
}

TEST_F(SheetSimulation, TheTurnCounterFallsTwoTurnsAStepAndRebirthComesBelow12_56) {
    const std::vector<Float4> states{
        {0.5f, 0.5f, 0.0f, 12.56f + 4.0f * pi + 0.01f}, // lands at 12.57: stays pushed
        {0.5f, 0.5f, 0.0f, 12.56f + 4.0f * pi - 0.01f}, // lands at 12.55: reborn
        {-0.5f, 0.2f, 0.05f, 1500.0f},                  // mid-flight
        {-0.5f, 0.2f, 0.05f, 1884.0f},                  // just pushed, m = 0.2484
    };
    const float s = 7.0f;
    const std::vector<Float4> out = step(states, s, penLifted);
    expectStep(out[0], referenceStep(states[0], s, penLifted));
    EXPECT_NEAR(out[0][3], 12.57f, 1e-4f);
    expectReborn(out[1]);
    expectStep(out[2], referenceStep(states[2], s, penLifted), 1e-5f);
    expectStep(out[3], referenceStep(states[3], s, penLifted), 1e-5f);
}

TEST_F(SheetSimulation, TheWindFrom15BlowsParticlesRightAndParksThoseItThrowsFar) {
    const std::vector<Float4> states{
        {1.0f, 0.3f, 0.0f, -0.5f},     {2.5f, -1.0f, 0.05f, -0.2f},
        {0.4f, 0.4f, 0.0f, 1000.0f}, // pushed: the wind's exponent is in the thousands
        {40.0f, 0.0f, 0.0f, -0.5f},  // far right already
        {gone, 0.3f, 0.0f, -0.00001f}, {gone, -0.8f, 0.02f, 13.0f},
    };
    for (float s : {14.0f, 15.0f, 15.25f, 17.0f, 22.0f}) {
        SCOPED_TRACE(s);
        const std::vector<Float4> out = step(states, s, penLifted);
        for (std::size_t i = 0; i < 2; ++i)
            expectStep(out[i], referenceStep(states[i], s, penLifted), 1e-5f);
        for (const Float4& texel : out)
            EXPECT_TRUE(finite(texel));
        if (s > 15.0f) {
            EXPECT_EQ(out[2][0], gone);
            EXPECT_EQ(out[3][0], gone);
        } else {
            expectStep(out[2], referenceStep(states[2], s, penLifted), 1e-5f);
        }
        // Parked particles never move, count down, get reborn or feel the pen.
        EXPECT_EQ(out[4], states[4]);
        EXPECT_EQ(out[5], states[5]);
    }
    const std::vector<Float4> parked{{gone, 0.3f, 0.0f, -0.5f}};
    EXPECT_EQ(step(parked, 20.0f, SheetPen{gone / 6.0f, 0.3f / 3.5f, 1.0f, 0.0f})[0], parked[0]);
}

class SheetSceneStep : public GlTest {};

TEST_F(SheetSceneStep, AStepOfTheSeededSheetMatchesTheReferenceAtEveryTexel) {
    const Mesh quad(MeshShape::FullScreenQuad);
    SheetScene scene(window(), quad);
    const GLuint seededId = scene.state().id();
    const std::vector<Float4> seeded = readColour(scene.state());

    // Mid-way through a segment of the first stroke: the pen is on the sheet.
    const PenSegmentTime& time = titleStrokeTimes[10];
    const double t = penStartTime + 0.5 * (time.start + time.end) / penUnitsPerSecond;
    scene.update(t);
    EXPECT_NE(scene.state().id(), seededId);
    const std::vector<Float4> stepped = readColour(scene.state());

    const SheetPen pen = titlePenAt(t);
    const auto s = static_cast<float>(t - penStartTime);
    int compared = 0, pushed = 0, reborn = 0;
    for (std::size_t i = 0; i < seeded.size(); ++i) {
        const Float4& in = seeded[i];
        const Step expected = referenceStep(in, s, pen);
        // Texels within rounding of the pen's reach or of the end of their countdown could go
        // either way on another rounding.
        const float reach = std::hypot(in[0] - pen.posX * 6.0f, in[1] - pen.posY * 3.5f);
        if (std::fabs(reach - 0.1f) < 1e-5f || std::fabs(in[3] + 0.0001f) < 1e-6f)
            continue;
        if (expected.reborn) {
            expectReborn(stepped[i]);
            ++reborn;
            continue;
        }
        for (std::size_t c = 0; c < 4; ++c)
            ASSERT_NEAR(stepped[i][c], expected.state[c], 2e-5f) << "texel " << i << " " << c;
        pushed += expected.pushed ? 1 : 0;
        ++compared;
    }
    EXPECT_GT(compared, 65000);
    EXPECT_GT(pushed, 30);
    EXPECT_LT(reborn, 20);

    // The next step reads what this one wrote, and writes the seeded texture over.
    scene.update(t + 1.0 / 60.0);
    EXPECT_EQ(scene.state().id(), seededId);
}

TEST_F(SheetSceneStep, LeavesTheWindowBoundWithItsViewportAndTheDepthTestOn) {
    const Mesh quad(MeshShape::FullScreenQuad);
    SheetScene scene(window(), quad);
    glDisable(GL_DEPTH_TEST);
    scene.update(90.0);
    GLint framebuffer = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    EXPECT_EQ(framebuffer, 0);
    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, window().width(), window().height()}));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

} // namespace
