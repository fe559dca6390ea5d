#include "scenes/sheet_scene.h"

#include "gpu/render_target.h"
#include "scenes/pass_setup.h"
#include "scenes/sheet_pen.h"
#include "shaders/shader_texts.h"
#include "tests/support/frame_reference.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"
#include "tests/support/sheet_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>
#include <vector>

namespace {

constexpr int side = SheetScene::stateSize;
constexpr float twoPi = 2.0f * 3.141592f;

class SheetSceneTest : public SceneTest {};

void expectStep(const Float4& actual, const Float4& in, float s, const SheetPen& pen) {
    const SheetStep expected = sheetStepReference(in, s, pen);
    // Reborn: idle with a full countdown, on the sheet (give or take a step's flow) until the wind.
    if (expected.reborn) {
        EXPECT_EQ(actual[3], -1.0f);
        EXPECT_TRUE(s > 15.0f || (std::fabs(actual[0]) < 3.001f && std::fabs(actual[1]) < 1.751f &&
                                  std::fabs(actual[2]) < 0.101f));
    }
    for (size_t c = 0; c < 4 && !expected.reborn; ++c)
        EXPECT_NEAR(actual[c], expected.state[c],
                    2e-5f * std::max(1.0f, std::fabs(expected.state[c])))
            << c;
}

TEST_F(SheetSceneTest, SeedsEveryParticleIdleAtTheHashOfItsTexelCentre) {
    const SheetScene scene(window(), shared_->quad);
    const std::vector<Float4> seeded = readColour(scene.state());
    std::vector<Float4> centres;
    for (int k = 0; k < side * side; k += 257)
        centres.push_back({(k % side + 0.5f) / side, (k / side + 0.5f) / side, 0, 0});
    const std::vector<Float4> hashes =
        evaluateOnGpu(shaderTexts().helper("texel_hash.glsl"), "texelHash(x.xy)", centres);
    for (size_t i = 0; i < centres.size(); ++i) {
        const Float4& r = hashes[i];
        const Float4 expected = {(r[0] - 0.5f) * 6, (r[1] - 0.5f) * 3.5f, (r[2] - 0.5f) * 0.2f,
                                 -r[3]};
        const Float4& texel = seeded[i * 257];
        for (size_t c = 0; c < 4; ++c)
            EXPECT_NEAR(texel[c], expected[c], 1e-5f) << i << " " << c;
    }
}

TEST_F(SheetSceneTest, EachStepFollowsTheReferenceIdlePushedRebornAndBlown) {
    const ShaderProgram program(124);
    // The pen at sheet point (0.3, -0.07), sweeping right and up the page.
    const SheetPen pen{0.05f, -0.02f, 0.03f, -0.04f};
    // Idle and near the end of its countdown (-0: no turns left, or reaching exactly 0); near the
    // pen, 0.099 and 0.101 from it; pushed and pushed again; landing at 12.57 and at 12.55 after a
    // step; mid-flight; thrown far by the wind; parked.
    const float pi = 3.141592f;
    const std::vector<Float4> states = {
        {0.3f, -0.2f, 0.05f, -0.5f},         {-2.9f, 1.7f, -0.09f, -0.99f},
        {0.3f, -0.2f, 0.05f, -5e-5f},        {1.0f, 1.0f, 0.0f, -0.0f},
        {1.0f, 1.0f, 0.0f, -0.0001f},        {0.32f, -0.05f, 0.0f, -0.5f},
        {0.3f, 0.029f, 0.05f, -0.2f},        {0.3f, 0.031f, 0.05f, -0.2f},
        {0.28f, -0.08f, 0.0f, 900.0f},       {0.5f, 0.5f, 0.0f, 12.57f + 4 * pi},
        {0.5f, 0.5f, 0.0f, 12.55f + 4 * pi}, {-0.5f, 0.2f, 0.05f, 1884.0f},
        {0.4f, 0.4f, 0.0f, 1000.0f},         {40.0f, 0.0f, 0.0f, -0.5f},
        {sheetGone, 0.3f, 0.0f, -1e-5f},     {sheetGone, -0.8f, 0.02f, 13.0f}};
    const Texture2D input(ImageKind::Colour, static_cast<int>(states.size()), 1,
                          states.front().data());
    const Texture2D output(ImageKind::Colour, static_cast<int>(states.size()), 1);
    RenderTarget target;
    target.attach(0, &output);
    for (const float s : {0.0f, 4.5f, 14.0f, 15.25f, 22.0f}) {
        for (const SheetPen& at : {penLifted, pen}) {
            SCOPED_TRACE(testing::Message() << "s " << s << " pen " << at.posX);
            target.bind(static_cast<int>(states.size()), 1);
            glActiveTexture(GL_TEXTURE0);
            glBindTexture(GL_TEXTURE_2D, input.id());
            program.bind();
            program.setInt("tex", 0);
            program.setFloat("t", s);
            program.setVec2("pushpos", at.posX, at.posY);
            program.setVec2("pushdir", at.dirX, at.dirY);
            shared_->quad.draw(GL_TRIANGLES);
            const std::vector<Float4> out = readColour(output);
            for (size_t i = 0; i < states.size(); ++i) {
                SCOPED_TRACE(i);
                expectStep(out[i], states[i], s, at);
            }
        }
    }
}

TEST_F(SheetSceneTest, AnUpdateStepsEveryTexelUnderTheTitlePenAndCanBeTakenBack) {
    SheetScene scene(window(), shared_->quad);
    const std::vector<Float4> seeded = readColour(scene.state());
    // Mid-way through a segment of the first stroke: the pen is on the sheet.
    const double t = penStartTime + 0.5 * (titleStrokeTimes[10].start + titleStrokeTimes[10].end) /
                                        penUnitsPerSecond;
    scene.update(t);
    const std::vector<Float4> stepped = readColour(scene.state());
    const SheetPen pen = titlePenAt(t);
    int pushed = 0;
    for (size_t i = 0; i < seeded.size(); ++i) {
        const Float4& in = seeded[i];
        // Within rounding of the pen's reach or of the end of the countdown it could go either way.
        if (std::fabs(std::hypot(in[0] - pen.posX * 6, in[1] - pen.posY * 3.5f) - 0.1f) < 1e-5f ||
            std::fabs(in[3] + 0.0001f) < 1e-6f)
            continue;
        pushed += sheetStepReference(in, static_cast<float>(t - 85.9), pen).pushed;
        expectStep(stepped[i], in, static_cast<float>(t - 85.9), pen);
        if (HasFailure())
            return;
    }
    EXPECT_GT(pushed, 30);
    scene.takeBackStep(t);
    EXPECT_EQ(readColour(scene.state()), seeded);
}

TEST_F(SheetSceneTest, PointsAreShadedSizedAndRainedInAsTheReferenceHas) {
    const ShaderProgram program =
        capturingProgram(shaderTexts().resource(122), {"gl_Position", "gl_PointSize", "colour"});
    const Camera camera;
    const ProjectVector project500 = project(64, 64, DepthRange::Near0_1Far500);
    // States (x, y, z, phase) and drawing clock s: landed idle, shrinking in and out, pushed with
    // many and few turns left; falling; hidden: still far up at the first frame, newborn, parked,
    // nearer than the near plane.
    const float many = twoPi * 250 + 0.5f, most = twoPi * 700 + 0.5f, few = twoPi * 100 + 0.5f;
    const std::vector<std::array<float, 5>> rows = {
        {0, 0, 0, -0.5f, 2},         {0.3f, -0.4f, 0.05f, -0.1f, 2},
        {0, 0, 0, -0.97f, 2},        {0, 0.5f, 0.1f, many, 2},
        {0, 0, 0, most, 2},          {-1, 0, 0, few, 2},
        {0.5f, 0, 0, -0.5f, 0.45f},  {0.5f, -0.5f, 0, -0.5f, 0.3f},
        {0, 1, 0, -0.5f, -2.5f},     {0, 0, 0, -1, 2},
        {sheetGone, 0, 0, -0.5f, 2}, {0, 0, 2.95f, -0.5f, 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows.data());
        const Texture2D state(ImageKind::Colour, 1, 1, row.data());
        glBindTexture(GL_TEXTURE_2D, state.id());
        program.bind();
        program.setInt("tex", 0);
        setCamera(program, camera);
        program.setVec4("project", project500.x, project500.y, project500.z, project500.w);
        program.setFloat("t", row[4]);
        const std::array<float, 2> uv{0.5f, 0.5f};
        Mesh point;
        point.setVertices(uv.data(), 1, 2);
        const std::vector<float> v =
            captureVertices(GL_POINTS, 8, 1, [&] { point.draw(GL_POINTS); });
        const auto [x, y, z, w, t] = row;
        const float c = w > 0 ? std::floor(w / twoPi) / 3000 : 0.1f * w;
        const Rgb colour = hslToRgb(200, 0.2 + z, 0.3 - std::min(0.2f, std::fabs(c)));
        const double lift = std::max(0.0, 10 * std::exp(-8.0 * (t - 0.4 * y - 0.1)) - 0.1);
        const auto clip = worldToClipReference({x, y + lift, z}, camera, project500);
        const double g = w < 0 ? std::clamp(std::fabs(5.0 * w), 0.0, 1.0) *
                                     std::clamp(5 * (1 - std::fabs(w)), 0.0f, 1.0f)
                               : std::min(1.0f, std::floor(w / twoPi) / 200);
        const double size = (1.5 + 2 / clip[3]) * 4 * g;
        // Parked, of no size or nearer than the near plane: sent past the far plane.
        if (!(size > 0) || clip[3] < 0.1 || x >= sheetGone) {
            EXPECT_GT(v[2], v[3]);
            continue;
        }
        if (std::fabs(clip[1]) > clip[3]) {
            EXPECT_GT(std::fabs(v[1]), v[3]) << "in view";
            continue;
        }
        const std::array<double, 8> expected = {clip[0], clip[1],  clip[2],  clip[3],
                                                size,    colour.r, colour.g, colour.b};
        for (size_t k = 0; k < 8; ++k)
            EXPECT_NEAR(v[k], expected[k], 1e-4 * (1 + std::fabs(expected[k]))) << k;
    }
}

TEST_F(SheetSceneTest, TheSceneDrawsOverTheWindowOnItsOwnClock) {
    SheetScene scene(window(), shared_->quad);
    // Seen from 10 units away the sheet covers rows 21 to 43 of 64 once it has landed.
    for (const auto& [t, landed, high] : {std::tuple{81.8, 0, 0}, {84.75, 1, 1}, {86.0, 1, 0}}) {
        glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene.draw(t, 0.0, 0.0, 0.0, 0.0, 10.0);
        const std::vector<std::array<unsigned char, 4>> pixels = readWindow(64, 64);
        const auto covered = [&](int first, int last) {
            return std::count_if(pixels.begin() + first * 64, pixels.begin() + (last + 1) * 64,
                                 [](const auto& p) { return p[0] != 255; });
        };
        EXPECT_EQ(covered(22, 26) > 160, landed == 1) << t;
        EXPECT_EQ(covered(48, 63) > 20, high == 1) << t;
    }
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

} // namespace
