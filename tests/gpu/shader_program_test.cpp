#include "gpu/mesh.h"
#include "gpu/render_target.h"
#include "gpu/shader_program.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

class ShaderProgramTest : public GlTest {
  protected:
    ShaderProgramTest() : GlTest(8, 8) {}
};

const std::string passThrough = quadVertexStage() + whiteFragmentStage();

// A vertex stage that adds an undeclared name to its position.
std::string vertexStageWithMistake(const std::string& mistake) {
    return "#ifdef vertexcompile\nlayout (location=0) in vec2 corner;\n"
           "void main() { gl_Position = vec4(corner, 0.0, 1.0) + " +
           mistake + "; }\n#endif\n";
}

std::vector<GLuint> attachedShaders(const ShaderProgram& program) {
    std::array<GLuint, 8> shaders{};
    GLsizei count = 0;
    glGetAttachedShaders(program.id(), static_cast<GLsizei>(shaders.size()), &count,
                         shaders.data());
    return {shaders.begin(), shaders.begin() + count};
}

GLuint attachedOfType(const ShaderProgram& program, GLenum type) {
    for (const GLuint shader : attachedShaders(program)) {
        GLint shaderType = 0;
        glGetShaderiv(shader, GL_SHADER_TYPE, &shaderType);
        if (static_cast<GLenum>(shaderType) == type) {
            return shader;
        }
    }
    return 0;
}

std::string shaderLog(GLuint shader) {
    std::array<GLchar, 1024> buffer{};
    glGetShaderInfoLog(shader, static_cast<GLsizei>(buffer.size()), nullptr, buffer.data());
    return buffer.data();
}

std::string programLog(const ShaderProgram& program) {
    std::array<GLchar, 1024> buffer{};
    glGetProgramInfoLog(program.id(), static_cast<GLsizei>(buffer.size()), nullptr, buffer.data());
    return buffer.data();
}

std::string shaderSource(GLuint shader) {
    std::array<GLchar, 4096> buffer{};
    glGetShaderSource(shader, static_cast<GLsizei>(buffer.size()), nullptr, buffer.data());
    return buffer.data();
}

TEST_F(ShaderProgramTest, StagesGetVersionDefineCommentAndTextInOrder) {
    const BuiltProgram built = buildCapturingOutput(passThrough, "");
    EXPECT_TRUE(linked(built.program));
    EXPECT_EQ(built.printed, "");
    const std::string comment = "/* READING OTHER PEOPLES SHADER CODE IS SHAMEFUL */\n";
    EXPECT_EQ(shaderSource(attachedOfType(built.program, GL_VERTEX_SHADER)),
              "#version 330\n#define vertexcompile\n" + comment + passThrough);
    EXPECT_EQ(shaderSource(attachedOfType(built.program, GL_FRAGMENT_SHADER)),
              "#version 330\n#define fragmentcompile\n" + comment + passThrough);
    // Construction leaves the new program bound.
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(static_cast<GLuint>(current), built.program.id());
}

TEST_F(ShaderProgramTest, VertexErrorPrintsHeadingAndLogThenTheLinkLog) {
    const std::string text = vertexStageWithMistake("undeclared") + whiteFragmentStage();
    const BuiltProgram built = buildCapturingOutput(text, "");
    EXPECT_FALSE(linked(built.program));
    const std::string vertexLog = shaderLog(attachedOfType(built.program, GL_VERTEX_SHADER));
    const std::string linkLog = programLog(built.program);
    ASSERT_FALSE(vertexLog.empty());
    ASSERT_FALSE(linkLog.empty());
    // An empty name: a blank line, then "(vertex):", a blank line and the log.
    EXPECT_EQ(built.printed, "\n(vertex):\n\n" + vertexLog + "\n\n(program):\n\n" + linkLog + "\n");
    EXPECT_NE(vertexLog.find("undeclared"), std::string::npos);
}

TEST_F(ShaderProgramTest, EveryStageIsCompiledBeforeLogsPrintInStageOrder) {
    const std::string text = vertexStageWithMistake("vertexMistake") + R"(
#ifdef geometrycompile
layout (triangles) in;
layout (triangle_strip, max_vertices=3) out;
void main() { geometryMistake(); }
#endif
#ifdef fragmentcompile
layout (location=0) out vec4 colour;
void main() { colour = fragmentMistake; }
#endif
)";
    const BuiltProgram built = buildCapturingOutput(text, "named", ShaderFlags::HasGeometry);
    const std::string expected =
        "\nnamed(vertex):\n\n" + shaderLog(attachedOfType(built.program, GL_VERTEX_SHADER)) +
        "\n\nnamed(fragment):\n\n" + shaderLog(attachedOfType(built.program, GL_FRAGMENT_SHADER)) +
        "\n\nnamed(geometry):\n\n" + shaderLog(attachedOfType(built.program, GL_GEOMETRY_SHADER)) +
        "\n\nnamed(program):\n\n" + programLog(built.program) + "\n";
    EXPECT_EQ(built.printed, expected);
    EXPECT_NE(built.printed.find("vertexMistake"), std::string::npos);
    EXPECT_NE(built.printed.find("geometryMistake"), std::string::npos);
    EXPECT_NE(built.printed.find("fragmentMistake"), std::string::npos);
}

// The geometry section is broken on purpose: only HasGeometry may compile it.
const std::string withGeometrySection =
    quadVertexStage() + "#ifdef geometrycompile\nthis is not GLSL\n#endif\n" + whiteFragmentStage();

TEST_F(ShaderProgramTest, FlagsZeroSkipsTheGeometrySection) {
    const BuiltProgram plain = buildCapturingOutput(withGeometrySection, "", ShaderFlags::Default);
    EXPECT_TRUE(linked(plain.program));
    EXPECT_EQ(plain.printed, "");
    EXPECT_EQ(attachedShaders(plain.program).size(), 2u);
    EXPECT_EQ(attachedOfType(plain.program, GL_GEOMETRY_SHADER), 0u);
    EXPECT_FALSE(plain.program.hasGeometry());

    const BuiltProgram layered =
        buildCapturingOutput(withGeometrySection, "", ShaderFlags::HasGeometry);
    EXPECT_TRUE(layered.program.hasGeometry());
    EXPECT_EQ(attachedShaders(layered.program).size(), 3u);
    EXPECT_NE(attachedOfType(layered.program, GL_GEOMETRY_SHADER), 0u);
    EXPECT_TRUE(layered.printed.starts_with("\n(geometry):\n\n")) << layered.printed;
}

TEST_F(ShaderProgramTest, PrologueUniformReachesEveryStage) {
    // Each stage reads "power" itself and hands its reading on to the fragment output.
    const char* const text = R"(
uniform float power;
#ifdef vertexcompile
layout (location=0) in vec2 corner;
out float fromVertex;
void main() { fromVertex = power; gl_Position = vec4(corner, 0.0, 1.0); }
#endif
#ifdef geometrycompile
layout (triangles) in;
layout (triangle_strip, max_vertices=3) out;
in float fromVertex[];
out vec2 readings;
void main() {
    for (int i = 0; i < 3; i++) {
        readings = vec2(fromVertex[i], power);
        gl_Position = gl_in[i].gl_Position;
        EmitVertex();
    }
    EndPrimitive();
}
#endif
#ifdef fragmentcompile
in vec2 readings;
layout (location=0) out vec4 colour;
void main() { colour = vec4(readings, power, 1.0); }
#endif
)";
    const BuiltProgram built = buildCapturingOutput(text, "", ShaderFlags::HasGeometry);
    ASSERT_TRUE(linked(built.program)) << built.printed;
    EXPECT_EQ(built.printed, "");
    built.program.setFloat("power", 0.375);

    const Texture2D output(ImageKind::Colour, 4, 4);
    RenderTarget target;
    target.attach(0, &output);
    target.bind(4, 4);
    Mesh(MeshShape::FullScreenQuad).draw(GL_TRIANGLES);
    for (const Float4& texel : readColour(output)) {
        EXPECT_EQ(texel, (Float4{0.375f, 0.375f, 0.375f, 1.0f}));
    }
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

const std::string allTypes = R"(
uniform float f;
uniform vec2 v2;
uniform vec3 v3;
uniform vec4 v4;
uniform uint u;
uniform int i;
uniform mat2 m2;
uniform mat3 m3;
uniform mat4 m4;
)" + quadVertexStage() + R"(
#ifdef fragmentcompile
layout (location=0) out vec4 colour;
void main() {
    colour = vec4(f + v2.x + v3.x + float(u) + float(i), m2[0][1] + m3[1][0], m4[2][3], 1.0) + v4;
}
#endif
)";

std::vector<float> floatsOf(const ShaderProgram& program, const char* name, int count) {
    std::vector<float> values(static_cast<std::size_t>(count));
    glGetUniformfv(program.id(), program.uniformLocation(name), values.data());
    return values;
}

TEST_F(ShaderProgramTest, SetUniformIssuesTheCallOfEachType) {
    const BuiltProgram built = buildCapturingOutput(allTypes, "");
    ASSERT_TRUE(linked(built.program)) << built.printed;
    const ShaderProgram& program = built.program;

    const std::array<float, 16> values{1.5f,  -2.0f, 3.25f, 4.0f,  5.5f,   6.0f,  -7.0f, 8.0f,
                                       9.75f, 10.0f, 11.0f, 12.5f, -13.0f, 14.0f, 15.0f, 16.25f};
    const GLuint unsignedValue = 4000000000u;
    const GLint signedValue = -42;
    EXPECT_EQ(program.setUniform({"f", values.data(), UniformType::Float}), 0);
    EXPECT_EQ(program.setUniform({"v2", values.data(), UniformType::Vec2}), 0);
    EXPECT_EQ(program.setUniform({"v3", values.data(), UniformType::Vec3}), 0);
    EXPECT_EQ(program.setUniform({"v4", values.data(), UniformType::Vec4}), 0);
    EXPECT_EQ(program.setUniform({"u", &unsignedValue, UniformType::UInt}), 0);
    EXPECT_EQ(program.setUniform({"i", &signedValue, UniformType::Int}), 0);
    EXPECT_EQ(program.setUniform({"m2", values.data(), UniformType::Mat2}), 0);
    EXPECT_EQ(program.setUniform({"m3", values.data(), UniformType::Mat3}), 0);
    EXPECT_EQ(program.setUniform({"m4", values.data(), UniformType::Mat4}), 0);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));

    for (const auto& [name, count] : std::vector<std::pair<const char*, int>>{
             {"f", 1}, {"v2", 2}, {"v3", 3}, {"v4", 4}, {"m2", 4}, {"m3", 9}, {"m4", 16}}) {
        SCOPED_TRACE(name);
        // Column-major as given: a transposed upload would swap the non-symmetric entries.
        EXPECT_EQ(floatsOf(program, name, count),
                  std::vector<float>(values.begin(), values.begin() + count));
    }
    GLuint readUnsigned = 0;
    glGetUniformuiv(program.id(), program.uniformLocation("u"), &readUnsigned);
    EXPECT_EQ(readUnsigned, unsignedValue);
    GLint readSigned = 0;
    glGetUniformiv(program.id(), program.uniformLocation("i"), &readSigned);
    EXPECT_EQ(readSigned, signedValue);
}

TEST_F(ShaderProgramTest, SetUniformWithAnUnknownTypeSetsNothing) {
    const BuiltProgram built = buildCapturingOutput(allTypes, "");
    ASSERT_TRUE(linked(built.program));
    const std::array<float, 16> values{9.0f, 9.0f, 9.0f, 9.0f, 9.0f, 9.0f, 9.0f, 9.0f,
                                       9.0f, 9.0f, 9.0f, 9.0f, 9.0f, 9.0f, 9.0f, 9.0f};
    for (const std::uint32_t type : {9u, 10u, 0xffffffffu}) {
        for (const char* name : {"f", "v4", "m4"}) {
            EXPECT_EQ(
                built.program.setUniform({name, values.data(), static_cast<UniformType>(type)}), 0);
        }
    }
    EXPECT_EQ(floatsOf(built.program, "f", 1), std::vector<float>{0.0f});
    EXPECT_EQ(floatsOf(built.program, "v4", 4), std::vector<float>(4, 0.0f));
    EXPECT_EQ(floatsOf(built.program, "m4", 16), std::vector<float>(16, 0.0f));
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(ShaderProgramTest, ValueSettersNarrowDoublesAndLookUpByName) {
    const BuiltProgram built = buildCapturingOutput(allTypes, "");
    ASSERT_TRUE(linked(built.program));
    const ShaderProgram& program = built.program;
    program.setFloat("f", 0.1);
    program.setVec2("v2", 1.0 / 3.0, -2.5);
    program.setVec3("v3", 1e-3, 2e3, -0.0625);
    program.setVec4("v4", 0.5, 0.25, 0.125, 1e10);
    program.setInt("i", -7);
    EXPECT_EQ(floatsOf(program, "f", 1), std::vector<float>{0.1f});
    EXPECT_EQ(floatsOf(program, "v2", 2), (std::vector<float>{1.0f / 3.0f, -2.5f}));
    EXPECT_EQ(floatsOf(program, "v3", 3), (std::vector<float>{1e-3f, 2e3f, -0.0625f}));
    EXPECT_EQ(floatsOf(program, "v4", 4), (std::vector<float>{0.5f, 0.25f, 0.125f, 1e10f}));
    GLint readSigned = 0;
    glGetUniformiv(program.id(), program.uniformLocation("i"), &readSigned);
    EXPECT_EQ(readSigned, -7);

    // Names the linker never saw are location -1, which GL ignores.
    EXPECT_EQ(program.uniformLocation("absent"), -1);
    program.setFloat("absent", 1.0);
    program.setVec4("absent", 1.0, 2.0, 3.0, 4.0);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(ShaderProgramTest, SettingWhileAnotherProgramIsBoundWritesThatProgram) {
    const auto withOne = [](const char* uniform) {
        return std::string("uniform float ") + uniform + ";\n" + quadVertexStage() + R"(
#ifdef fragmentcompile
layout (location=0) out vec4 colour;
void main() { colour = vec4()" +
               uniform + R"(); }
#endif
)";
    };
    const BuiltProgram first = buildCapturingOutput(withOne("a"), "");
    const BuiltProgram second = buildCapturingOutput(withOne("b"), "");
    ASSERT_TRUE(linked(first.program));
    ASSERT_TRUE(linked(second.program));
    // A single uniform each: both sit at the same location number.
    ASSERT_EQ(first.program.uniformLocation("a"), second.program.uniformLocation("b"));

    second.program.bind();
    first.program.setFloat("a", 5.0);
    EXPECT_EQ(floatsOf(second.program, "b", 1), std::vector<float>{5.0f});
    EXPECT_EQ(floatsOf(first.program, "a", 1), std::vector<float>{0.0f});
}

TEST_F(ShaderProgramTest, OwnsItsObjectsAndMovesThem) {
    GLuint program = 0;
    std::vector<GLuint> shaders;
    {
        BuiltProgram built = buildCapturingOutput(withGeometrySection, "", ShaderFlags::Default);
        program = built.program.id();
        shaders = attachedShaders(built.program);
        ShaderProgram moved = std::move(built.program);
        EXPECT_EQ(moved.id(), program);
        EXPECT_EQ(built.program.id(), 0u);
        EXPECT_TRUE(glIsProgram(program));
        glUseProgram(0);
    }
    EXPECT_FALSE(glIsProgram(program));
    for (const GLuint shader : shaders) {
        EXPECT_FALSE(glIsShader(shader));
    }
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(ShaderProgramTest, MissingResourceThrowsBeforeAnyGlObjectIsMade) {
    glUseProgram(0);
    EXPECT_THROW(ShaderProgram(9999, ShaderFlags::Default), std::runtime_error);
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
}

} // namespace
