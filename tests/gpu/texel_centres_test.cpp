#include "gpu/texel_centres.h"
#include "tests/support/gl_test.h"

#include "platform/gl.h"
#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(TexelCentres, HoldOnePointPerTexelWithTheFirstIndexOuter) {
    const std::vector<float> grid = texelCentres(512);
    ASSERT_EQ(grid.size(), 512u * 512u * 2u);
    EXPECT_EQ(grid[0], 0.5f / 512.0f);
    EXPECT_EQ(grid[1], 0.5f / 512.0f);
    // Vertex 512 i + j holds ((i + 0.5) / 512, (j + 0.5) / 512).
    const size_t vertex = 512 * 3 + 7;
    EXPECT_EQ(grid[2 * vertex], 3.5f / 512.0f);
    EXPECT_EQ(grid[2 * vertex + 1], 7.5f / 512.0f);
    EXPECT_EQ(grid.back(), 511.5f / 512.0f);
    EXPECT_TRUE(texelCentres(0).empty());
    EXPECT_TRUE(texelCentres(-3).empty());
}

class TexelCentreMeshTest : public GlTest {};

TEST_F(TexelCentreMeshTest, UploadsThePointsAsTwoFloatsEach) {
    const Mesh mesh = texelCentreMesh(4);
    EXPECT_EQ(mesh.count(), 16);
    EXPECT_EQ(mesh.stride(), 8);
    EXPECT_FALSE(mesh.indexed());
    glBindVertexArray(mesh.vao());
    GLint buffer = 0;
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &buffer);
    std::vector<float> stored(32);
    glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(buffer));
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, 32 * sizeof(float), stored.data());
    glBindVertexArray(0);
    EXPECT_EQ(stored, texelCentres(4));
    EXPECT_EQ(texelCentreMesh(0).count(), -1);
}

} // namespace
