#include "gpu/shader_program.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

class ShaderProgramTest : public GlTest {};

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

TEST_F(ShaderProgramTest, StagesAreVersionDefineCommentAndTextAndTheirLogsPrintInStageOrder) {
    const std::string text =
        section(0, "in vec2 p;\nvoid main() { gl_Position = vec4(p, 0, 1); }") +
        section(2, "this is not GLSL") + section(1, "out vec4 c;\nvoid main() { c = vec4(1.0); }");
    for (const ShaderFlags flags : {ShaderFlags::Default, ShaderFlags::HasGeometry}) {
        const BuiltProgram built = buildCapturingOutput(text, "", flags);
        const bool plain = flags == ShaderFlags::Default;
        for (size_t s = 0; s < 3; ++s)
            EXPECT_EQ(stageTexts(built.program, true)[s],
                      s == 2 && plain ? ""
                                      : "#version 330\n#define " + stages[s] +
                                            "compile\n/* READING OTHER PEOPLES SHADER CODE IS "
                                            "SHAMEFUL */\n" +
                                            text);
        // The broken geometry section only counts when asked for; a built program stays bound.
        GLint current = 0;
        glGetIntegerv(GL_CURRENT_PROGRAM, &current);
        EXPECT_EQ(linked(built.program), plain) << built.printed;
        EXPECT_EQ(built.printed.empty(), plain);
        EXPECT_EQ(current == GLint(built.program.id()), plain);
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

} // namespace
