#include "tests/support/gpu_probe.h"

#include "gpu/pass_state.h"
#include "gpu/render_target.h"

#include <algorithm>
#include <stdexcept>

namespace {

// Level 0 of `texture` as floats in `format`, leaving the binding of `target` as it was.
void readLevel0(GLenum target, GLenum binding, GLuint texture, GLenum format, float* data) {
    GLint previous = 0;
    glGetIntegerv(binding, &previous);
    glBindTexture(target, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(target, 0, format, GL_FLOAT, data);
    glBindTexture(target, static_cast<GLuint>(previous));
}

bool linked(const ShaderProgram& program) {
    GLint status = GL_FALSE;
    glGetProgramiv(program.id(), GL_LINK_STATUS, &status);
    return status == GL_TRUE;
}

} // namespace

std::vector<Float4> evaluateOnGpu(std::string_view functions, std::string_view expression,
                                  std::span<const Float4> inputs,
                                  const std::function<void(const ShaderProgram&)>& setUniforms) {
    const int count = static_cast<int>(inputs.size());
    const int width = std::clamp(count, 1, 256);
    const int height = (count + width - 1) / width;
    std::vector<Float4> padded(static_cast<std::size_t>(width * height), Float4{});
    std::ranges::copy(inputs, padded.begin());
    const ShaderProgram program = ShaderProgram::fromText(
        std::string(functions) +
            "\n#ifdef vertexcompile\nin vec2 corner;\nvoid main() { "
            "gl_Position = vec4(corner, 0.0, 1.0); }\n#endif\n"
            "#ifdef fragmentcompile\nuniform sampler2D inputs;\nout vec4 r;\n"
            "void main() {\n    vec4 x = texelFetch(inputs, "
            "ivec2(gl_FragCoord.xy), 0);\n    r = vec4(" +
            std::string(expression) + ");\n}\n#endif\n",
        "evaluate");
    // The compiler's log, if any, is printed above.
    if (!linked(program))
        throw std::runtime_error("evaluation program did not build");
    const Texture2D input(ImageKind::Colour, width, height, padded.front().data());
    const Texture2D output(ImageKind::Colour, width, height);
    RenderTarget target;
    target.attach(0, &output);
    beginPass({.target = &target, .width = width, .height = height, .depthTest = DepthTest::Off});
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, input.id());
    program.setInt("inputs", 0);
    if (setUniforms)
        setUniforms(program);
    Mesh(MeshShape::FullScreenQuad).draw(GL_TRIANGLES);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    std::vector<Float4> results = readColour(output);
    results.resize(inputs.size());
    return results;
}

ShaderProgram capturingProgram(std::string_view text, std::initializer_list<const char*> outputs) {
    ShaderProgram program = ShaderProgram::fromText(text, "capture");
    glTransformFeedbackVaryings(program.id(), static_cast<GLsizei>(outputs.size()),
                                std::data(outputs), GL_INTERLEAVED_ATTRIBS);
    glLinkProgram(program.id());
    if (!linked(program))
        throw std::runtime_error("capturing program did not build");
    program.bind();
    return program;
}

std::vector<float> captureVertices(GLenum mode, int floatsPerVertex, int maxVertices,
                                   const std::function<void()>& draw) {
    GLuint buffer = 0, query = 0;
    glGenBuffers(1, &buffer);
    glGenQueries(1, &query);
    glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, buffer);
    const auto bytes = static_cast<GLsizeiptr>(sizeof(float)) * floatsPerVertex * maxVertices;
    glBufferData(GL_TRANSFORM_FEEDBACK_BUFFER, bytes, nullptr, GL_STATIC_READ);
    glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, buffer);
    glEnable(GL_RASTERIZER_DISCARD);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    glBeginTransformFeedback(mode);
    draw();
    glEndTransformFeedback();
    glEndQuery(GL_PRIMITIVES_GENERATED);
    glDisable(GL_RASTERIZER_DISCARD);
    GLuint primitives = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
    const int perPrimitive = mode == GL_TRIANGLES ? 3 : mode == GL_LINES ? 2 : 1;
    std::vector<float> values(static_cast<size_t>(primitives) * perPrimitive * floatsPerVertex);
    // More than fit are counted, so that a draw of too many shows, but not read.
    glGetBufferSubData(GL_TRANSFORM_FEEDBACK_BUFFER, 0,
                       std::min(bytes, static_cast<GLsizeiptr>(values.size() * sizeof(float))),
                       values.data());
    glDeleteQueries(1, &query);
    glDeleteBuffers(1, &buffer);
    return values;
}

std::vector<Float4> readColour(const Texture2D& texture) {
    std::vector<Float4> texels(static_cast<std::size_t>(texture.width() * texture.height()));
    // A zero-sized texture has nothing to read, and no first texel to point at.
    if (!texels.empty())
        readLevel0(GL_TEXTURE_2D, GL_TEXTURE_BINDING_2D, texture.id(), GL_RGBA,
                   texels.front().data());
    return texels;
}

std::vector<float> readDepth(const Texture2D& depth) {
    std::vector<float> values(static_cast<std::size_t>(depth.width()) * depth.height());
    readLevel0(GL_TEXTURE_2D, GL_TEXTURE_BINDING_2D, depth.id(), GL_DEPTH_COMPONENT, values.data());
    return values;
}

std::vector<float> readVolume(const Texture3D& volume) {
    std::vector<float> values(static_cast<std::size_t>(volume.width()) * volume.height() *
                              volume.depthSize());
    readLevel0(GL_TEXTURE_3D, GL_TEXTURE_BINDING_3D, volume.id(), GL_RED, values.data());
    return values;
}

std::vector<float> readVertexBuffer(const Mesh& mesh, std::size_t floats) {
    glBindVertexArray(mesh.vao());
    GLint buffer = 0;
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &buffer);
    std::vector<float> data(floats);
    glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(buffer));
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(floats * sizeof(float)),
                       data.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);
    return data;
}
