#include "gpu/mesh.h"
#include "gpu/render_target.h"
#include "gpu/texel_centres.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

class MeshTest : public GlTest {};

TEST_F(MeshTest, DrawsPlainIndexedAndInstancedCounterClockwiseAndAlwaysFinishes) {
    // Additive counting over 16 x 16: red = fragments, green = the sum of their instance ids.
    const BuiltProgram counting = buildCapturingOutput(
        "#ifdef vertexcompile\nin vec4 p;\nflat out int i;\nvoid main() { i = gl_InstanceID; "
        "gl_Position = vec4(p.xy, 0.0, 1.0); }\n#endif\n#ifdef fragmentcompile\nflat in int i;\n"
        "out vec4 c;\nvoid main() { c = vec4(1.0, float(i), 0.0, 1.0); }\n#endif\n",
        "counting");
    const Texture2D image(ImageKind::Colour, 16, 16);
    RenderTarget target;
    target.attach(0, &image);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_CULL_FACE);
    // Eight vertices of four floats given after the indices: the six indices still decide.
    const std::array<float, 32> wide{-1, -1, 0, 0, 1, -1, 0, 0, 1, 1, 0, 0, -1, 1, 0, 0};
    // One float each: the centres of columns 0, 4 and 9; y reads 0, between the middle rows.
    const std::array<float, 3> xs{0.5f / 8 - 1, 4.5f / 8 - 1, 9.5f / 8 - 1};
    struct Row {
        int shape, instances;
        float fragments, instanceSum, inColumn9;
    };
    for (const Row& row :
         {Row{1, 1, 256, 0, 16}, Row{1, 4, 1024, 6 * 256, 64}, Row{1, 0, 0, 0, 0},
          Row{0, 1, 0, 0, 0}, Row{2, 1, 256, 0, 16}, Row{3, 1, 3, 0, 1}, Row{3, 0, 0, 0, 0}}) {
        SCOPED_TRACE(row.shape * 10 + row.instances);
        Mesh mesh(row.shape == 1 || row.shape == 2 ? MeshShape::FullScreenQuad : MeshShape::Empty);
        if (row.shape == 2)
            mesh.setVertices(wide.data(), 8, 4);
        if (row.shape == 3)
            mesh.setVertices(xs.data(), 3, 1);
        EXPECT_EQ(mesh.count(), row.shape == 0 ? -1 : row.shape == 3 ? 3 : 6);
        target.bind(16, 16);
        const GLfloat clear[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        glClearBufferfv(GL_COLOR, 0, clear);
        counting.program.bind();
        EXPECT_EQ(mesh.draw(row.shape == 3 ? GL_POINTS : GL_TRIANGLES, row.instances), 0);
        Float4 sum{}, column9{};
        const std::vector<Float4> pixels = readColour(image);
        for (size_t i = 0; i < pixels.size(); ++i)
            for (size_t c = 0; c < 4; ++c) {
                sum[c] += pixels[i][c];
                column9[c] += i % 16 == 9 ? pixels[i][c] : 0.0f;
            }
        EXPECT_EQ(sum[0], row.fragments);
        EXPECT_EQ(sum[1], row.instanceSum);
        EXPECT_EQ(column9[0], row.inColumn9);
    }
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    // Work queued just before an empty draw is done when it returns.
    const Mesh quad(MeshShape::FullScreenQuad);
    glBindVertexArray(quad.vao());
    glDrawElementsInstanced(GL_TRIANGLES, 6, GL_UNSIGNED_INT, nullptr, 20000);
    GLsync fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    Mesh().draw(GL_TRIANGLES);
    EXPECT_EQ(glClientWaitSync(fence, 0, 0), static_cast<GLenum>(GL_ALREADY_SIGNALED));
    glDeleteSync(fence);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(MeshTest, TexelCentreMeshHoldsOnePointPerTexelOuterIndexFirst) {
    const Mesh mesh = texelCentreMesh(4);
    EXPECT_EQ(mesh.count(), 16);
    const std::vector<float> stored = readVertexBuffer(mesh, 32);
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(stored[2 * k], (k / 4 + 0.5f) / 4) << k;
        EXPECT_EQ(stored[2 * k + 1], (k % 4 + 0.5f) / 4) << k;
    }
    EXPECT_EQ(texelCentreMesh(0).count(), -1);
}

} // namespace
