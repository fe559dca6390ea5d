#include "tests/support/gpu_probe.h"

#include "gpu/mesh.h"
#include "gpu/render_target.h"

#include <gtest/gtest.h>

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

} // namespace

const std::string& quadVertexStage() {
    static const std::string stage = R"(
#ifdef vertexcompile
layout (location=0) in vec2 corner;
void main() { gl_Position = vec4(corner, 0.0, 1.0); }
#endif
)";
    return stage;
}

const std::string& instancedVertexStage() {
    static const std::string stage = R"(
#ifdef vertexcompile
layout (location=0) in vec2 corner;
flat out int instance;
void main() { instance = gl_InstanceID; gl_Position = vec4(corner, 0.0, 1.0); }
#endif
)";
    return stage;
}

const std::string& layerGeometryStage() {
    static const std::string stage = R"(
#ifdef geometrycompile
layout (triangles) in;
layout (triangle_strip, max_vertices=3) out;
flat in int instance[];
flat out int layer;
void main() {
    for (int i = 0; i < 3; i++) {
        layer = instance[0];
        gl_Layer = instance[0];
        gl_Position = gl_in[i].gl_Position;
        EmitVertex();
    }
}
#endif
)";
    return stage;
}

const std::string& whiteFragmentStage() {
    static const std::string stage = R"(
#ifdef fragmentcompile
layout (location=0) out vec4 colour;
void main() { colour = vec4(1.0); }
#endif
)";
    return stage;
}

BuiltProgram buildCapturingOutput(std::string_view text, std::string name, ShaderFlags flags) {
    testing::internal::CaptureStdout();
    ShaderProgram program = ShaderProgram::fromText(text, std::move(name), flags);
    std::fflush(stdout);
    return {std::move(program), testing::internal::GetCapturedStdout()};
}

bool linked(const ShaderProgram& program) {
    GLint status = GL_FALSE;
    glGetProgramiv(program.id(), GL_LINK_STATUS, &status);
    return status == GL_TRUE;
}

std::vector<Float4> evaluateOnGpu(std::string_view functions, std::string_view expression,
                                  std::span<const Float4> inputs,
                                  const std::function<void(const ShaderProgram&)>& setUniforms) {
    const int count = static_cast<int>(inputs.size());
    const int width = std::clamp(count, 1, 256);
    const int height = (count + width - 1) / width;
    std::vector<Float4> padded(static_cast<std::size_t>(width * height), Float4{});
    std::ranges::copy(inputs, padded.begin());

    std::string text(functions);
    text += quadVertexStage();
    text += "#ifdef fragmentcompile\n"
            "uniform sampler2D inputs;\n"
            "layout (location=0) out vec4 result;\n"
            "void main() {\n"
            "    vec4 x = texelFetch(inputs, ivec2(gl_FragCoord.xy), 0);\n"
            "    result = vec4(";
    text += expression;
    text += ");\n}\n#endif\n";
    BuiltProgram built = buildCapturingOutput(text, "evaluate");
    if (!linked(built.program)) {
        throw std::runtime_error("evaluation program did not build:" + built.printed);
    }

    const Texture2D input(ImageKind::Colour, width, height, padded.front().data());
    const Texture2D output(ImageKind::Colour, width, height);
    RenderTarget target;
    target.attach(0, &output);
    target.bind(width, height);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, input.id());
    built.program.bind();
    built.program.setInt("inputs", 0);
    if (setUniforms) {
        setUniforms(built.program);
    }
    const Mesh quad(MeshShape::FullScreenQuad);
    quad.draw(GL_TRIANGLES);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    std::vector<Float4> results = readColour(output);
    results.resize(inputs.size());
    return results;
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

GLuint countSamples(const std::function<void()>& draw) {
    GLuint query = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_SAMPLES_PASSED, query);
    draw();
    glEndQuery(GL_SAMPLES_PASSED);
    GLuint samples = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &samples);
    glDeleteQueries(1, &query);
    return samples;
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
