#include "gpu/mesh.h"
#include "gpu/texel_centres.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

class MeshTest : public GlTest {};

TEST_F(MeshTest, DrawsItsTrianglesOncePerInstanceAndNothingWhenEmpty) {
    const ShaderProgram program = capturingProgram(
        "#ifdef vertexcompile\nin vec2 p;\nout vec3 vertex;\nvoid main() { vertex = vec3(p, "
        "gl_InstanceID); gl_Position = vec4(p, 0.0, 1.0); }\n#endif\n#ifdef fragmentcompile\n"
        "out vec4 c;\nvoid main() { c = vec4(1.0); }\n#endif\n",
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
        for (size_t v = 0; v < vertices; ++v)
            EXPECT_EQ(
                (std::array<float, 3>{drawn[3 * v], drawn[3 * v + 1], drawn[3 * v + 2]}),
                (std::array<float, 3>{quad[2 * (v % 6)], quad[2 * (v % 6) + 1], float(v / 6)}))
                << v;
    }
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
