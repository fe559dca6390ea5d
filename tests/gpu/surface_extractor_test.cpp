#include "gpu/surface_extractor.h"
#include "shaders/shader_texts.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"
#include "tests/support/surface_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int n = SurfaceExtractor::baseSize;

class SurfaceExtractorTest : public GlTest {};

// Extracts `field`, rounded to the half floats the GPU reads, and checks that the outputs hold
// the reference's quads in its order (quad q in column q % 512 of row q / 512, corners to 1/800
// voxel). Returns how many there are.
size_t extractAsReference(SurfaceExtractor& extractor, ReferenceVolume& field) {
    const Texture3D volume(VolumeKind::Distance, n, n, n);
    glBindTexture(GL_TEXTURE_3D, volume.id());
    glTexSubImage3D(GL_TEXTURE_3D, 0, 0, 0, 0, n, n, n, GL_RED, GL_FLOAT, field.values.data());
    field.values = readVolume(volume);
    EXPECT_EQ(extractor.extract(volume), 0);
    const std::vector<Float4> cells = readColour(extractor.positionTexture());
    const std::vector<Float4> corners = readColour(extractor.cornerTexture());
    const std::vector<ReferenceQuad> expected = referenceSurface(field);
    EXPECT_EQ(extractor.quadCount(), expected.size());
    size_t wrong = 0;
    for (size_t q = 0; q < std::min<size_t>(expected.size(), extractor.quadCount()); ++q) {
        const size_t width = extractor.quadColumns(), row = q / quadRowWidth;
        const size_t column = q % quadRowWidth;
        const Float4& cell = cells[row * width + column];
        bool same = cell[3] == expected[q].face;
        for (size_t a = 0; a < 3; ++a) {
            same = same && std::fabs(cell[a] - expected[q].cell[a]) < 1e-7f;
            for (size_t k = 0; k < 4; ++k)
                same = same && std::fabs(corners[(4 * row + k) * width + column][a] -
                                         expected[q].corners[k][a]) < 1e-5f;
        }
        wrong += !same;
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    return extractor.quadCount();
}

// Isolated positive voxels in a negative volume: an interior one gives 6 quads, one in the plane
// x = 0 only the quad towards its +x neighbour.
ReferenceVolume volumeWithQuads(int quads) {
    ReferenceVolume field(n, -1.0f);
    int placed = 0;
    for (int z = 4; placed + 6 <= quads; z += 2)
        for (int y = 4; y < 100 && placed + 6 <= quads; y += 2)
            for (int x = 4; x < 100 && placed + 6 <= quads; x += 2, placed += 6)
                field.at(x, y, z) = 1.0f;
    for (int z = 2; placed < quads; z += 2, ++placed)
        field.at(0, 2, z) = 1.0f;
    return field;
}

TEST_F(SurfaceExtractorTest, EveryVolumeGivesTheReferenceQuadsInRankOrder) {
    SurfaceExtractor extractor;
    // A volume of `fill` with random picks of `values` in the voxels `where` accepts.
    struct Row {
        float fill;
        std::vector<float> values;
        bool (*where)(int x, int y, int z);
        int quads; // exactly, or at least -quads
    };
    const auto single = [](int x, int y, int z) { return x == 40 && y == 50 && z == 60; };
    const auto middle = [](int x, int y, int z) {
        return std::min({x, y, z}) >= 52 && std::max({x, y, z}) < 76;
    };
    const auto lowerPlanes = [](int x, int y, int z) {
        return std::min({x, y, z}) <= 1 && std::max({x, y, z}) < 40;
    };
    const auto upperFaces = [](int x, int y, int z) {
        return std::max({x, y, z}) >= n - 2 && std::min({x, y, z}) >= 88 &&
               (x + 3 * y + z) % 4 == 0;
    };
    const auto none = [](int, int, int) { return false; };
    const std::vector<Row> rows = {
        {-1, {1}, single, 6},
        {-1, {-2, -1, -0.5f, 0, 0.25f, 1, 3}, middle, -5000},
        // Edges inside the planes x, y, z = 0 give nothing, towards the neighbours above quads.
        {-1, {-1, -1, 0, 0.5f, 2}, lowerPlanes, -500},
        // Dual cubes reaching past the upper faces read zero; the sign flipped mirrors the quads.
        {-1, {0.25f, 1, 2}, upperFaces, -1000},
        {1, {-0.25f, -1, -2}, upperFaces, -1000},
        {1, {}, none, 0},
        {-1, {}, none, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows.data());
        ReferenceVolume field(n, row.fill);
        std::mt19937 random(5);
        for (int z = 0; z < n; ++z)
            for (int y = 0; y < n; ++y)
                for (int x = 0; x < n; ++x)
                    if (row.where(x, y, z))
                        field.at(x, y, z) = row.values[random() % row.values.size()];
        const size_t quads = extractAsReference(extractor, field);
        EXPECT_TRUE(row.quads >= 0 ? quads == size_t(row.quads) : quads > size_t(-row.quads));
    }
}

TEST_F(SurfaceExtractorTest, OutputsAreSizedByTheCountAndStaleCodesCountNothing) {
    SurfaceExtractor extractor;
    for (const auto& [quads, columns, rows] : std::vector<std::array<int, 3>>{
             {0, 0, 1}, {300, 300, 1}, {512, 512, 1}, {513, 512, 2}, {1024, 512, 3}}) {
        // Layer 0 of the cell codes stands for no slice: what its storage held must not count.
        const std::vector<GLuint> stale(static_cast<size_t>(n) * n, 7u);
        glBindTexture(GL_TEXTURE_3D, extractor.pyramid().id());
        glTexSubImage3D(GL_TEXTURE_3D, 0, 0, 0, 0, n, n, 1, GL_RED_INTEGER, GL_UNSIGNED_INT,
                        stale.data());
        ReferenceVolume field = volumeWithQuads(quads);
        EXPECT_EQ(extractAsReference(extractor, field), size_t(quads));
        EXPECT_EQ(extractor.cornerTexture().width(), columns) << quads;
        EXPECT_EQ(extractor.cornerTexture().height(), 4 * rows) << quads;
        EXPECT_EQ(extractor.quadRows(), unsigned(rows)) << quads;
    }
}

// drawQuads as the scenes use it, through the shared corner lookup: every instance's two
// triangles carry its corners 0, 1, 2 and 0, 2, 3.
TEST_F(SurfaceExtractorTest, DrawQuadsHandsEachInstanceItsFourCorners) {
    SurfaceExtractor extractor;
    ReferenceVolume field = volumeWithQuads(513);
    extractAsReference(extractor, field);
    const std::vector<ReferenceQuad> quads = referenceSurface(field);
    const ShaderProgram program = capturingProgram(
        std::string(shaderTexts().helper("surface_corner.glsl")) +
            "#ifdef vertexcompile\nin float count;\nout vec3 corner;\n"
            "void main() { corner = quadCorner(count); gl_Position = vec4(0.0); }\n#endif\n"
            "#ifdef fragmentcompile\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n#endif\n",
        {"corner"});
    const std::vector<float> drawn =
        captureVertices(GL_TRIANGLES, 3, 6 * 513, [&] { extractor.drawQuads(program, 3); });
    ASSERT_EQ(drawn.size(), 6u * 3 * quads.size());
    size_t wrong = 0;
    for (size_t v = 0; v < drawn.size() / 3; ++v)
        for (size_t a = 0; a < 3; ++a)
            wrong +=
                std::fabs(drawn[v * 3 + a] -
                          quads[v / 6].corners[std::array{0, 1, 2, 0, 2, 3}[v % 6]][a]) > 1e-5f;
    EXPECT_EQ(wrong, 0u);
}

} // namespace
