#include "gpu/mesh.h"
#include "gpu/shader_program.h"
#include "shaders/shader_texts.h"
#include "tests/support/frame_reference.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

class GlPrimitivesTest : public GlTest {};

const std::array<std::string, 3> stages = {"vertex", "fragment", "geometry"};

std::string section(size_t stage, const std::string& body) {
    return "#ifdef " + stages[stage] + "compile\n" + body + "\n#endif\n";
}

// The source (or else the log) of each of the program's stages, empty for a stage it lacks.
std::array<std::string, 3> stageTexts(const ShaderProgram& program, bool source) {
    std::array<GLuint, 4> shaders{};
    GLsizei count = 0;
    glGetAttachedShaders(program.id(), 4, &count, shaders.data());
    std::array<std::string, 3> texts;
    for (GLsizei i = 0; i < count; ++i) {
        GLint type = 0;
        glGetShaderiv(shaders[i], GL_SHADER_TYPE, &type);
        std::array<GLchar, 4096> text{};
        (source ? glGetShaderSource : glGetShaderInfoLog)(shaders[i], 4096, nullptr, text.data());
        texts[type == GL_VERTEX_SHADER ? 0 : type == GL_FRAGMENT_SHADER ? 1 : 2] = text.data();
    }
    return texts;
}

TEST_F(GlPrimitivesTest, ShaderStagesAreVersionDefineCommentAndTextAndLogsPrintInStageOrder) {
    const std::string text =
        section(0, "in vec2 p;\nvoid main() { gl_Position = vec4(p, 0, 1); }") +
        section(2, "this is not GLSL") + section(1, "out vec4 c;\nvoid main() { c = vec4(1.0); }");
    // The broken geometry section only counts when asked for; a built program stays bound.
    for (const ShaderFlags flags : {ShaderFlags::Default, ShaderFlags::HasGeometry}) {
        const BuiltProgram built = buildCapturingOutput(text, "", flags);
        const bool plain = flags == ShaderFlags::Default;
        const std::array<std::string, 3> sources = stageTexts(built.program, true);
        GLint current = 0;
        glGetIntegerv(GL_CURRENT_PROGRAM, &current);
        EXPECT_EQ(sources[0], "#version 330\n#define vertexcompile\n/* READING OTHER PEOPLES "
                              "SHADER CODE IS SHAMEFUL */\n" +
                                  text);
        EXPECT_TRUE(sources[1].find("#define fragmentcompile\n") != std::string::npos &&
                    sources[2].empty() == plain);
        EXPECT_TRUE(linked(built.program) == plain && built.printed.empty() == plain &&
                    (current == GLint(built.program.id())) == plain)
            << built.printed;
    }
    const std::string broken = section(0, "void main() { gl_Position = v; }") +
                               section(2, "void main() { g(); }") +
                               section(1, "out vec4 c;\nvoid main() { c = f; }");
    for (const std::string name : {"", "named"}) {
        const BuiltProgram built = buildCapturingOutput(broken, name, ShaderFlags::HasGeometry);
        const std::array<std::string, 3> logs = stageTexts(built.program, false);
        std::array<GLchar, 1024> link{};
        glGetProgramInfoLog(built.program.id(), 1024, nullptr, link.data());
        std::string expected;
        for (size_t s = 0; s < 3; ++s)
            expected += "\n" + name + "(" + stages[s] + "):\n\n" + logs[s] + "\n";
        EXPECT_EQ(built.printed, expected + "\n" + name + "(program):\n\n" + link.data() + "\n");
    }
}

// The hashes' reference in 32-bit floats like the shaders: fract(scale cos(x)).
float hash(float scale, float x) {
    return scale * std::cos(x) - std::floor(scale * std::cos(x));
}

TEST_F(GlPrimitivesTest, EachShaderHelperComputesItsFunction) {
    std::vector<Float4> hsl, small;
    for (const float hue :
         {-400.f, -60.f, -0.5f, 0.f,   30.f,  59.5f, 60.f,   90.f,  119.f, 120.f,
          150.f,  239.f, 240.f, 270.f, 299.f, 300.f, 359.9f, 360.f, 420.f, 1000.f})
        for (const float s : {0.0f, 0.35f, 1.0f})
            for (const float l : {0.0f, 0.2f, 0.5f, 0.85f, 1.0f})
                hsl.push_back({hue, s, l, 0.0f});
    // Hashes amplify the cosine's last bits: at small inputs the CPU keeps about 1e-3 of them.
    for (float i = 0; i < 200; ++i)
        small.push_back({1e-5f * i, 2e-5f * std::fmod(i, 7.0f), 3e-5f * i, -1e-5f * i});
    const auto rgb = [](const Rgb& c) { return Float4{float(c.r), float(c.g), float(c.b), 0}; };
    const auto mix = [](const Float4& x, float a, float b) {
        return 999.9f * (a * x[0] + b * x[1]);
    };
    const std::vector<std::tuple<const char*, const std::vector<Float4>&,
                                 std::function<Float4(const Float4&)>, float>>
        rows = {{"vec4(hsltorgb(x.xyz), 0.0)", hsl,
                 [&](const Float4& x) { return rgb(hslToRgb(x[0], x[1], x[2])); }, 1e-5f},
                {"vec4(hsltorgbWrapped(x.xyz), 0.0)", hsl,
                 [&](const Float4& x) { return rgb(hslToRgbWrapped(x[0], x[1], x[2])); }, 1e-5f},
                {"vec4(rnd(x) + 0.5, dither(x.xy, x.z), 0.0, 0.0)", small,
                 [](const Float4& x) {
                     return Float4{
                         hash(999.9f,
                              99.9f * (12.9f * x[0] + 11.7f * x[1] + 13.1f * x[2] + 15.3f * x[3])),
                         hash(9999.9f, 9.9f * (19.1f * x[0] + 11.3f * x[1] + 17.5f * x[2])), 0, 0};
                 },
                 4e-3f},
                {"texelHash(x.xy)", small,
                 [&](const Float4& x) {
                     return Float4{
                         hash(999.9f, mix(x, 19.9f, 11.1f)), hash(999.9f, mix(x, 13.7f, 15.3f)),
                         hash(999.9f, mix(x, 17.3f, 14.5f)), hash(999.9f, mix(x, 16.9f, 11.3f))};
                 },
                 4e-3f}};
    std::string functions;
    for (const char* name : {"hsltorgb.glsl", "rnd.glsl", "dither.glsl", "texel_hash.glsl"})
        functions += std::string(shaderTexts().helper(name)) + "\n";
    for (const auto& [expression, inputs, reference, tolerance] : rows) {
        const std::vector<Float4> results = evaluateOnGpu(functions, expression, inputs);
        int wrong = 0;
        for (size_t i = 0; i < inputs.size(); ++i)
            for (size_t c = 0; c < 4; ++c) {
                // Values in [0, 1) of the hashes compare on the circle.
                const float d = std::fabs(results[i][c] - reference(inputs[i])[c]);
                wrong += std::min(d, tolerance > 1e-4f ? 1.0f - d : d) > tolerance;
            }
        EXPECT_EQ(wrong, 0) << expression;
    }
}

TEST_F(GlPrimitivesTest, MeshDrawsItsTrianglesOncePerInstanceAndNothingWhenEmpty) {
    const ShaderProgram program = capturingProgram(
        section(0, "in vec2 p;\nout vec3 vertex;\nvoid main() { vertex = vec3(p, gl_InstanceID); "
                   "gl_Position = vec4(p, 0.0, 1.0); }") +
            section(1, "out vec4 c;\nvoid main() { c = vec4(1.0); }"),
        {"vertex"});
    // The quad's corners in the order of its indices 0 1 2 0 2 3: counter-clockwise.
    const std::array<float, 12> quad = {-1, -1, 1, -1, 1, 1, -1, -1, 1, 1, -1, 1};
    for (const auto& [shape, instances] :
         std::vector<std::pair<MeshShape, int>>{{MeshShape::FullScreenQuad, 1},
                                                {MeshShape::FullScreenQuad, 4},
                                                {MeshShape::FullScreenQuad, 0},
                                                {MeshShape::Empty, 1}}) {
        const Mesh mesh(shape);
        const std::vector<float> drawn = captureVertices(
            GL_TRIANGLES, 3, 24, [&] { EXPECT_EQ(mesh.draw(GL_TRIANGLES, instances), 0); });
        const size_t vertices = shape == MeshShape::Empty ? 0 : 6 * instances;
        ASSERT_EQ(drawn.size(), 3 * vertices) << instances;
        for (size_t v = 0; v < drawn.size(); ++v)
            EXPECT_EQ(drawn[v], v % 3 == 2 ? float(v / 18) : quad[2 * (v / 3 % 6) + v % 3]) << v;
    }
}

} // namespace
