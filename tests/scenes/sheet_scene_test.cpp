#include "scenes/sheet_scene.h"

#include "scenes/pass_setup.h"
#include "shaders/shader_texts.h"
#include "tests/support/frame_reference.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"
#include "tests/support/sheet_reference.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

namespace {

constexpr int side = SheetScene::stateSize;
constexpr float pi = 3.141592f, twoPi = 2.0f * pi, sheetGone = 1.0e4f;

class SheetSceneTest : public SceneTest {};

TEST_F(SheetSceneTest, DrawsOnItsClockSeedsIdleAtTheTexelHashAndStepsEveryTexelOnUpdate) {
    SheetScene scene(window(), shared_->quad);
    // The clears below are the window's, not the seed pass's target.
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    // Seen from 10 units away the sheet covers rows 21 to 43 of 64 once it has landed.
    for (const auto& [t, landed, high] : {std::tuple{81.8, 0, 0}, {84.75, 1, 1}, {86.0, 1, 0}}) {
        glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene.draw(t, 0.0, 0.0, 0.0, 0.0, 10.0);
        const auto pixels = readWindow(64, 64);
        const auto covered = [&](int first, int last) {
            return std::count_if(pixels.begin() + first * 64, pixels.begin() + (last + 1) * 64,
                                 [](const auto& p) { return p[0] != 255; });
        };
        EXPECT_EQ(covered(22, 26) > 160, landed == 1) << t;
        EXPECT_EQ(covered(48, 63) > 20, high == 1) << t;
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    std::vector<Float4> before = readColour(scene.state()), centres;
    for (int k = 0; k < side * side; k += 263)
        centres.push_back({(k % side + 0.5f) / side, (k / side + 0.5f) / side, 0, 0});
    const std::vector<Float4> hashes =
        evaluateOnGpu(shaderTexts().helper("texel_hash.glsl"), "texelHash(x.xy)", centres);
    for (size_t i = 0; i < centres.size(); ++i) {
        const Float4& r = hashes[i];
        const Float4 expected = {(r[0] - 0.5f) * 6, (r[1] - 0.5f) * 3.5f, (r[2] - 0.5f) * 0.2f,
                                 -r[3]};
        for (size_t c = 0; c < 4; ++c)
            EXPECT_NEAR(before[i * 263][c], expected[c], 1e-5f) << i << " " << c;
    }
    // First texels: countdown ending (-0; 0 after the step), landing at 12.57 / 12.55, parked.
    const float land = 12.56f + 4 * pi;
    const std::array<Float4, 5> edges = {{{1, 1, 0, -0.0f},
                                          {1, 1, 0, -1e-4f},
                                          {1, 1, 0, land + 0.01f},
                                          {1, 1, 0, land - 0.01f},
                                          {sheetGone, 1, 0, -1e-5f}}};
    // Mid-way through a segment of the first stroke, twice (pushed, pushed again); around the wind.
    const double mid = penStartTime + (titleStrokeTimes[10].start + titleStrokeTimes[10].end) /
                                          (2 * penUnitsPerSecond);
    std::vector<Float4> previous;
    int pushed = 0;
    for (const double t :
         {mid, mid, penStartTime + 14.9, penStartTime + 15.25, penStartTime + 22.0}) {
        glBindTexture(GL_TEXTURE_2D, scene.state().id());
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 5, 1, GL_RGBA, GL_FLOAT, edges.data());
        std::copy(edges.begin(), edges.end(), before.begin());
        scene.update(t);
        const std::vector<Float4> after = readColour(scene.state());
        const SheetPen pen = titlePenAt(t);
        const float s = static_cast<float>(t - penStartTime);
        for (size_t i = 0; i < before.size(); ++i) {
            const Float4& in = before[i];
            // Within rounding of the pen's reach it could go either way.
            if (std::fabs(std::hypot(in[0] - pen.posX * 6, in[1] - pen.posY * 3.5f) - 0.1f) < 1e-5f)
                continue;
            const SheetStep expected = sheetStepReference(in, s, pen);
            pushed += expected.pushed;
            // Reborn: idle anew, on the sheet (give or take a step's flow) until the wind.
            const Float4& out = after[i];
            EXPECT_TRUE(!expected.reborn ||
                        (out[3] == -1.0f &&
                         (s > 15.0f || (std::fabs(out[0]) < 3.001f && std::fabs(out[1]) < 1.751f &&
                                        std::fabs(out[2]) < 0.101f))))
                << t << " " << i;
            for (size_t c = 0; c < 4 && !expected.reborn; ++c)
                EXPECT_NEAR(out[c], expected.state[c],
                            2e-5f * std::max(1.0f, std::fabs(expected.state[c])))
                    << t << " " << i;
            if (HasFailure())
                return;
        }
        previous = std::exchange(before, after);
    }
    EXPECT_GT(pushed, 60);
    scene.takeBackStep(0.0);
    EXPECT_EQ(readColour(scene.state()), previous);
}

TEST_F(SheetSceneTest, PointsAreShadedSizedAndRainedInAsTheReferenceHas) {
    const ShaderProgram program = capturingProgram(shaderTexts().resource(ShaderId::SheetPoints),
                                                   {"gl_Position", "gl_PointSize", "colour"});
    const Camera camera;
    const ProjectVector project500 = project(64, 64, DepthRange::Near0_1Far500);
    // (x, y, z, phase, clock): idle, shrinking, pushed, falling; hidden: up, newborn, parked, near.
    const float many = twoPi * 250 + 0.5f, most = twoPi * 700 + 0.5f, few = twoPi * 100 + 0.5f;
    const std::vector<std::array<float, 5>> rows = {
        {0, 0, 0, -0.5f, 2},         {0.3f, -0.4f, 0.05f, -0.1f, 2},
        {0, 0, 0, -0.97f, 2},        {0, 0.5f, 0.1f, many, 2},
        {0, 0, 0, most, 2},          {-1, 0, 0, few, 2},
        {0.5f, 0, 0, -0.5f, 0.45f},  {0.5f, -0.5f, 0, -0.5f, 0.3f},
        {0, 1, 0, -0.5f, -2.5f},     {0, 0, 0, -1, 2},
        {sheetGone, 0, 0, -0.5f, 2}, {0, 0, 2.95f, -0.5f, 2}};
    const std::array<float, 2> uv{0.5f, 0.5f};
    Mesh point;
    point.setVertices(uv.data(), 1, 2);
    setCamera(program, camera);
    setProject(program, project500);
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows.data());
        const Texture2D state(ImageKind::Colour, 1, 1, row.data());
        glBindTexture(GL_TEXTURE_2D, state.id());
        program.setFloat("t", row[4]);
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
        // Parked, of no size, nearer than the near plane or far up: out of view.
        if (!(size > 0) || clip[3] < 0.1 || x >= sheetGone || std::fabs(clip[1]) > clip[3]) {
            EXPECT_TRUE(v[2] > v[3] || std::fabs(v[1]) > v[3]);
            continue;
        }
        const std::array<double, 8> expected = {clip[0], clip[1],  clip[2],  clip[3],
                                                size,    colour.r, colour.g, colour.b};
        for (size_t k = 0; k < 8; ++k)
            EXPECT_NEAR(v[k], expected[k], 1e-4 * (1 + std::fabs(expected[k]))) << k;
    }
}

} // namespace
