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

// Extracts `field`, rounded to the half floats the GPU reads, and counts the quads that differ
// from the reference's in its order (quad q in column q % 512 of row q / 512).
size_t wrongQuads(SurfaceExtractor& extractor, ReferenceVolume& field) {
    const Texture3D volume(VolumeKind::Distance, n, n, n);
    glBindTexture(GL_TEXTURE_3D, volume.id());
    glTexSubImage3D(GL_TEXTURE_3D, 0, 0, 0, 0, n, n, n, GL_RED, GL_FLOAT, field.values.data());
    field.values = readVolume(volume);
    // Layer 0 of the cell codes stands for no slice: what its storage held must not count.
    const std::vector<GLuint> stale(static_cast<size_t>(n) * n, 7u);
    glBindTexture(GL_TEXTURE_3D, extractor.pyramid().id());
    glTexSubImage3D(GL_TEXTURE_3D, 0, 0, 0, 0, n, n, 1, GL_RED_INTEGER, GL_UNSIGNED_INT,
                    stale.data());
    EXPECT_EQ(extractor.extract(volume), 0);
    const std::vector<Float4> cells = readColour(extractor.positionTexture());
    const std::vector<Float4> corners = readColour(extractor.cornerTexture());
    const std::vector<ReferenceQuad> expected = referenceSurface(field);
    EXPECT_EQ(extractor.quadCount(), expected.size());
    EXPECT_EQ(extractor.cornerTexture().width(), std::min<int>(expected.size(), quadRowWidth));
    EXPECT_EQ(extractor.cornerTexture().height(), 4 * int(extractor.quadRows()));
    size_t wrong = 0;
    for (size_t q = 0; q < std::min<size_t>(expected.size(), extractor.quadCount()); ++q) {
        const size_t width = extractor.quadColumns(), row = q / quadRowWidth;
        const size_t column = q % quadRowWidth;
        bool same = cells[row * width + column][3] == expected[q].face;
        for (size_t a = 0; a < 3; ++a) {
            same = same && std::fabs(cells[row * width + column][a] - expected[q].cell[a]) < 1e-7f;
            for (size_t k = 0; k < 4; ++k)
                same = same && std::fabs(corners[(4 * row + k) * width + column][a] -
                                         expected[q].corners[k][a]) < 1e-5f;
        }
        wrong += !same;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    return wrong;
}

// Isolated positive voxels in a negative volume: an interior one gives 6 quads, one in the plane
// x = 0 only the quad towards its +x neighbour.
ReferenceVolume volumeWithQuads(int quads) {
    ReferenceVolume field(n, -1.0f);
    int placed = 0;
    for (int i = 0; placed + 6 <= quads; ++i, placed += 6)
        field.at(4 + i % 48 * 2, 4 + i / 48 % 48 * 2, 4 + i / 48 / 48 * 2) = 1.0f;
    for (int z = 2; placed < quads; z += 2, ++placed)
        field.at(0, 2, z) = 1.0f;
    return field;
}

TEST_F(SurfaceExtractorTest, EveryVolumeGivesTheReferenceQuadsInRankOrderAndRowsByCount) {
    SurfaceExtractor extractor;
    // A volume of `fill` with random picks of `values` where the voxel's least coordinate lies in
    // box[0, 1], its largest in box[2, 3] and x + 3 y + z is a multiple of box[4].
    const auto random = [](float fill, std::vector<float> values, std::array<int, 5> box) {
        ReferenceVolume field(n, fill);
        std::mt19937 pick(5);
        for (int i = 0; i < n * n * n; ++i) {
            const int x = i % n, y = i / n % n, z = i / n / n, low = std::min({x, y, z});
            const int high = std::max({x, y, z});
            if (low >= box[0] && low <= box[1] && high >= box[2] && high <= box[3] &&
                (x + 3 * y + z) % box[4] == 0)
                field.values[i] = values[pick() % values.size()];
        }
        return field;
    };
    // A volume, its quads (exactly, or more than -quads) and output rows.
    std::vector<std::tuple<ReferenceVolume, int, unsigned>> rows = {
        {random(-1, {-2, -1, -0.5f, 0, 0.25f, 1, 3}, {52, n, 0, 75, 1}), -5000, 0},
        // Edges inside the planes x, y, z = 0 give nothing, towards the neighbours above quads.
        {random(-1, {-1, -1, 0, 0.5f, 2}, {0, 1, 0, 39, 1}), -500, 0},
        // Dual cubes reaching past the upper faces read zero; the sign flipped mirrors the quads.
        {random(-1, {0.25f, 1, 2}, {88, n, n - 2, n, 4}), -1000, 0},
        {random(1, {-0.25f, -1, -2}, {88, n, n - 2, n, 4}), -1000, 0},
        {ReferenceVolume(n, 1.0f), 0, 1},
        {volumeWithQuads(512), 512, 1},
        {volumeWithQuads(1024), 1024, 3}};
    for (auto& [field, quads, outputRows] : rows) {
        EXPECT_EQ(wrongQuads(extractor, field), 0u) << quads;
        const unsigned count = extractor.quadCount();
        EXPECT_TRUE(quads < 0 ? count > unsigned(-quads)
                              : count == unsigned(quads) && extractor.quadRows() == outputRows)
            << quads << ": " << count;
    }
}

// drawQuads as the scenes use it, through the shared corner lookup: every instance's two
// triangles carry its corners 0, 1, 2 and 0, 2, 3.
TEST_F(SurfaceExtractorTest, DrawQuadsHandsEachInstanceItsFourCorners) {
    SurfaceExtractor extractor;
    ReferenceVolume field = volumeWithQuads(513);
    EXPECT_EQ(wrongQuads(extractor, field), 0u);
    EXPECT_EQ(extractor.quadRows(), 2u);
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
    for (size_t v = 0; v < drawn.size(); ++v)
        wrong += std::fabs(drawn[v] -
                           quads[v / 18].corners[std::array{0, 1, 2, 0, 2, 3}[v / 3 % 6]][v % 3]) >
                 1e-5f;
    EXPECT_EQ(wrong, 0u);
}

} // namespace
