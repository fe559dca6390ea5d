#pragma once

#include "platform/gl.h"
#include "shaders/shader_id.h"

#include <cstdint>
#include <string>
#include <string_view>

// Bit set passed at construction; callers pass Default or HasGeometry.
enum class ShaderFlags : std::uint32_t {
    Default = 0,
    HasGeometry = 2,
};

// Values fixed: they select the glUniform call of setUniform.
enum class UniformType : std::uint32_t {
    Float = 0,
    Vec2 = 1,
    Vec3 = 2,
    Vec4 = 3,
    UInt = 4,
    Int = 5,
    Mat2 = 6,
    Mat3 = 7,
    Mat4 = 8,
};

// One uniform write: `data` points at the caller's values and is read during the call.
struct UniformValue {
    const char* name;
    const void* data;
    UniformType type;
};

// A linked GL program built from one text holding all its stages behind #ifdef vertexcompile,
// geometrycompile and fragmentcompile. Each stage is compiled from "#version 330", its stage
// define, a fixed comment line and the text; compile and link logs are printed to stdout with
// headings "<name>(vertex):" and so on. Failures are only reported through those logs.
// Construction leaves the program bound. Owns its program and shader objects; move-only.
class ShaderProgram {
  public:
    // Builds embedded text `shader` with an empty name; throws std::runtime_error naming its
    // resource id when the text is missing.
    explicit ShaderProgram(ShaderId shader, ShaderFlags flags = ShaderFlags::Default);
    // Builds a program from a text that is not an embedded resource; `name` starts each log
    // heading.
    static ShaderProgram fromText(std::string_view text, std::string name,
                                  ShaderFlags flags = ShaderFlags::Default);

    ~ShaderProgram();
    ShaderProgram(ShaderProgram&& other) noexcept;
    ShaderProgram& operator=(ShaderProgram&& other) noexcept;
    ShaderProgram(const ShaderProgram&) = delete;
    ShaderProgram& operator=(const ShaderProgram&) = delete;

    void bind() const;
    // glGetUniformLocation on every call: nothing is cached.
    GLint uniformLocation(const char* name) const;

    // Each looks the location up in this program but writes to the currently bound program, so
    // bind() first. Doubles are narrowed to 32-bit floats.
    void setFloat(const char* name, double x) const;
    void setInt(const char* name, int i) const;
    void setVec2(const char* name, double x, double y) const;
    void setVec3(const char* name, double x, double y, double z) const;
    void setVec4(const char* name, double x, double y, double z, double w) const;
    // Count 1 of the type's glUniform call; a type outside Float..Mat4 sets nothing. Returns 0.
    int setUniform(UniformValue value) const;

    GLuint id() const { return id_; }
    const std::string& name() const { return name_; }
    ShaderFlags flags() const { return flags_; }
    bool hasGeometry() const;

  private:
    ShaderProgram(std::string_view text, std::string name, ShaderFlags flags);
    void release();

    GLuint id_ = 0;
    GLuint vertexShader_ = 0;
    GLuint fragmentShader_ = 0;
    GLuint geometryShader_ = 0;
    std::string name_;
    ShaderFlags flags_ = ShaderFlags::Default;
};
