#include "gpu/shader_program.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

class ShaderProgramTest : public GlTest {};

std::string section(const char* stage, const std::string& body) {
    return std::string("#ifdef ") + stage + "compile\n" + body + "\n#endif\n";
}

const std::string vertex =
    section("vertex", "in vec2 p;\nvoid main() { gl_Position = vec4(p, 0, 1); }");

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

TEST_F(ShaderProgramTest, StagesAreVersionDefineCommentAndTextAndTheirLogsPrintInStageOrder) {
    const std::array<const char*, 3> stages = {"vertex", "fragment", "geometry"};
    const std::string text = vertex + section("geometry", "this is not GLSL") +
                             section("fragment", "out vec4 c;\nvoid main() { c = vec4(1.0); }");
    for (const ShaderFlags flags : {ShaderFlags::Default, ShaderFlags::HasGeometry}) {
        const BuiltProgram built = buildCapturingOutput(text, "", flags);
        const std::array<std::string, 3> sources = stageTexts(built.program, true);
        for (size_t s = 0; s < 3; ++s)
            EXPECT_EQ(sources[s], s == 2 && flags == ShaderFlags::Default
                                      ? ""
                                      : "#version 330\n#define " + std::string(stages[s]) +
                                            "compile\n/* READING OTHER PEOPLES SHADER CODE IS "
                                            "SHAMEFUL */\n" +
                                            text);
        // The broken geometry section only counts when asked for.
        EXPECT_EQ(linked(built.program), flags == ShaderFlags::Default) << built.printed;
        EXPECT_EQ(built.printed.empty(), flags == ShaderFlags::Default);
        GLint current = 0;
        glGetIntegerv(GL_CURRENT_PROGRAM, &current);
        EXPECT_EQ(current == GLint(built.program.id()), flags == ShaderFlags::Default);
    }
    const std::string broken = section("vertex", "void main() { gl_Position = v; }") +
                               section("geometry", "void main() { g(); }") +
                               section("fragment", "out vec4 c;\nvoid main() { c = f; }");
    for (const std::string name : {"", "named"}) {
        const BuiltProgram built = buildCapturingOutput(broken, name, ShaderFlags::HasGeometry);
        const std::array<std::string, 3> logs = stageTexts(built.program, false);
        std::string expected;
        for (size_t s = 0; s < 3; ++s)
            expected += "\n" + name + "(" + stages[s] + "):\n\n" + logs[s] + "\n";
        std::array<GLchar, 1024> link{};
        glGetProgramInfoLog(built.program.id(), 1024, nullptr, link.data());
        EXPECT_EQ(built.printed, expected + "\n" + name + "(program):\n\n" + link.data() + "\n");
    }
}

} // namespace
