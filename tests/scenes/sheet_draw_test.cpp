#include "app/camera.h"
#include "demo/demo_scenes.h"
#include "gpu/mesh.h"
#include "gpu/shader_program.h"
#include "gpu/texture.h"
#include "scenes/sheet_scene.h"
#include "shaders/shader_resource.h"
#include "shaders/shader_texts.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

constexpr int side = 96;
constexpr float gone = 1.0e4f;
constexpr float twoPi = 2.0f * 3.141592f;

struct Rgb {
    float r, g, b;
};

// CPU reference of the sheet's shade: hue 200, saturation 0.2 + z, lightness from the phase.
Rgb shade(float z, float w) {
    const float c = w > 0.0f ? std::floor(w / twoPi) / 3000.0f : 0.1f * w;
    const float s = 0.2f + z;
    const float l = 0.3f - std::min(0.2f, std::fabs(c));
    const float chroma = (1.0f - std::fabs(2.0f * l - 1.0f)) * s;
    // Hue 200 lies in the fourth sector: (0, X, C).
    const float sector = 200.0f / 60.0f;
    const float second = chroma * (1.0f - std::fabs(std::fmod(sector, 2.0f) - 1.0f));
    const float offset = l - 0.5f * s;
    return {offset, second + offset, chroma + offset};
}

// The rain-in lift of a particle at height y, s seconds into the drawing clock.
float lift(float y, float s) {
    return std::max(0.0f, 10.0f * std::exp(-8.0f * (s - 0.4f * y - 0.1f)) - 0.1f);
}

// Window pixel (x, y from the bottom) of a world point seen by the rest camera (0, 0, 3).
std::array<float, 2> restCameraPixel(float x, float y, float z) {
    const ProjectVector projection = project(side, side, DepthRange::Near0_1Far500);
    const float depth = 3.0f - z;
    return {(x * projection.x / depth + 1.0f) * 0.5f * side,
            (y * projection.y / depth + 1.0f) * 0.5f * side};
}

struct Image {
    std::vector<unsigned char> rgba;
    unsigned char at(int x, int y, int c) const {
        return rgba[static_cast<std::size_t>((y * side + x) * 4 + c)];
    }
};

// Centre of the pixels that are not black, and how many there are.
struct Blob {
    float x = 0.0f, y = 0.0f;
    int pixels = 0;
};

Blob blobOf(const Image& image) {
    Blob blob;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            if (image.at(x, y, 0) + image.at(x, y, 1) + image.at(x, y, 2) == 0)
                continue;
            blob.x += static_cast<float>(x) + 0.5f;
            blob.y += static_cast<float>(y) + 0.5f;
            ++blob.pixels;
        }
    }
    if (blob.pixels > 0) {
        blob.x /= static_cast<float>(blob.pixels);
        blob.y /= static_cast<float>(blob.pixels);
    }
    return blob;
}

// The sheet's point program over a handful of hand-made particles, one texel each.
class SheetDraw : public GlTest {
  protected:
    SheetDraw() : GlTest(side, side) {}

    void SetUp() override {
        GlTest::SetUp();
        setFixedGlState();
        program_.emplace(122);
    }

    void TearDown() override {
        program_.reset();
        GlTest::TearDown();
    }

    // Points at the texel centres of a count x 1 state texture.
    static Mesh pointsOver(int count) {
        std::vector<float> uv;
        for (int i = 0; i < count; ++i) {
            uv.push_back((static_cast<float>(i) + 0.5f) / static_cast<float>(count));
            uv.push_back(0.5f);
        }
        Mesh mesh;
        mesh.setVertices(uv.data(), count, 2);
        return mesh;
    }

    void setUniforms(float s, const Camera& camera) const {
        program_->bind();
        program_->setInt("tex", 0);
        program_->setVec2("dir", camera.dir.x, camera.dir.y);
        program_->setVec3("pos", camera.pos.x, camera.pos.y, camera.pos.z);
        const ProjectVector projection = project(side, side, DepthRange::Near0_1Far500);
        program_->setVec4("project", projection.x, projection.y, projection.z, projection.w);
        program_->setFloat("t", s);
    }

    // Draws the particles over a black window at drawing clock s; returns the samples drawn.
    GLuint draw(std::span<const Float4> states, float s, const Camera& camera = {}) {
        const int count = static_cast<int>(states.size());
        const Texture2D state(ImageKind::Colour, count, 1, states.front().data());
        const Mesh points = pointsOver(count);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, state.id());
        setUniforms(s, camera);
        const GLuint samples = countSamples([&] { points.draw(GL_POINTS); });
        EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
        return samples;
    }

    static Image readWindow() {
        Image image{std::vector<unsigned char>(static_cast<std::size_t>(side * side * 4))};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, side, side, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
        return image;
    }

    std::optional<ShaderProgram> program_;
};

TEST_F(SheetDraw, ALandedIdleParticleIsARoundSpriteOfItsShadeAndSize) {
    const std::vector<Float4> newborn{{0.0f, 0.0f, 0.0f, -0.5f}};
    const GLuint full = draw(newborn, 2.0f);
    // (1.5 - 2 / -3) * 4 = 8.67 pixels across: a disc of about 59 pixels.
    EXPECT_GT(full, 45u);
    EXPECT_LT(full, 72u);
    const Image image = readWindow();
    const Blob blob = blobOf(image);
    EXPECT_NEAR(blob.x, 48.0f, 0.5f);
    EXPECT_NEAR(blob.y, 48.0f, 0.5f);
    const Rgb expected = shade(0.0f, -0.5f);
    EXPECT_NEAR(image.at(48, 48, 0), expected.r * 255.0f, 1.0f);
    EXPECT_NEAR(image.at(48, 48, 1), expected.g * 255.0f, 1.0f);
    EXPECT_NEAR(image.at(48, 48, 2), expected.b * 255.0f, 1.0f);
    // Round: the corners of the sprite's square stay black.
    EXPECT_EQ(image.at(44, 44, 2), 0);
    EXPECT_EQ(image.at(51, 51, 2), 0);

    // In its last fifth of countdown a particle shrinks with it: half size at w = -0.1.
    const std::vector<Float4> fading{{0.0f, 0.0f, 0.0f, -0.1f}};
    const GLuint half = draw(fading, 2.0f);
    EXPECT_GT(half, full / 6);
    EXPECT_LT(half, full / 2);
}

TEST_F(SheetDraw, APushedParticleIsDarkerWithTurnsLeftAndShrinksBelow200) {
    const std::vector<Float4> fresh{{0.0f, 0.0f, 0.1f, twoPi * 250.0f + 0.5f}};
    const GLuint full = draw(fresh, 2.0f);
    const Image image = readWindow();
    const Rgb expected = shade(0.1f, twoPi * 250.0f + 0.5f);
    EXPECT_NEAR(image.at(48, 48, 0), expected.r * 255.0f, 1.0f);
    EXPECT_NEAR(image.at(48, 48, 1), expected.g * 255.0f, 1.0f);
    EXPECT_NEAR(image.at(48, 48, 2), expected.b * 255.0f, 1.0f);
    EXPECT_GT(full, 45u);

    // Lightness bottoms out at 0.1, however many turns are left.
    const std::vector<Float4> darkest{{0.0f, 0.0f, 0.0f, twoPi * 700.0f + 0.5f}};
    draw(darkest, 2.0f);
    const Rgb dark = shade(0.0f, twoPi * 700.0f + 0.5f);
    EXPECT_NEAR(pixelAt(48, 48)[1], dark.g * 255.0f, 1.0f);
    EXPECT_NEAR(pixelAt(48, 48)[2], dark.b * 255.0f, 1.0f);

    const std::vector<Float4> late{{0.0f, 0.0f, 0.0f, twoPi * 100.0f + 0.5f}};
    const GLuint half = draw(late, 2.0f);
    EXPECT_GT(half, full / 6);
    EXPECT_LT(half, full / 2);
}

TEST_F(SheetDraw, TheRainInLiftsEachRowUntilItLandsLowestRowsFirst) {
    // At s = 0.4 the row at y = -1 has landed while the row at y = 1 is still far above.
    const std::vector<Float4> rows{{0.0f, -1.0f, 0.0f, -0.5f}, {0.0f, 1.0f, 0.0f, -0.5f}};
    ASSERT_GT(draw(rows, 0.4f), 0u);
    Blob blob = blobOf(readWindow());
    const std::array<float, 2> low = restCameraPixel(0.0f, -1.0f, 0.0f);
    EXPECT_NEAR(blob.x, low[0], 0.5f);
    EXPECT_NEAR(blob.y, low[1], 0.5f);

    // Still falling: lifted by 10 exp(-8 (s - 0.4 y - 0.1)) - 0.1.
    const std::vector<Float4> falling{{0.5f, 0.0f, 0.0f, -0.5f}};
    for (float s : {0.45f, 0.55f}) {
        ASSERT_GT(draw(falling, s), 0u);
        blob = blobOf(readWindow());
        const std::array<float, 2> at = restCameraPixel(0.5f, lift(0.0f, s), 0.0f);
        EXPECT_NEAR(blob.x, at[0], 0.5f) << s;
        EXPECT_NEAR(blob.y, at[1], 0.5f) << s;
    }
    EXPECT_GT(lift(0.0f, 0.45f), 0.5f);

    // The first drawn frame: every row far out of view.
    EXPECT_EQ(draw(rows, -2.5f), 0u);
}

TEST_F(SheetDraw, ParkedNewbornAndBehindTheCameraParticlesDrawNothing) {
    const std::vector<Float4> hidden{
        {gone, 0.0f, 0.0f, -0.5f},  // carried off by the wind
        {0.0f, 0.0f, 0.0f, -1.0f},  // newborn: size 0
        {0.0f, 0.0f, 4.0f, -0.5f},  // behind the camera
        {0.0f, 0.0f, 2.95f, -0.5f}, // nearer than the near plane
    };
    EXPECT_EQ(draw(hidden, 2.0f), 0u);
    // Parked for good: not even a camera right in front of the parking place sees it.
    Camera parking;
    parking.pos.x = gone;
    EXPECT_EQ(draw(std::span(hidden).first(1), 2.0f, parking), 0u);
}

// What the vertex stage hands the rasteriser, captured by transform feedback.
struct VertexOut {
    float x, y, z, w, size;
};

class SheetDrawVertices : public SheetDraw {
  protected:
    void SetUp() override {
        SheetDraw::SetUp();
        const std::string source = std::string("#version 330\n#define vertexcompile\n") +
                                   std::string(shaderTexts().resource(122));
        const char* text = source.c_str();
        shader_ = glCreateShader(GL_VERTEX_SHADER);
        glShaderSource(shader_, 1, &text, nullptr);
        glCompileShader(shader_);
        capture_ = glCreateProgram();
        glAttachShader(capture_, shader_);
        const std::array<const char*, 2> varyings{"gl_Position", "gl_PointSize"};
        glTransformFeedbackVaryings(capture_, 2, varyings.data(), GL_INTERLEAVED_ATTRIBS);
        glLinkProgram(capture_);
        GLint status = GL_FALSE;
        glGetProgramiv(capture_, GL_LINK_STATUS, &status);
        ASSERT_EQ(status, GL_TRUE);
    }

    void TearDown() override {
        glDeleteProgram(capture_);
        glDeleteShader(shader_);
        SheetDraw::TearDown();
    }

    std::vector<VertexOut> vertices(std::span<const Float4> states, float s, const Camera& camera) {
        const int count = static_cast<int>(states.size());
        const Texture2D state(ImageKind::Colour, count, 1, states.front().data());
        const Mesh points = pointsOver(count);
        GLuint buffer = 0;
        glGenBuffers(1, &buffer);
        glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, buffer);
        glBufferData(GL_TRANSFORM_FEEDBACK_BUFFER, count * sizeof(VertexOut), nullptr,
                     GL_STATIC_READ);
        glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, buffer);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, state.id());
        glUseProgram(capture_);
        const auto uniform = [&](const char* name) { return glGetUniformLocation(capture_, name); };
        const ProjectVector projection = project(side, side, DepthRange::Near0_1Far500);
        glUniform1i(uniform("tex"), 0);
        glUniform2f(uniform("dir"), static_cast<float>(camera.dir.x),
                    static_cast<float>(camera.dir.y));
        glUniform3f(uniform("pos"), static_cast<float>(camera.pos.x),
                    static_cast<float>(camera.pos.y), static_cast<float>(camera.pos.z));
        glUniform4f(uniform("project"), projection.x, projection.y, projection.z, projection.w);
        glUniform1f(uniform("t"), s);
        glEnable(GL_RASTERIZER_DISCARD);
        glBeginTransformFeedback(GL_POINTS);
        points.draw(GL_POINTS);
        glEndTransformFeedback();
        glDisable(GL_RASTERIZER_DISCARD);
        std::vector<VertexOut> out(static_cast<std::size_t>(count));
        glGetBufferSubData(GL_TRANSFORM_FEEDBACK_BUFFER, 0, count * sizeof(VertexOut), out.data());
        glDeleteBuffers(1, &buffer);
        EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
        return out;
    }

    GLuint shader_ = 0;
    GLuint capture_ = 0;
};

bool finite(const VertexOut& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.w) &&
           std::isfinite(v.size);
}

bool outsideClipVolume(const VertexOut& v) {
    return std::fabs(v.x) > v.w || std::fabs(v.y) > v.w || std::fabs(v.z) > v.w;
}

TEST_F(SheetDrawVertices, NoParticleHandsTheRasteriserAnythingButFiniteValues) {
    const std::vector<Float4> extremes{
        {gone, 0.3f, 0.0f, 1000.0f},        // parked by the wind while pushed
        {0.0f, 40.0f, 0.0f, -0.5f},         // a lift whose exponent overflows a float
        {0.0f, 0.0f, 3.0f, -0.5f},          // in the camera's own plane
        {0.0f, 0.0f, 0.0f, -1.0f},          // size 0
        {0.0f, 0.0f, 0.0f, twoPi * 300.0f}, // freshly pushed
    };
    Camera rest;
    // Looking up, a lift that overflowed to infinity would land at infinite depth in front.
    Camera lookingUp;
    lookingUp.dir.y = -0.3;
    for (const Camera& camera : {rest, lookingUp}) {
        for (float s : {-2.5f, 0.0f, 5.0f, 20.0f}) {
            SCOPED_TRACE(s);
            const std::vector<VertexOut> out = vertices(extremes, s, camera);
            for (std::size_t i = 0; i < out.size(); ++i)
                EXPECT_TRUE(finite(out[i])) << i;
            for (std::size_t i = 0; i < 4; ++i)
                EXPECT_TRUE(outsideClipVolume(out[i])) << i;
        }
    }
    const std::vector<VertexOut> landed = vertices(extremes, 5.0f, rest);
    EXPECT_FALSE(outsideClipVolume(landed[4]));
    EXPECT_NEAR(landed[4].size, (1.5f + 2.0f / 3.0f) * 4.0f, 1e-4f);
}

class SheetSceneDraw : public GlTest {
  protected:
    SheetSceneDraw() : GlTest(64, 64) {}
};

TEST_F(SheetSceneDraw, PointsRainInOverTheWindowWithoutClearingIt) {
    setFixedGlState();
    const Mesh quad(MeshShape::FullScreenQuad);
    SheetScene scene(window(), quad);
    // From 10 units away the sheet spans rows 21 to 43 of 64, with the window's red around it.
    // Returns how many pixels of each row the sprites cover.
    const auto drawAt = [&](double t) {
        glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene.draw(t, 0.0, 0.0, 0.0, 0.0, 10.0);
        std::array<int, 64> covered{};
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                const auto pixel = pixelAt(x, y);
                if (pixel[0] != 255 || pixel[2] != 0) {
                    // Muted blue, never a blend with the red below.
                    EXPECT_GT(pixel[2], pixel[0]);
                    ++covered[static_cast<std::size_t>(y)];
                }
            }
        }
        return covered;
    };
    const auto rows = [](const std::array<int, 64>& covered, int first, int last) {
        int sum = 0;
        for (int y = first; y <= last; ++y)
            sum += covered[static_cast<std::size_t>(y)];
        return sum;
    };

    const std::array<int, 64> first = drawAt(81.8);
    EXPECT_EQ(rows(first, 0, 63), 0);
    // 0.45 s into the rain-in the rows below y = -0.56 have landed; the rest is in the air.
    const std::array<int, 64> raining = drawAt(84.3 + 0.45);
    const std::array<int, 64> landed = drawAt(86.0);
    EXPECT_GT(rows(landed, 22, 26), 5 * 32);
    EXPECT_GT(rows(raining, 22, 26), rows(landed, 22, 26) * 9 / 10);
    EXPECT_EQ(rows(landed, 48, 63), 0);
    EXPECT_GT(rows(raining, 48, 63), 20);
    EXPECT_EQ(rows(landed, 0, 15), 0);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

} // namespace
