#include "scenes/crt_random.h"
#include "text/finale_geometry.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace {

using Vec3 = std::array<double, 3>;

Vec3 minus(const Vec3& a, const Vec3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double dot(const Vec3& a, const Vec3& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

double length(const Vec3& v) {
    return std::sqrt(dot(v, v));
}

double radius(int i, int j) {
    return std::hypot(i - 32.0, j - 32.0) / 64.0;
}

// The n-th value (counting from 0) of a never-seeded generator.
int randomValue(int n) {
    CrtRandom random;
    for (int k = 0; k < n; ++k)
        random.next();
    return random.next();
}

// Heights as the scene makes them: after the 30,000 values the dust takes.
std::vector<float> sceneHeights() {
    CrtRandom random;
    for (int k = 0; k < 30000; ++k)
        random.next();
    return groundHeights(random);
}

struct Vertex {
    Vec3 position;
    Vec3 normal;
};

Vertex vertexAt(const std::vector<float>& vertices, int index) {
    const float* v = &vertices[static_cast<size_t>(index) * groundFloatsPerVertex];
    return {{v[0], v[1], v[2]}, {v[3], v[4], v[5]}};
}

TEST(FinaleGround, HeightsTakeOneValuePerPointWithRowsAlongX) {
    const std::vector<float> heights = sceneHeights();
    ASSERT_EQ(heights.size(), 65u * 65u);
    // The middle is almost flat: amplitude 0.004 * 10 around -1.85.
    const double u = (randomValue(30000 + 65 * 32 + 32) % 10000) / 10000.0;
    EXPECT_FLOAT_EQ(heights[65 * 32 + 32], static_cast<float>(u * 0.04 - 1.85));
    // A corner lies beyond radius 0.5 and is flattened to a fifth.
    const double r = radius(0, 64);
    const double corner = (randomValue(30000 + 64) % 10000) / 10000.0;
    EXPECT_FLOAT_EQ(heights[64], static_cast<float>((corner * (r - 0.2) * 10.0 - 1.85) * 0.2));
    // i is the row: point (1, 0) takes the 66th value, not the 2nd.
    const double next = (randomValue(30000 + 65) % 10000) / 10000.0;
    EXPECT_FLOAT_EQ(heights[65], static_cast<float>((next * (radius(1, 0) - 0.2) * 10.0 - 1.85) *
                                                    (radius(1, 0) > 0.5 ? 0.2 : 1.0)));
}

TEST(FinaleGround, HeightsStayWithinTheirRangesAndReachThem) {
    const std::vector<float> heights = sceneHeights();
    float roughest = -10.0f;
    float highestCorner = -10.0f;
    for (int i = 0; i < groundGridSide; ++i) {
        for (int j = 0; j < groundGridSide; ++j) {
            const float h = heights[static_cast<size_t>(i) * groundGridSide + j];
            const double r = radius(i, j);
            if (r < 0.204) {
                EXPECT_GE(h, -1.85f) << i << "," << j;
                EXPECT_LE(h, -1.81f) << i << "," << j;
            } else if (r <= 0.5) {
                EXPECT_GE(h, -1.85f) << i << "," << j;
                EXPECT_LE(h, 1.15f) << i << "," << j;
                if (r > 0.45)
                    roughest = std::max(roughest, h);
            } else {
                EXPECT_GE(h, -0.37f) << i << "," << j;
                EXPECT_LE(h, 0.645f) << i << "," << j;
                highestCorner = std::max(highestCorner, h);
            }
        }
    }
    // The roughness grows to nearly 3 units just inside radius 0.5; the corners keep a fifth.
    EXPECT_GT(roughest, 0.8f);
    EXPECT_GT(highestCorner, 0.4f);
}

TEST(FinaleGround, CellsHoldTwoTrianglesOverTheGrid) {
    const std::vector<float> heights = sceneHeights();
    const std::vector<float> vertices = groundVertices(heights);
    ASSERT_EQ(vertices.size(), 24576u * 6u);
    ASSERT_EQ(groundVertexCount, 24576);
    const auto h = [&](int i, int j) { return heights[static_cast<size_t>(i) * 65 + j]; };
    const auto expectAt = [&](int index, double x, double y, double z) {
        const Vec3 p = vertexAt(vertices, index).position;
        EXPECT_NEAR(p[0], x, 1e-5) << "vertex " << index;
        EXPECT_NEAR(p[1], y, 1e-6) << "vertex " << index;
        EXPECT_NEAR(p[2], z, 1e-5) << "vertex " << index;
    };
    // Cell (0, 0) starts at the grid's corner (-25, -26).
    expectAt(0, -25.0, h(0, 0), -26.0);
    expectAt(1, -25.0 + 50.0 / 64.0, h(1, 1), -26.0 + 50.0 / 64.0);
    expectAt(2, -25.0 + 50.0 / 64.0, h(1, 0), -26.0);
    expectAt(3, -25.0 + 50.0 / 64.0, h(1, 1), -26.0 + 50.0 / 64.0);
    expectAt(4, -25.0, h(0, 0), -26.0);
    expectAt(5, -25.0, h(0, 1), -26.0 + 50.0 / 64.0);
    // Cell (i, j) = (63, 63), the last, reaches (25, 24); j runs inside i.
    const int last = 6 * (63 * 64 + 63);
    expectAt(last + 1, 25.0, h(64, 64), 24.0);
    expectAt(6 * (2 * 64 + 5), (2.0 / 64.0 - 0.5) * 50.0, h(2, 5), (5.0 / 64.0 - 0.5) * 50.0 - 1.0);
}

TEST(FinaleGround, RefusesAHeightGridOfAnotherSize) {
    EXPECT_THROW(groundVertices(std::vector<float>(64 * 64, 0.0f)), std::invalid_argument);
    EXPECT_THROW(groundVertices({}), std::invalid_argument);
}

TEST(FinaleGround, NormalsAreUnnormalisedAndPointDown) {
    const std::vector<float> heights = sceneHeights();
    const std::vector<float> vertices = groundVertices(heights);
    int flatTriangles = 0;
    for (int triangle = 0; triangle < groundVertexCount / 3; ++triangle) {
        const Vertex v0 = vertexAt(vertices, 3 * triangle);
        const Vertex v1 = vertexAt(vertices, 3 * triangle + 1);
        const Vertex v2 = vertexAt(vertices, 3 * triangle + 2);
        ASSERT_EQ(v0.normal, v1.normal) << "triangle " << triangle;
        ASSERT_EQ(v0.normal, v2.normal) << "triangle " << triangle;
        const Vec3 a = minus(v1.position, v0.position);
        const Vec3 b = minus(v2.position, v0.position);
        // Counter-clockwise seen from above, so culling keeps the side the camera sees.
        const Vec3 front = cross(a, b);
        ASSERT_GT(front[1], 0.0) << "triangle " << triangle;
        // The stored normal is perpendicular to the triangle and points away from its front.
        const Vec3& n = v0.normal;
        EXPECT_NEAR(dot(n, a) / length(a), 0.0, 1e-5) << "triangle " << triangle;
        EXPECT_NEAR(dot(n, b) / length(b), 0.0, 1e-5) << "triangle " << triangle;
        ASSERT_LT(n[1], 0.0) << "triangle " << triangle;
        // Its length is the sine of the angle between the two edges, not 1.
        const double sine = length(cross(a, b)) / (length(a) * length(b));
        EXPECT_NEAR(length(n), sine, 1e-5) << "triangle " << triangle;
        const int cell = triangle / 2;
        if (radius(cell / 64, cell % 64) < 0.15 && radius(cell / 64 + 1, cell % 64 + 1) < 0.15) {
            ++flatTriangles;
            EXPECT_NEAR(n[0], 0.0, 0.04);
            EXPECT_NEAR(n[1], -std::sqrt(0.5), 0.01);
            EXPECT_NEAR(n[2], 0.0, 0.04);
        }
    }
    EXPECT_GT(flatTriangles, 300);
}

} // namespace
