#include "gpu/mesh.h"
#include "gpu/render_target.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

// Counts with additive blending: red = fragments per pixel, green = sum of gl_InstanceID.
const char* const countingText = R"(
#ifdef vertexcompile
layout (location=0) in vec4 corner;
flat out int instance;
void main() {
    instance = gl_InstanceID;
    gl_Position = vec4(corner.xy, 0.0, 1.0);
}
#endif
#ifdef fragmentcompile
flat in int instance;
layout (location=0) out vec4 colour;
void main() { colour = vec4(1.0, float(instance), 0.0, 1.0); }
#endif
)";

class MeshTest : public GlTest {
  protected:
    static constexpr int size = 16;

    MeshTest() : GlTest(size, size) {}

    void SetUp() override {
        GlTest::SetUp();
        built_ = std::make_unique<BuiltProgram>(buildCapturingOutput(countingText, "counting"));
        ASSERT_TRUE(linked(built_->program)) << built_->printed;
        output_ = std::make_unique<Texture2D>(ImageKind::Colour, size, size);
        target_ = std::make_unique<RenderTarget>();
        target_->attach(0, output_.get());
        target_->bind(size, size);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
    }

    void TearDown() override {
        glDisable(GL_BLEND);
        target_.reset();
        output_.reset();
        built_.reset();
        GlTest::TearDown();
    }

    std::vector<Float4> image() const { return readColour(*output_); }

    std::unique_ptr<BuiltProgram> built_;
    std::unique_ptr<Texture2D> output_;
    std::unique_ptr<RenderTarget> target_;
};

GLint boundVertexArray() {
    GLint vao = -1;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vao);
    return vao;
}

template <typename T> std::vector<T> bufferContents(GLenum target, int count) {
    std::vector<T> values(static_cast<std::size_t>(count));
    glGetBufferSubData(target, 0, static_cast<GLsizeiptr>(count * sizeof(T)), values.data());
    return values;
}

TEST_F(MeshTest, FullScreenQuadHoldsItsCornersAndIndices) {
    const Mesh quad(MeshShape::FullScreenQuad);
    EXPECT_EQ(quad.count(), 6);
    EXPECT_TRUE(quad.indexed());
    EXPECT_EQ(quad.stride(), 8);
    EXPECT_EQ(boundVertexArray(), 0);

    glBindVertexArray(quad.vao());
    GLint enabled = 0, components = 0, stride = 0, type = 0, normalized = 1, vertexBuffer = 0;
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_SIZE, &components);
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &stride);
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_TYPE, &type);
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED, &normalized);
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &vertexBuffer);
    EXPECT_EQ(enabled, GL_TRUE);
    EXPECT_EQ(components, 2);
    EXPECT_EQ(stride, 8);
    EXPECT_EQ(type, GL_FLOAT);
    EXPECT_EQ(normalized, GL_FALSE);

    glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(vertexBuffer));
    EXPECT_EQ(bufferContents<float>(GL_ARRAY_BUFFER, 8),
              (std::vector<float>{-1.0f, -1.0f, 1.0f, -1.0f, 1.0f, 1.0f, -1.0f, 1.0f}));
    // The array recorded its index buffer.
    EXPECT_EQ(bufferContents<std::uint32_t>(GL_ELEMENT_ARRAY_BUFFER, 6),
              (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3}));
    GLint indexBytes = 0;
    glGetBufferParameteriv(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE, &indexBytes);
    EXPECT_EQ(indexBytes, 24);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(MeshTest, FullScreenQuadCoversEveryPixelOnceCounterClockwise) {
    const Mesh quad(MeshShape::FullScreenQuad);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    EXPECT_EQ(countSamples([&] { quad.draw(GL_TRIANGLES); }), static_cast<GLuint>(size * size));
    glDisable(GL_CULL_FACE);
    for (const Float4& texel : image()) {
        EXPECT_EQ(texel[0], 1.0f);
    }
    EXPECT_EQ(boundVertexArray(), 0);
}

TEST_F(MeshTest, InstancesAreCopiesToldApartByInstanceId) {
    const Mesh quad(MeshShape::FullScreenQuad);
    quad.draw(GL_TRIANGLES, 4);
    for (const Float4& texel : image()) {
        EXPECT_EQ(texel[0], 4.0f);
        EXPECT_EQ(texel[1], 0.0f + 1.0f + 2.0f + 3.0f);
    }
}

TEST_F(MeshTest, ZeroInstancesDrawNothing) {
    const Mesh quad(MeshShape::FullScreenQuad);
    EXPECT_EQ(countSamples([&] { EXPECT_EQ(quad.draw(GL_TRIANGLES, 0), 0); }), 0u);
    Mesh points;
    const std::array<float, 3> one{0.0f, 0.0f, 0.0f};
    points.setVertices(one.data(), 1, 3);
    EXPECT_EQ(countSamples([&] { points.draw(GL_POINTS, 0); }), 0u);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(MeshTest, EmptyMeshDrawsNothingButStillFinishes) {
    const Mesh empty;
    EXPECT_EQ(empty.count(), -1);
    EXPECT_FALSE(empty.indexed());
    EXPECT_EQ(countSamples([&] { EXPECT_EQ(empty.draw(GL_TRIANGLES, 1), 0); }), 0u);

    // Heavy work queued just before: the empty draw must still wait until it is done.
    const Mesh quad(MeshShape::FullScreenQuad);
    glBindVertexArray(quad.vao());
    glDrawElementsInstanced(GL_TRIANGLES, 6, GL_UNSIGNED_INT, nullptr, 20000);
    glBindVertexArray(0);
    GLsync fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    empty.draw(GL_TRIANGLES);
    EXPECT_EQ(glClientWaitSync(fence, 0, 0), static_cast<GLenum>(GL_ALREADY_SIGNALED));
    glDeleteSync(fence);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(MeshTest, VerticesAfterIndicesKeepTheIndexCount) {
    Mesh mesh(MeshShape::FullScreenQuad);
    // Eight vertices of four components: the six quad indices still decide the draw.
    std::array<float, 32> vertices{-1.0f, -1.0f, 0.0f, 0.0f, 1.0f,  -1.0f, 0.0f, 0.0f,
                                   1.0f,  1.0f,  0.0f, 0.0f, -1.0f, 1.0f,  0.0f, 0.0f};
    mesh.setVertices(vertices.data(), 8, 4);
    EXPECT_EQ(mesh.count(), 6);
    EXPECT_TRUE(mesh.indexed());
    EXPECT_EQ(mesh.stride(), 16);
    EXPECT_EQ(countSamples([&] { mesh.draw(GL_TRIANGLES); }), static_cast<GLuint>(size * size));
}

TEST_F(MeshTest, PlainVerticesDrawAsArraysWithTheirStride) {
    Mesh points;
    // Three points, one component each: x only, at three pixel centres of row 0.
    const std::array<float, 3> xs{(0.5f / size) * 2.0f - 1.0f, (4.5f / size) * 2.0f - 1.0f,
                                  (9.5f / size) * 2.0f - 1.0f};
    points.setVertices(xs.data(), 3, 1);
    EXPECT_EQ(points.count(), 3);
    EXPECT_FALSE(points.indexed());
    EXPECT_EQ(points.stride(), 4);
    EXPECT_EQ(countSamples([&] { points.draw(GL_POINTS); }), 3u);
    // y = 0 lies on the border between the two middle rows; each point lights one pixel there.
    const std::vector<Float4> pixels = image();
    const auto litInColumn = [&](int column) {
        const auto at = [&](int row) {
            return pixels[static_cast<std::size_t>(row * size + column)][0];
        };
        return at(size / 2 - 1) + at(size / 2);
    };
    for (const int column : {0, 4, 9}) {
        EXPECT_EQ(litInColumn(column), 1.0f) << column;
    }
    EXPECT_EQ(litInColumn(1), 0.0f);

    // Replacing the data replaces the count.
    points.setVertices(xs.data(), 2, 1);
    EXPECT_EQ(points.count(), 2);
    EXPECT_EQ(countSamples([&] { points.draw(GL_POINTS, 3); }), 6u);
}

TEST_F(MeshTest, OwnsItsObjectsAndMovesThem) {
    GLuint vao = 0;
    GLint vertexBuffer = 0, indexBuffer = 0;
    {
        Mesh quad(MeshShape::FullScreenQuad);
        vao = quad.vao();
        glBindVertexArray(vao);
        glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &vertexBuffer);
        glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &indexBuffer);
        glBindVertexArray(0);

        Mesh moved = std::move(quad);
        EXPECT_EQ(moved.vao(), vao);
        EXPECT_EQ(moved.count(), 6);
        EXPECT_EQ(quad.vao(), 0u);
        EXPECT_EQ(quad.count(), -1);
        EXPECT_EQ(countSamples([&] { quad.draw(GL_TRIANGLES); }), 0u);
        EXPECT_EQ(countSamples([&] { moved.draw(GL_TRIANGLES); }),
                  static_cast<GLuint>(size * size));
    }
    EXPECT_FALSE(glIsVertexArray(vao));
    EXPECT_FALSE(glIsBuffer(static_cast<GLuint>(vertexBuffer)));
    EXPECT_FALSE(glIsBuffer(static_cast<GLuint>(indexBuffer)));
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

} // namespace
