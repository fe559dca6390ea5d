#include "scenes/crt_random.h"
#include "scenes/dust_cloud.h"
#include "tests/text/finale_fixture.h"
#include "text/finale_geometry.h"

#include <algorithm>
#include <vector>

namespace {

struct Attribute {
    GLint enabled;
    GLint size;
    GLint stride;
    GLintptr offset;
};

Attribute attributeOf(const Mesh& mesh, GLuint location) {
    Attribute attribute{};
    glBindVertexArray(mesh.vao());
    glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &attribute.enabled);
    glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_SIZE, &attribute.size);
    glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &attribute.stride);
    void* pointer = nullptr;
    glGetVertexAttribPointerv(location, GL_VERTEX_ATTRIB_ARRAY_POINTER, &pointer);
    attribute.offset = reinterpret_cast<GLintptr>(pointer);
    glBindVertexArray(0);
    return attribute;
}

// The corners of the last extract, in the field's centred space.
std::vector<Float4> surfaceCorners(const SurfaceExtractor& extractor) {
    const std::vector<Float4> texels = readColour(extractor.cornerTexture());
    const size_t columns = extractor.quadColumns();
    std::vector<Float4> corners;
    for (size_t q = 0; q < extractor.quadCount(); ++q)
        for (size_t k = 0; k < 4; ++k)
            corners.push_back(texels[(4 * (q / 512) + k) * columns + q % 512]);
    return corners;
}

// Pixels of the blob shader (yellow-green) and of the text shader (strongly red).
struct SurfacePixels {
    int green = 0;
    int red = 0;
    double greenX = 0.0;
    double greenY = 0.0;
    double redX = 0.0;
    double redY = 0.0;
};

SurfacePixels surfacePixels(int w, int h) {
    const std::vector<Pixel> pixels = readWindow(w, h);
    SurfacePixels found;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const Pixel& p = pixels[static_cast<size_t>(y) * w + x];
            if (p[1] > p[0] + 3 && p[1] > p[2]) {
                ++found.green;
                found.greenX += x;
                found.greenY += y;
            }
            if (p[0] > p[1] + 25) {
                ++found.red;
                found.redX += x;
                found.redY += y;
            }
        }
    }
    return found;
}

TEST_F(FinaleSceneTest, BuildsQuietlyAndUploadsTheDustBeforeTheGround) {
    EXPECT_EQ(constructionOutput_, "");
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
    EXPECT_EQ(scene().frameVolume(), nullptr);

    // The dust takes the first 30,000 values of the generator, x, y, z per mote.
    ASSERT_EQ(scene().dustMesh().count(), 10000);
    const std::vector<float> dust = readVertexBuffer(scene().dustMesh(), 30000);
    CrtRandom random;
    EXPECT_EQ(dust, scatterDust(random, 10000, 40.0f));
    const auto [lowest, highest] = std::minmax_element(dust.begin(), dust.end());
    EXPECT_GE(*lowest, -20.0f);
    EXPECT_LE(*highest, 19.996f);
    EXPECT_LT(*lowest, -19.99f);
    EXPECT_GT(*highest, 19.99f);

    // The ground takes the next 4,225, interleaved position and normal.
    ASSERT_EQ(scene().groundMesh().count(), 24576);
    EXPECT_FALSE(scene().groundMesh().indexed());
    const std::vector<float> ground = readVertexBuffer(scene().groundMesh(), 24576 * 6);
    EXPECT_EQ(ground, groundVertices(groundHeights(random)));
    const Attribute position = attributeOf(scene().groundMesh(), 0);
    const Attribute normal = attributeOf(scene().groundMesh(), 1);
    EXPECT_TRUE(position.enabled && normal.enabled);
    EXPECT_EQ(position.size, 3);
    EXPECT_EQ(normal.size, 3);
    EXPECT_EQ(position.stride, 24);
    EXPECT_EQ(normal.stride, 24);
    EXPECT_EQ(position.offset, 0);
    EXPECT_EQ(normal.offset, 12);
}

TEST_F(FinaleSceneTest, BuildsTheBlobFieldBefore135AndTheTextFieldFrom135) {
    scene().update(134.99);
    EXPECT_EQ(scene().frameVolume(), &scene().volume());
    std::vector<float> field = readVolume(scene().volume());
    // 100 less the blobs' faint tails far from them, negative inside them.
    EXPECT_GT(field[0], 50.0f);
    EXPECT_LT(field[0], 100.0f);
    EXPECT_LT(*std::min_element(field.begin(), field.end()), 0.0f);
    EXPECT_GT(extractor().quadCount(), 100u);

    // Before t = 137 the text band falls in an empty margin: positive everywhere, no surface.
    scene().update(135.0);
    field = readVolume(scene().volume());
    const auto [lowest, highest] = std::minmax_element(field.begin(), field.end());
    EXPECT_GT(*lowest, 0.0f);
    EXPECT_LT(*highest, 1.0f);
    EXPECT_EQ(extractor().quadCount(), 0u);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(FinaleSceneTest, ExtrudesOneCreditsLineAtATimeInItsOwnPlane) {
    struct Line {
        double t;
        int axis;     // the axis across the slab
        float centre; // where the slab lies on it
    };
    // Line 0 in the x-y plane, line 1 turned into the y-z plane, line 5 turned and moved back;
    // each halfway through its window, when the wipe shows all of it.
    for (const Line& line : {Line{142.0, 2, 0.0f}, Line{152.0, 0, 0.0f}, Line{192.0, 0, 0.25f}}) {
        scene().update(line.t);
        ASSERT_GT(extractor().quadCount(), 100u) << "t = " << line.t;
        float farthest = 0.0f;
        for (const Float4& corner : surfaceCorners(extractor()))
            farthest = std::max(farthest, std::fabs(corner[line.axis] - line.centre));
        // Half the slab (0.02), the noise (0.015) and one voxel.
        EXPECT_LT(farthest, 0.045f) << "t = " << line.t;
    }
}

TEST_F(FinaleSceneTest, DrawsBlobsUntil135AndTheTextShaderLiftedAfter) {
    scene().update(134.99);
    // Park the particles out of sight so that only surfaces can be red.
    writeParticles(scene(), uniformParticles({0.0f, -1000.0f, 0.0f, 1.0f}));
    const Camera atBlobs = cameraAt(0.0, 2.5, 25.0, 0.0, 0.0);
    const Camera twentyHigher = cameraAt(0.0, 22.5, 25.0, 0.0, 0.0);

    draw(134.99, atBlobs);
    const SurfacePixels blobs = surfacePixels(width, height);
    EXPECT_GT(blobs.green, 5);
    EXPECT_EQ(blobs.red, 0);

    // The same quads in the text shader's red, not yet lifted.
    draw(135.0, atBlobs);
    const SurfacePixels text = surfacePixels(width, height);
    EXPECT_EQ(text.green, 0);
    ASSERT_GT(text.red, 5);
    EXPECT_NEAR(text.redX / text.red, blobs.greenX / blobs.green, 2.0);
    EXPECT_NEAR(text.redY / text.red, blobs.greenY / blobs.green, 2.0);
    draw(135.0, twentyHigher);
    EXPECT_EQ(surfacePixels(width, height).red, 0);

    // Just after 135 they stand 20 units higher.
    draw(135.01, atBlobs);
    EXPECT_EQ(surfacePixels(width, height).red, 0);
    draw(135.01, twentyHigher);
    EXPECT_GT(surfacePixels(width, height).red, 5);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(FinaleSceneTest, DrawsTheGroundUntil135) {
    // Straight down onto flat ground near the middle, away from blobs, dust and particles.
    const Camera down = cameraAt(7.0, 3.0, 6.0, 0.0, 1.5);
    draw(134.99, down);
    const std::vector<Pixel> pixels = readWindow(width, height);
    for (int y = height / 2 - 2; y <= height / 2 + 2; ++y) {
        for (int x = width / 2 - 2; x <= width / 2 + 2; ++x) {
            const Pixel& p = pixels[static_cast<size_t>(y) * width + x];
            // Grey 0.05 + 0.4 (0.5 - 0.5 * 0.707 * 0.577) = 0.168 from the downward normal, plus
            // the cell lines (0.01) and grain (up to 0.04).
            EXPECT_GE(channel(p, 0), 0.155) << x << ", " << y;
            EXPECT_LE(channel(p, 0), 0.23) << x << ", " << y;
            EXPECT_NEAR(p[1], p[0], 1) << x << ", " << y;
            EXPECT_NEAR(p[2], p[0], 1) << x << ", " << y;
        }
    }
    draw(135.0, down);
    expectEmptySky(width, height, 135.0, down);
}

TEST_F(FinaleSceneTest, LeavesTheWindowBoundWithDepthTestOnAndBlendingOff) {
    const auto expectWindowState = [&](const char* after) {
        GLint framebuffer = -1;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
        EXPECT_EQ(framebuffer, 0) << after;
        std::array<GLint, 4> viewport{};
        glGetIntegerv(GL_VIEWPORT, viewport.data());
        EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, width, height})) << after;
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << after;
        EXPECT_FALSE(glIsEnabled(GL_BLEND)) << after;
        EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR)) << after;
    };
    glEnable(GL_BLEND);
    scene().update(131.5);
    expectWindowState("update");
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    draw(131.5, cameraAt(0.0, 2.0, 10.0, 0.3, 0.1));
    expectWindowState("draw");
    scene().fastForward(131.6);
    expectWindowState("fastForward");
}

} // namespace
