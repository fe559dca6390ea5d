#include "gpu/quad_layout.h"
#include "gpu/render_target.h"
#include "gpu/surface_extractor.h"
#include "gpu/texture.h"
#include "shaders/shader_resource.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"
#include "tests/support/surface_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int n = SurfaceExtractor::baseSize;

class SurfaceExtractorTest : public GlTest {
  protected:
    SurfaceExtractorTest() : GlTest(8, 8) {}
    void SetUp() override {
        GlTest::SetUp();
        extractor_ = std::make_unique<SurfaceExtractor>();
        volume_ = std::make_unique<Texture3D>(VolumeKind::Distance, n, n, n);
    }
    void TearDown() override {
        volume_.reset();
        extractor_.reset();
        GlTest::TearDown();
    }

    // Stores `field` in the volume and rounds it to the half floats the GPU will read.
    void upload(ReferenceVolume& field) {
        glBindTexture(GL_TEXTURE_3D, volume_->id());
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glTexSubImage3D(GL_TEXTURE_3D, 0, 0, 0, 0, n, n, n, GL_RED, GL_FLOAT, field.values.data());
        glGetTexImage(GL_TEXTURE_3D, 0, GL_RED, GL_FLOAT, field.values.data());
        glBindTexture(GL_TEXTURE_3D, 0);
    }

    std::vector<ReferenceQuad> extract(ReferenceVolume& field) {
        return extractWith(*extractor_, field);
    }

    std::vector<ReferenceQuad> extractWith(SurfaceExtractor& extractor, ReferenceVolume& field) {
        upload(field);
        EXPECT_EQ(extractor.extract(*volume_), 0);
        EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
        return readQuads(extractor);
    }

    // The quads as the output textures hold them: quad q at column q % 512 of row q / 512.
    static std::vector<ReferenceQuad> readQuads(const SurfaceExtractor& extractor) {
        const std::vector<Float4> positions = readColour(extractor.positionTexture());
        const std::vector<Float4> corners = readColour(extractor.cornerTexture());
        const size_t width = extractor.quadColumns();
        std::vector<ReferenceQuad> quads(extractor.quadCount());
        for (size_t q = 0; q < quads.size(); ++q) {
            const size_t column = q % quadRowWidth;
            const size_t row = q / quadRowWidth;
            const Float4& p = positions[row * width + column];
            quads[q].cell = {p[0], p[1], p[2]};
            quads[q].face = p[3];
            for (size_t k = 0; k < 4; ++k) {
                const Float4& c = corners[(4 * row + k) * width + column];
                quads[q].corners[k] = {c[0], c[1], c[2]};
                EXPECT_EQ(c[3], 0.0f);
            }
        }
        return quads;
    }

    std::unique_ptr<SurfaceExtractor> extractor_;
    std::unique_ptr<Texture3D> volume_;
};

bool near(const Vec3& a, const Vec3& b, float tolerance) {
    return std::fabs(a[0] - b[0]) <= tolerance && std::fabs(a[1] - b[1]) <= tolerance &&
           std::fabs(a[2] - b[2]) <= tolerance;
}

std::string describe(const ReferenceQuad& quad) {
    std::string text = "cell (" + std::to_string(quad.cell[0] * n - 0.5f) + ", " +
                       std::to_string(quad.cell[1] * n - 0.5f) + ", " +
                       std::to_string(quad.cell[2] * n - 0.5f) + ") face " +
                       std::to_string(quad.face) + " corners";
    for (const Vec3& c : quad.corners)
        text += " (" + std::to_string(c[0]) + ", " + std::to_string(c[1]) + ", " +
                std::to_string(c[2]) + ")";
    return text;
}

// Same quads in the same order: cells, faces and every corner (positions to 1/800 voxel).
void expectSameQuads(const std::vector<ReferenceQuad>& gpu,
                     const std::vector<ReferenceQuad>& expected) {
    ASSERT_EQ(gpu.size(), expected.size());
    size_t mismatches = 0;
    for (size_t i = 0; i < gpu.size(); ++i) {
        bool same = near(gpu[i].cell, expected[i].cell, 1e-7f) && gpu[i].face == expected[i].face;
        for (int k = 0; k < 4; ++k)
            same = same && near(gpu[i].corners[k], expected[i].corners[k], 1e-5f);
        if (!same && ++mismatches <= 5)
            ADD_FAILURE() << "quad " << i << "\n  gpu:      " << describe(gpu[i])
                          << "\n  expected: " << describe(expected[i]);
    }
    EXPECT_EQ(mismatches, 0u);
}

// Every quad winds counter-clockwise seen from the side of larger values along its edge. Exact
// zeros can pull corners together into a quad without area, which has no winding to check.
void expectWindsTowardsLargerValues(const std::vector<ReferenceQuad>& quads,
                                    const ReferenceVolume& field) {
    size_t wrong = 0;
    size_t flat = 0;
    for (const ReferenceQuad& quad : quads) {
        const int axis = static_cast<int>(std::fabs(quad.face)) - 1;
        std::array<int, 3> voxel = {static_cast<int>(quad.cell[0] * n),
                                    static_cast<int>(quad.cell[1] * n),
                                    n - static_cast<int>(quad.cell[2] * n)};
        const float upper = field.read(voxel[0], voxel[1], voxel[2]);
        --voxel[axis];
        const float rise = upper - field.read(voxel[0], voxel[1], voxel[2]);
        const float area = quadArea(quad)[axis];
        if (std::fabs(area) < 1e-9f)
            ++flat;
        else if (!(area * rise > 0.0f) && ++wrong <= 5)
            ADD_FAILURE() << "winds the wrong way: " << describe(quad);
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_LT(flat, quads.size() / 20 + 1);
}

// The whole pipeline against the CPU model, plus the winding rule checked on the GPU's corners.
void expectMatchesReference(const std::vector<ReferenceQuad>& gpu, const ReferenceVolume& field) {
    expectSameQuads(gpu, referenceSurface(field));
    expectWindsTowardsLargerValues(gpu, field);
}

// Isolated positive voxels in a negative volume: an interior one gives 6 quads, one in the plane
// x = 0 only the quad towards its +x neighbour.
ReferenceVolume volumeWithQuads(int quads) {
    ReferenceVolume field(n, -1.0f);
    int placed = 0;
    for (int z = 4; z < 100 && placed + 6 <= quads; z += 2)
        for (int y = 4; y < 100 && placed + 6 <= quads; y += 2)
            for (int x = 4; x < 100 && placed + 6 <= quads; x += 2) {
                field.at(x, y, z) = 1.0f;
                placed += 6;
            }
    for (int z = 2; placed < quads; z += 2) {
        field.at(0, 2, z) = 1.0f;
        ++placed;
    }
    return field;
}

GLint textureLevelSize(GLuint texture, GLenum parameter) {
    GLint value = -1;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, parameter, &value);
    glBindTexture(GL_TEXTURE_2D, 0);
    return value;
}

TEST_F(SurfaceExtractorTest, ProgramsBuildWithoutAnyLog) {
    for (int id : {127, 115})
        EXPECT_EQ(buildCapturingOutput(shaderResource(id), "", ShaderFlags::HasGeometry).printed,
                  "")
            << id;
    for (int id : {116, 117})
        EXPECT_EQ(buildCapturingOutput(shaderResource(id), "").printed, "") << id;
}

TEST_F(SurfaceExtractorTest, SinglePositiveVoxelGivesSixQuadsFacingInwards) {
    ReferenceVolume field(n, -1.0f);
    field.at(40, 50, 60) = 1.0f;
    const std::vector<ReferenceQuad> quads = extract(field);
    ASSERT_EQ(extractor_->quadCount(), 6u);
    // Its own cell holds the quads towards -x, -y, -z; its upper neighbours one each.
    int ownCell = 0;
    for (const ReferenceQuad& quad : quads)
        ownCell += near(quad.cell, {40.5f / n, 50.5f / n, (n - 60 + 0.5f) / n}, 1e-7f);
    EXPECT_EQ(ownCell, 3);
    expectMatchesReference(quads, field);
}

TEST_F(SurfaceExtractorTest, SphereMatchesTheReferenceAndLiesOnTheSphere) {
    ReferenceVolume field(n);
    const Vec3 centre = {64.3f, 63.6f, 64.2f};
    const float radius = 30.0f;
    for (int z = 0; z < n; ++z)
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x)
                field.at(x, y, z) =
                    std::hypot(x - centre[0], y - centre[1], z - centre[2]) - radius;
    const std::vector<ReferenceQuad> quads = extract(field);
    EXPECT_GT(quads.size(), 10000u);
    expectMatchesReference(quads, field);
    // Corner positions sit half a voxel above the crossings in texture space shifted by -0.5.
    float worst = 0.0f;
    for (const ReferenceQuad& quad : quads)
        for (const Vec3& c : quad.corners) {
            const float distance =
                std::hypot(c[0] * n + n / 2 - 1 - centre[0], c[1] * n + n / 2 - 1 - centre[1],
                           c[2] * n + n / 2 - 1 - centre[2]);
            worst = std::max(worst, std::fabs(distance - radius));
        }
    EXPECT_LT(worst, 0.25f);
}

TEST_F(SurfaceExtractorTest, RandomFieldWithExactZerosMatchesTheReference) {
    ReferenceVolume field(n, -1.0f);
    std::mt19937 random(7);
    const std::array<float, 7> values = {-2.0f, -1.0f, -0.5f, 0.0f, 0.25f, 1.0f, 3.0f};
    std::uniform_int_distribution<size_t> pick(0, values.size() - 1);
    for (int z = 52; z < 76; ++z)
        for (int y = 52; y < 76; ++y)
            for (int x = 52; x < 76; ++x)
                field.at(x, y, z) = values[pick(random)];
    const std::vector<ReferenceQuad> quads = extract(field);
    EXPECT_GT(quads.size(), 5000u);
    expectMatchesReference(quads, field);
}

TEST_F(SurfaceExtractorTest, EdgesInsideTheLowerPlanesGiveNoQuads) {
    ReferenceVolume field(n, -1.0f);
    // Isolated voxels in the planes x = 0, y = 0 and z = 0: only the quad towards the neighbour
    // above the plane remains, in that neighbour's cell.
    field.at(0, 5, 7) = 1.0f;
    field.at(9, 0, 7) = 1.0f;
    field.at(9, 5, 0) = 1.0f;
    field.at(0, 0, 11) = 1.0f;
    std::vector<ReferenceQuad> quads = extract(field);
    ASSERT_EQ(quads.size(), 3u);
    std::vector<float> faces;
    for (const ReferenceQuad& quad : quads)
        faces.push_back(quad.face);
    std::sort(faces.begin(), faces.end());
    // The x quad tests greater-than, the y and z quads less-than: a positive voxel below a
    // negative one turns the y and z quads round.
    EXPECT_EQ(faces, (std::vector<float>{-3.0f, -2.0f, 1.0f}));
    expectMatchesReference(quads, field);

    // Random sign changes inside the three planes and between them and their upper neighbours.
    std::mt19937 random(11);
    std::uniform_real_distribution<float> chance(0.0f, 1.0f);
    for (int a = 0; a < 40; ++a)
        for (int b = 0; b < 40; ++b) {
            field.at(0, a, b) = chance(random) < 0.3f ? 1.0f : -1.0f;
            field.at(a, 0, b) = chance(random) < 0.3f ? 0.5f : -0.5f;
            field.at(a, b, 0) =
                chance(random) < 0.1f ? 0.0f : (chance(random) < 0.3f ? 2.0f : -1.0f);
        }
    quads = extract(field);
    EXPECT_GT(quads.size(), 500u);
    expectMatchesReference(quads, field);
}

// Voxels on and next to the upper faces: their dual cubes reach past the volume and read zero.
ReferenceVolume upperFaceField() {
    ReferenceVolume field(n, -1.0f);
    std::mt19937 random(5);
    std::uniform_real_distribution<float> chance(0.0f, 1.0f);
    std::uniform_real_distribution<float> magnitude(0.25f, 2.0f);
    for (int a = 88; a < n; ++a)
        for (int b = 88; b < n; ++b)
            for (int depth : {n - 1, n - 2}) {
                const float p = depth == n - 1 ? 0.3f : 0.2f;
                for (int axis = 0; axis < 3; ++axis) {
                    if (chance(random) >= p)
                        continue;
                    const float value = magnitude(random);
                    if (axis == 0)
                        field.at(depth, a, b) = value;
                    else if (axis == 1)
                        field.at(a, depth, b) = value;
                    else
                        field.at(a, b, depth) = value;
                }
            }
    return field;
}

TEST_F(SurfaceExtractorTest, DualCubesReachingPastTheUpperFacesReadZero) {
    ReferenceVolume field = upperFaceField();
    const std::vector<ReferenceQuad> quads = extract(field);
    EXPECT_GT(quads.size(), 1000u);
    expectMatchesReference(quads, field);
}

TEST_F(SurfaceExtractorTest, SignFlippedVolumeMirrorsEveryQuadsCornerOrder) {
    ReferenceVolume field = upperFaceField();
    const std::vector<ReferenceQuad> quads = extract(field);
    for (float& value : field.values)
        value = -value;
    const std::vector<ReferenceQuad> flipped = extract(field);
    expectMatchesReference(flipped, field);
    ASSERT_EQ(flipped.size(), quads.size());
    size_t wrong = 0;
    for (size_t i = 0; i < quads.size(); ++i) {
        const auto& a = quads[i];
        const auto& b = flipped[i];
        const bool mirrored = a.cell == b.cell && a.face == -b.face &&
                              a.corners[0] == b.corners[1] && a.corners[1] == b.corners[0] &&
                              a.corners[2] == b.corners[3] && a.corners[3] == b.corners[2];
        wrong += !mirrored;
    }
    EXPECT_EQ(wrong, 0u);
}

TEST_F(SurfaceExtractorTest, UniformVolumesGiveNoQuadsAndEmptyOutputs) {
    for (float fill : {1.0f, -1.0f}) {
        ReferenceVolume field(n, fill);
        EXPECT_TRUE(extract(field).empty());
        EXPECT_EQ(extractor_->quadCount(), 0u);
        EXPECT_EQ(extractor_->quadColumns(), 0u);
        EXPECT_EQ(extractor_->quadRows(), 1u);
        EXPECT_EQ(textureLevelSize(extractor_->positionTexture().id(), GL_TEXTURE_WIDTH), 0);
        EXPECT_EQ(textureLevelSize(extractor_->cornerTexture().id(), GL_TEXTURE_WIDTH), 0);
        EXPECT_EQ(textureLevelSize(extractor_->cornerTexture().id(), GL_TEXTURE_HEIGHT), 4);
    }
}

TEST_F(SurfaceExtractorTest, OutputSizesFollowTheQuadCount) {
    struct Case {
        int quads;
        unsigned columns;
        unsigned rows;
    };
    for (const Case& c :
         {Case{300, 300, 1}, Case{512, 512, 1}, Case{513, 512, 2}, Case{1024, 512, 3}}) {
        ReferenceVolume field = volumeWithQuads(c.quads);
        const std::vector<ReferenceQuad> quads = extract(field);
        EXPECT_EQ(extractor_->quadCount(), static_cast<unsigned>(c.quads));
        EXPECT_EQ(extractor_->quadColumns(), c.columns) << c.quads;
        EXPECT_EQ(extractor_->quadRows(), c.rows) << c.quads;
        const Texture2D& corners = extractor_->cornerTexture();
        EXPECT_EQ(textureLevelSize(corners.id(), GL_TEXTURE_WIDTH), static_cast<int>(c.columns));
        EXPECT_EQ(textureLevelSize(corners.id(), GL_TEXTURE_HEIGHT), static_cast<int>(4 * c.rows));
        const Texture2D& positions = extractor_->positionTexture();
        EXPECT_EQ(textureLevelSize(positions.id(), GL_TEXTURE_WIDTH), static_cast<int>(c.columns));
        EXPECT_EQ(textureLevelSize(positions.id(), GL_TEXTURE_HEIGHT), static_cast<int>(c.rows));
        expectMatchesReference(quads, field);
    }
}

TEST_F(SurfaceExtractorTest, LeavesTheDocumentedGlStateBehind) {
    ReferenceVolume field = volumeWithQuads(513);
    upload(field);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, 8, 8);
    extractor_->extract(*volume_);

    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_GE(glGetUniformLocation(static_cast<GLuint>(program), "quadpos"), 0);
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE2);
    auto bound = [](GLenum unit, GLenum binding) {
        glActiveTexture(unit);
        GLint texture = 0;
        glGetIntegerv(binding, &texture);
        return static_cast<GLuint>(texture);
    };
    EXPECT_EQ(bound(GL_TEXTURE0, GL_TEXTURE_BINDING_3D), extractor_->pyramid().id());
    EXPECT_EQ(bound(GL_TEXTURE0, GL_TEXTURE_BINDING_2D), extractor_->cornerTexture().id());
    EXPECT_EQ(bound(GL_TEXTURE1, GL_TEXTURE_BINDING_3D), volume_->id());
    EXPECT_EQ(bound(GL_TEXTURE2, GL_TEXTURE_BINDING_2D), extractor_->positionTexture().id());

    glActiveTexture(GL_TEXTURE0);
    GLint baseLevel = -1, maxLevel = -1;
    glGetTexParameteriv(GL_TEXTURE_3D, GL_TEXTURE_BASE_LEVEL, &baseLevel);
    glGetTexParameteriv(GL_TEXTURE_3D, GL_TEXTURE_MAX_LEVEL, &maxLevel);
    EXPECT_EQ(baseLevel, 0);
    EXPECT_EQ(maxLevel, SurfaceExtractor::topLevel);

    GLint framebuffer = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
    EXPECT_NE(framebuffer, 0);
    GLint attached = 0;
    glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                          GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &attached);
    EXPECT_EQ(static_cast<GLuint>(attached), extractor_->cornerTexture().id());
    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, 512, 8}));
    EXPECT_EQ(extractor_->volume(), volume_.get());
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(SurfaceExtractorTest, StaleCodesInTheUnclassifiedLayerCountNothing) {
    // Layer 0 of the cell codes stands for no voxel slice; whatever its storage held before (here
    // three quads per texel) must not reach the counts.
    const std::vector<GLuint> stale(static_cast<size_t>(n) * n, 7u);
    glBindTexture(GL_TEXTURE_3D, extractor_->pyramid().id());
    glTexSubImage3D(GL_TEXTURE_3D, 0, 0, 0, 0, n, n, 1, GL_RED_INTEGER, GL_UNSIGNED_INT,
                    stale.data());
    glBindTexture(GL_TEXTURE_3D, 0);
    ReferenceVolume field(n, -1.0f);
    field.at(64, 64, 64) = 1.0f;
    const std::vector<ReferenceQuad> quads = extract(field);
    EXPECT_EQ(quads.size(), 6u);
    expectMatchesReference(quads, field);
}

TEST_F(SurfaceExtractorTest, SurfaceTooLargeForTheCornerTextureIsCutWithOneLine) {
    // A corner texture at most 8 texels high holds 2 rows of quads: 1023 by the layout rule.
    SurfaceExtractor small(8);
    EXPECT_EQ(small.quadCapacity(), 1023u);
    ReferenceVolume field = volumeWithQuads(1024);

    testing::internal::CaptureStdout();
    std::vector<ReferenceQuad> quads = extractWith(small, field);
    extractWith(small, field);
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "surface of 1024 quads cut to the 1023 that fit the corner texture\n");
    EXPECT_EQ(small.quadCount(), 1023u);
    EXPECT_EQ(small.quadRows(), 2u);
    EXPECT_EQ(textureLevelSize(small.cornerTexture().id(), GL_TEXTURE_HEIGHT), 8);
    std::vector<ReferenceQuad> expected = referenceSurface(field);
    expected.resize(1023);
    expectSameQuads(quads, expected);

    // Once a surface fits again, the next one that does not is reported again.
    ReferenceVolume fits = volumeWithQuads(300);
    testing::internal::CaptureStdout();
    extractWith(small, fits);
    EXPECT_EQ(small.quadCount(), 300u);
    extractWith(small, field);
    printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "surface of 1024 quads cut to the 1023 that fit the corner texture\n");
}

// Draws the corner mesh the way scenes do, but as points that copy each corner they read into
// pixel (instance, corner), so the selectors and the row arithmetic are checked end to end.
TEST_F(SurfaceExtractorTest, CornerMeshReadsEachQuadsFourCorners) {
    ReferenceVolume field = volumeWithQuads(513);
    const std::vector<ReferenceQuad> quads = extract(field);
    const int count = static_cast<int>(extractor_->quadCount());
    const char* const consumer = R"(
#ifdef vertexcompile
layout (location=0) in float count;
uniform sampler2D quads;
uniform vec2 qcount;
uniform float width;
out vec4 corner;
void main() {
    float i = float(gl_InstanceID);
    vec2 uv = vec2(mod(i, 512.0), floor(i / 512.0));
    corner = texture(quads, (uv + vec2(0.5, count)) / qcount);
    vec2 pixel = vec2(i, floor(4.0 * count)) + 0.5;
    gl_Position = vec4(pixel / vec2(width, 4.0) * 2.0 - 1.0, 0.0, 1.0);
}
#endif
#ifdef fragmentcompile
in vec4 corner;
layout (location=0) out vec4 colour;
void main() { colour = corner; }
#endif
)";
    BuiltProgram built = buildCapturingOutput(consumer, "consumer");
    ASSERT_TRUE(linked(built.program)) << built.printed;
    const Texture2D output(ImageKind::Colour, count, 4);
    RenderTarget target;
    target.attach(0, &output);
    target.bind(count, 4);
    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_2D, extractor_->cornerTexture().id());
    built.program.bind();
    built.program.setInt("quads", 3);
    built.program.setVec2("qcount", extractor_->quadColumns(), extractor_->quadRows());
    built.program.setFloat("width", count);
    extractor_->cornerMesh().draw(GL_POINTS, count);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));

    const std::vector<Float4> drawn = readColour(output);
    size_t wrong = 0;
    for (int q = 0; q < count; ++q)
        for (int k = 0; k < 4; ++k) {
            const Float4& c = drawn[static_cast<size_t>(k) * count + q];
            wrong += !(Vec3{c[0], c[1], c[2]} == quads[q].corners[k]);
        }
    EXPECT_EQ(wrong, 0u);
}

// drawQuads as the scenes use it: each instance becomes a small quad over pixel (instance) whose
// lower-right triangle carries corner 2 of that quad; pixels past the last quad stay empty.
TEST_F(SurfaceExtractorTest, DrawQuadsDrawsEveryQuadOnceWithItsCorners) {
    ReferenceVolume field = volumeWithQuads(513);
    const std::vector<ReferenceQuad> quads = extract(field);
    const int count = static_cast<int>(extractor_->quadCount());
    const int width = count + 8;
    const char* const consumer = R"(
#ifdef vertexcompile
layout (location=0) in float count;
uniform sampler2D quads;
uniform vec2 qcount;
uniform float width;
flat out vec4 corner;
void main() {
    float i = float(gl_InstanceID);
    vec2 uv = vec2(mod(i, 512.0), floor(i / 512.0));
    corner = vec4(texture(quads, (uv + vec2(0.5, count)) / qcount).xyz, 1.0);
    // Corners 0..3 at (-0.4,-0.2), (1,0), (1,1), (0,1) around pixel i: its centre lies in (0,1,2).
    int k = int(floor(4.0 * count));
    vec2 offsets[4] = vec2[4](vec2(-0.4, -0.2), vec2(1.0, 0.0), vec2(1.0, 1.0), vec2(0.0, 1.0));
    gl_Position = vec4((vec2(i, 0.0) + offsets[k]) / vec2(width, 1.0) * 2.0 - 1.0, 0.0, 1.0);
}
#endif
#ifdef fragmentcompile
flat in vec4 corner;
layout (location=0) out vec4 colour;
void main() { colour = corner; }
#endif
)";
    BuiltProgram built = buildCapturingOutput(consumer, "consumer");
    ASSERT_TRUE(linked(built.program)) << built.printed;
    const Texture2D output(ImageKind::Colour, width, 1);
    RenderTarget target;
    target.attach(0, &output);
    target.bind(width, 1);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    const GLfloat clear[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glClearBufferfv(GL_COLOR, 0, clear);
    built.program.bind();
    built.program.setFloat("width", width);
    extractor_->drawQuads(built.program, 3);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));

    const std::vector<Float4> drawn = readColour(output);
    size_t wrong = 0;
    for (int q = 0; q < count; ++q) {
        const Float4& c = drawn[static_cast<size_t>(q)];
        wrong += !(c[3] == 1.0f && Vec3{c[0], c[1], c[2]} == quads[q].corners[2]);
    }
    EXPECT_EQ(wrong, 0u);
    for (int x = count; x < width; ++x)
        EXPECT_EQ(drawn[static_cast<size_t>(x)][3], 0.0f) << x;
}

TEST(QuadLayout, FollowsTheRowRule) {
    const std::uint32_t unlimited = quadCapacity(16384);
    auto layout = [&](std::uint32_t count) { return quadLayout(count, unlimited); };
    EXPECT_EQ(layout(0).columns, 0u);
    EXPECT_EQ(layout(0).rows, 1u);
    EXPECT_EQ(layout(300).columns, 300u);
    EXPECT_EQ(layout(300).rows, 1u);
    EXPECT_EQ(layout(512).columns, 512u);
    EXPECT_EQ(layout(512).rows, 1u);
    EXPECT_EQ(layout(513).columns, 512u);
    EXPECT_EQ(layout(513).rows, 2u);
    EXPECT_EQ(layout(1024).rows, 3u);
    EXPECT_FALSE(layout(1024).clamped);
}

TEST(QuadLayout, CapacityIsTheExactBoundOfTheCornerTextureHeight) {
    EXPECT_EQ(quadCapacity(0), 0u);
    EXPECT_EQ(quadCapacity(-4), 0u);
    EXPECT_EQ(quadCapacity(3), 0u);
    EXPECT_EQ(quadCapacity(4), 512u);
    EXPECT_EQ(quadCapacity(16384), 4096u * 512u - 1u);
    for (int height = 4; height <= 256; ++height) {
        const std::uint32_t capacity = quadCapacity(height);
        const QuadLayout fits = quadLayout(capacity, capacity);
        EXPECT_LE(4 * fits.rows, static_cast<std::uint32_t>(height)) << height;
        EXPECT_FALSE(fits.clamped);
        const QuadLayout over = quadLayout(capacity + 1, ~0u);
        EXPECT_GT(4 * over.rows, static_cast<std::uint32_t>(height)) << height;
        const QuadLayout cut = quadLayout(capacity + 1, capacity);
        EXPECT_TRUE(cut.clamped);
        EXPECT_EQ(cut.count, capacity);
    }
}

} // namespace
