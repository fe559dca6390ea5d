#include "gpu/shader_program.h"

#include "gpu/gl_profile.h"
#include "shaders/shader_resource.h"

#include <array>
#include <cstdio>
#include <utility>

namespace {

constexpr const char* commentLine = "/* READING OTHER PEOPLES SHADER CODE IS SHAMEFUL */\n";
constexpr GLsizei logSize = 1024;

GLuint compileStage(GLenum stage, const char* stageLine, const std::string& text) {
    const GLuint shader = glCreateShader(stage);
    const std::array<const GLchar*, 4> sources{shaderVersionLine(), stageLine, commentLine,
                                               text.c_str()};
    glShaderSource(shader, static_cast<GLsizei>(sources.size()), sources.data(), nullptr);
    glCompileShader(shader);
    return shader;
}

void printShaderLog(GLuint shader, const std::string& name, const char* stage) {
    std::array<GLchar, logSize> buffer{};
    GLsizei length = 0;
    glGetShaderInfoLog(shader, logSize, &length, buffer.data());
    if (length > 0) {
        std::printf("\n%s(%s):\n\n%s\n", name.c_str(), stage, buffer.data());
    }
}

} // namespace

ShaderProgram::ShaderProgram(ShaderId shader, ShaderFlags flags)
    : ShaderProgram(shaderResource(resourceId(shader)), std::string(), flags) {}

ShaderProgram ShaderProgram::fromText(std::string_view text, std::string name, ShaderFlags flags) {
    return ShaderProgram(text, std::move(name), flags);
}

ShaderProgram::ShaderProgram(std::string_view text, std::string name, ShaderFlags flags)
    : name_(std::move(name)), flags_(flags) {
    // GL wants a zero-terminated copy; the embedded bytes carry no terminator.
    const std::string source(text);
    id_ = glCreateProgram();
    // Every stage compiles before any log is read.
    vertexShader_ = compileStage(GL_VERTEX_SHADER, "#define vertexcompile\n", source);
    fragmentShader_ =
        compileStage(GL_FRAGMENT_SHADER, "#define fragmentcompile\n", fragmentStageText(source));
    if (hasGeometry() && geometryStagesAvailable()) {
        geometryShader_ = compileStage(GL_GEOMETRY_SHADER, "#define geometrycompile\n", source);
    }

    printShaderLog(vertexShader_, name_, "vertex");
    printShaderLog(fragmentShader_, name_, "fragment");
    if (hasGeometry() && geometryStagesAvailable()) {
        printShaderLog(geometryShader_, name_, "geometry");
    }

    glAttachShader(id_, vertexShader_);
    glAttachShader(id_, fragmentShader_);
    if (hasGeometry() && geometryStagesAvailable()) {
        glAttachShader(id_, geometryShader_);
    }
    glLinkProgram(id_);

    std::array<GLchar, logSize> buffer{};
    GLsizei length = 0;
    glGetProgramInfoLog(id_, logSize, &length, buffer.data());
    if (length > 0) {
        std::printf("\n%s(program):\n\n%s\n", name_.c_str(), buffer.data());
    }
    glUseProgram(id_);
}

ShaderProgram::~ShaderProgram() {
    release();
}

ShaderProgram::ShaderProgram(ShaderProgram&& other) noexcept
    : id_(std::exchange(other.id_, 0)), vertexShader_(std::exchange(other.vertexShader_, 0)),
      fragmentShader_(std::exchange(other.fragmentShader_, 0)),
      geometryShader_(std::exchange(other.geometryShader_, 0)), name_(std::move(other.name_)),
      flags_(other.flags_) {}

ShaderProgram& ShaderProgram::operator=(ShaderProgram&& other) noexcept {
    if (this != &other) {
        release();
        id_ = std::exchange(other.id_, 0);
        vertexShader_ = std::exchange(other.vertexShader_, 0);
        fragmentShader_ = std::exchange(other.fragmentShader_, 0);
        geometryShader_ = std::exchange(other.geometryShader_, 0);
        name_ = std::move(other.name_);
        flags_ = other.flags_;
    }
    return *this;
}

void ShaderProgram::release() {
    if (id_ != 0) {
        glDeleteProgram(id_);
    }
    for (GLuint shader : {vertexShader_, fragmentShader_, geometryShader_}) {
        if (shader != 0) {
            glDeleteShader(shader);
        }
    }
    id_ = vertexShader_ = fragmentShader_ = geometryShader_ = 0;
}

bool ShaderProgram::hasGeometry() const {
    return (static_cast<std::uint32_t>(flags_) &
            static_cast<std::uint32_t>(ShaderFlags::HasGeometry)) != 0;
}

void ShaderProgram::bind() const {
    glUseProgram(id_);
}

GLint ShaderProgram::uniformLocation(const char* name) const {
    return glGetUniformLocation(id_, name);
}

void ShaderProgram::setFloat(const char* name, double x) const {
    glUniform1f(uniformLocation(name), static_cast<float>(x));
}

void ShaderProgram::setInt(const char* name, int i) const {
    glUniform1i(uniformLocation(name), i);
}

void ShaderProgram::setVec2(const char* name, double x, double y) const {
    glUniform2f(uniformLocation(name), static_cast<float>(x), static_cast<float>(y));
}

void ShaderProgram::setVec3(const char* name, double x, double y, double z) const {
    glUniform3f(uniformLocation(name), static_cast<float>(x), static_cast<float>(y),
                static_cast<float>(z));
}

void ShaderProgram::setVec4(const char* name, double x, double y, double z, double w) const {
    glUniform4f(uniformLocation(name), static_cast<float>(x), static_cast<float>(y),
                static_cast<float>(z), static_cast<float>(w));
}

int ShaderProgram::setUniform(UniformValue value) const {
    const GLint location = uniformLocation(value.name);
    const auto* floats = static_cast<const GLfloat*>(value.data);
    switch (value.type) {
    case UniformType::Float:
        glUniform1fv(location, 1, floats);
        break;
    case UniformType::Vec2:
        glUniform2fv(location, 1, floats);
        break;
    case UniformType::Vec3:
        glUniform3fv(location, 1, floats);
        break;
    case UniformType::Vec4:
        glUniform4fv(location, 1, floats);
        break;
    case UniformType::UInt:
        glUniform1uiv(location, 1, static_cast<const GLuint*>(value.data));
        break;
    case UniformType::Int:
        glUniform1iv(location, 1, static_cast<const GLint*>(value.data));
        break;
    case UniformType::Mat2:
        glUniformMatrix2fv(location, 1, GL_FALSE, floats);
        break;
    case UniformType::Mat3:
        glUniformMatrix3fv(location, 1, GL_FALSE, floats);
        break;
    case UniformType::Mat4:
        glUniformMatrix4fv(location, 1, GL_FALSE, floats);
        break;
    default:
        // Unknown types set nothing, as callers rely on.
        break;
    }
    return 0;
}
