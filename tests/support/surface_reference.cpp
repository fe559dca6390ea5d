#include "tests/support/surface_reference.h"

#include <cmath>

float ReferenceVolume::read(int x, int y, int z) const {
    if (x < 0 || y < 0 || z < 0 || x >= size || y >= size || z >= size)
        return 0.0f;
    return values[index(x, y, z)];
}

namespace {

int signOf(float v) {
    return (v > 0.0f) - (v < 0.0f);
}

enum class Axis { X, Y, Z };

// One edge of a dual cube: its two corner indices (4·dx + 2·dy + dz) and the crossing point in
// cube coordinates, where 0 marks the component that runs along the edge.
struct CubeEdge {
    int first;
    int second;
    std::array<int, 3> q;
};

constexpr std::array<CubeEdge, 12> cubeEdges = {{
    {0, 1, {-1, -1, 0}},
    {0, 2, {-1, 0, -1}},
    {0, 4, {0, -1, -1}},
    {2, 3, {-1, 1, 0}},
    {2, 6, {0, 1, -1}},
    {1, 3, {-1, 0, 1}},
    {1, 5, {0, -1, 1}},
    {4, 6, {1, 0, -1}},
    {4, 5, {1, -1, 0}},
    {6, 7, {1, 1, 0}},
    {3, 7, {0, 1, 1}},
    {5, 7, {1, 0, 1}},
}};

// The mean crossing of the dual cube whose lowest voxel is `low`, placed in output space.
Vec3 placeCorner(const ReferenceVolume& volume, std::array<int, 3> low) {
    std::array<float, 8> s{};
    for (int i = 0; i < 8; ++i)
        s[i] = volume.read(low[0] + (i >> 2 & 1), low[1] + (i >> 1 & 1), low[2] + (i & 1));
    std::array<double, 3> sum{};
    int n = 0;
    for (const CubeEdge& edge : cubeEdges) {
        const float a = s[edge.first];
        const float b = s[edge.second];
        if (signOf(a) == signOf(b))
            continue;
        const double t = std::fabs(a) / (std::fabs(static_cast<double>(a)) + std::fabs(b));
        for (int axis = 0; axis < 3; ++axis)
            sum[axis] += edge.q[axis] == 0 ? 2.0 * t - 1.0 : edge.q[axis];
        ++n;
    }
    const double h = 1.0 / volume.size;
    Vec3 corner{};
    for (int axis = 0; axis < 3; ++axis) {
        const double mean = n > 0 ? sum[axis] / n : 0.0;
        corner[axis] = static_cast<float>((low[axis] + 0.5) * h + 0.5 * h * mean + h - 0.5);
    }
    return corner;
}

// Appends the quads of the cell at pyramid texel (px, py, layer), ranked x, y, z.
void emitCell(const ReferenceVolume& volume, int px, int py, int layer,
              std::vector<ReferenceQuad>& out) {
    const int n = volume.size;
    if (layer == 0)
        return;
    const int x = px, y = py, z = n - layer;
    const uint32_t code = referenceCellCode(volume, x, y, z);
    const Vec3 cell = {static_cast<float>((px + 0.5) / n), static_cast<float>((py + 0.5) / n),
                       static_cast<float>((layer + 0.5) / n)};
    const std::array<std::pair<uint32_t, uint32_t>, 3> bits = {{{1, 8}, {2, 16}, {4, 32}}};
    for (int axis = 0; axis < 3; ++axis) {
        const auto [crossing, orientation] = bits[axis];
        if (!(code & crossing))
            continue;
        ReferenceQuad quad;
        quad.cell = cell;
        const bool mirrored = code & orientation;
        quad.face = static_cast<float>((axis + 1) * (mirrored ? -1 : 1));
        constexpr std::array<std::array<int, 2>, 4> cornerAb = {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}};
        for (int k = 0; k < 4; ++k) {
            const int a = mirrored ? 1 - cornerAb[k][0] : cornerAb[k][0];
            const int b = cornerAb[k][1];
            std::array<int, 3> low{};
            switch (static_cast<Axis>(axis)) {
            case Axis::X:
                low = {x - 1, y - 1 + a, z - b};
                break;
            case Axis::Y:
                low = {x - 1 + a, y - 1, z - b};
                break;
            case Axis::Z:
                low = {x - 1 + a, y - 1 + b, z - 1};
                break;
            }
            quad.corners[k] = placeCorner(volume, low);
        }
        out.push_back(quad);
    }
}

// Depth-first walk in the traversal's child order: +z before -z, then +y, then +x.
void visit(const ReferenceVolume& volume, int level, int x, int y, int z,
           std::vector<ReferenceQuad>& out) {
    if (level == 0) {
        emitCell(volume, x, y, z, out);
        return;
    }
    for (int dz = 1; dz >= 0; --dz)
        for (int dy = 1; dy >= 0; --dy)
            for (int dx = 1; dx >= 0; --dx)
                visit(volume, level - 1, 2 * x + dx, 2 * y + dy, 2 * z + dz, out);
}

} // namespace

uint32_t referenceCellCode(const ReferenceVolume& volume, int x, int y, int z) {
    if (x == 0 || y == 0 || z == 0)
        return 0;
    const float self = volume.read(x, y, z);
    const float vx = volume.read(x - 1, y, z);
    const float vy = volume.read(x, y - 1, z);
    const float vz = volume.read(x, y, z - 1);
    uint32_t code = 0;
    code |= signOf(self) != signOf(vx) ? 1u : 0u;
    code |= signOf(self) != signOf(vy) ? 2u : 0u;
    code |= signOf(self) != signOf(vz) ? 4u : 0u;
    code |= self > vx ? 8u : 0u;
    code |= self < vy ? 16u : 0u;
    code |= self < vz ? 32u : 0u;
    return code;
}

int quadsInCode(uint32_t code) {
    return static_cast<int>((code & 1) + (code >> 1 & 1) + (code >> 2 & 1));
}

std::vector<ReferenceQuad> referenceSurface(const ReferenceVolume& volume) {
    int levels = 0;
    while ((1 << levels) < volume.size)
        ++levels;
    std::vector<ReferenceQuad> quads;
    visit(volume, levels, 0, 0, 0, quads);
    return quads;
}

Vec3 quadArea(const ReferenceQuad& quad) {
    // Relative to corner 0, so that the small quad is not lost against its distance from 0.
    std::array<std::array<double, 3>, 4> c{};
    for (int i = 0; i < 4; ++i)
        for (int axis = 0; axis < 3; ++axis)
            c[i][axis] = static_cast<double>(quad.corners[i][axis]) - quad.corners[0][axis];
    std::array<double, 3> area{};
    for (int i = 1; i < 3; ++i) {
        const auto& a = c[i];
        const auto& b = c[i + 1];
        area[0] += a[1] * b[2] - a[2] * b[1];
        area[1] += a[2] * b[0] - a[0] * b[2];
        area[2] += a[0] * b[1] - a[1] * b[0];
    }
    return {static_cast<float>(area[0]), static_cast<float>(area[1]), static_cast<float>(area[2])};
}
