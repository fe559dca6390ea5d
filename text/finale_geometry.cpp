#include "text/finale_geometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <string>

namespace {

using Vec3 = std::array<float, 3>;

Vec3 minus(const Vec3& a, const Vec3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

Vec3 normalized(const Vec3& v) {
    const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return {v[0] / length, v[1] / length, v[2] / length};
}

Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// Appends the triangle v0, v1, v2, each vertex with the normal (v2 - v0)^ x (v1 - v0)^.
void appendTriangle(std::vector<float>& vertices, const Vec3& v0, const Vec3& v1, const Vec3& v2) {
    const Vec3 normal = cross(normalized(minus(v2, v0)), normalized(minus(v1, v0)));
    for (const Vec3* v : {&v0, &v1, &v2}) {
        vertices.insert(vertices.end(), v->begin(), v->end());
        vertices.insert(vertices.end(), normal.begin(), normal.end());
    }
}

} // namespace

std::vector<float> groundHeights(CrtRandom& random) {
    std::vector<float> heights;
    heights.reserve(static_cast<size_t>(groundGridSide) * groundGridSide);
    for (int i = 0; i < groundGridSide; ++i) {
        for (int j = 0; j < groundGridSide; ++j) {
            const double a = i - 32;
            const double b = j - 32;
            const double r = std::sqrt(a * a + b * b) / 64.0;
            const double roughness = std::max(r - 0.2, 0.004);
            const double u = (random.next() % 10000) / 10000.0;
            double height = u * roughness * 10.0 - 1.85;
            if (r > 0.5) {
                height *= 0.2;
            }
            heights.push_back(static_cast<float>(height));
        }
    }
    return heights;
}

std::vector<float> groundVertices(const std::vector<float>& heights) {
    if (heights.size() != static_cast<size_t>(groundGridSide) * groundGridSide) {
        throw std::invalid_argument("ground heights: " + std::to_string(heights.size()) +
                                    " values, not 65 x 65");
    }
    const auto x = [](int i) { return (static_cast<float>(i) / groundCells - 0.5f) * 50.0f; };
    const auto z = [](int j) {
        return (static_cast<float>(j) / groundCells - 0.5f) * 50.0f - 1.0f;
    };
    const auto point = [&](int i, int j) {
        return Vec3{x(i), heights[static_cast<size_t>(i) * groundGridSide + j], z(j)};
    };
    std::vector<float> vertices;
    vertices.reserve(static_cast<size_t>(groundVertexCount) * groundFloatsPerVertex);
    for (int i = 0; i < groundCells; ++i) {
        for (int j = 0; j < groundCells; ++j) {
            appendTriangle(vertices, point(i, j), point(i + 1, j + 1), point(i + 1, j));
            appendTriangle(vertices, point(i + 1, j + 1), point(i, j), point(i, j + 1));
        }
    }
    return vertices;
}
