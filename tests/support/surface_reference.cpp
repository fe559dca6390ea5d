#include "tests/support/surface_reference.h"

#include <algorithm>
#include <cmath>

float ReferenceVolume::read(int x, int y, int z) const {
    const bool inside = std::min({x, y, z}) >= 0 && std::max({x, y, z}) < size;
    return inside ? values[(static_cast<size_t>(z) * size + y) * size + x] : 0.0f;
}

double ReferenceVolume::sample(const std::array<double, 3>& coordinate) const {
    std::array<int, 3> low{};
    std::array<double, 3> weight{};
    for (size_t a = 0; a < 3; ++a) {
        const double texel = coordinate[a] * size - 0.5;
        low[a] = static_cast<int>(std::floor(texel));
        weight[a] = texel - low[a];
    }
    double value = 0.0;
    for (int corner = 0; corner < 8; ++corner) {
        const int dx = corner & 1, dy = corner >> 1 & 1, dz = corner >> 2 & 1;
        value += (dx ? weight[0] : 1.0 - weight[0]) * (dy ? weight[1] : 1.0 - weight[1]) *
                 (dz ? weight[2] : 1.0 - weight[2]) * read(low[0] + dx, low[1] + dy, low[2] + dz);
    }
    return value;
}

namespace {

int signOf(float v) {
    return (v > 0.0f) - (v < 0.0f);
}

// The twelve edges of a dual cube: corner indices (4 dx + 2 dy + dz) and the crossing point in
// cube coordinates, 0 marking the component that runs along the edge.
constexpr int cubeEdges[12][5] = {{0, 1, -1, -1, 0}, {0, 2, -1, 0, -1}, {0, 4, 0, -1, -1},
                                  {2, 3, -1, 1, 0},  {2, 6, 0, 1, -1},  {1, 3, -1, 0, 1},
                                  {1, 5, 0, -1, 1},  {4, 6, 1, 0, -1},  {4, 5, 1, -1, 0},
                                  {6, 7, 1, 1, 0},   {3, 7, 0, 1, 1},   {5, 7, 1, 0, 1}};

// The mean crossing of the dual cube whose lowest voxel is `low`, in output space.
Vec3 placeCorner(const ReferenceVolume& volume, const std::array<int, 3>& low) {
    std::array<float, 8> s{};
    for (int i = 0; i < 8; ++i)
        s[i] = volume.read(low[0] + (i >> 2 & 1), low[1] + (i >> 1 & 1), low[2] + (i & 1));
    std::array<double, 3> sum{};
    int crossings = 0;
    for (const auto& edge : cubeEdges) {
        const double a = s[edge[0]], b = s[edge[1]];
        if (signOf(s[edge[0]]) == signOf(s[edge[1]]))
            continue;
        const double t = std::fabs(a) / (std::fabs(a) + std::fabs(b));
        for (int axis = 0; axis < 3; ++axis)
            sum[axis] += edge[2 + axis] == 0 ? 2.0 * t - 1.0 : edge[2 + axis];
        ++crossings;
    }
    const double h = 1.0 / volume.size;
    Vec3 corner{};
    for (int axis = 0; axis < 3; ++axis)
        corner[axis] = static_cast<float>((low[axis] + 0.5) * h + h - 0.5 +
                                          0.5 * h * (crossings > 0 ? sum[axis] / crossings : 0.0));
    return corner;
}

// Appends the quads of the cell at pyramid texel (x, y, layer), which describes voxel
// (x, y, size - layer), ranked x, y, z.
void emitCell(const ReferenceVolume& v, int x, int y, int layer, std::vector<ReferenceQuad>& out) {
    const int n = v.size, z = n - layer;
    // Voxels in the planes x, y, z = 0 hold no quads, nor does the layer without a voxel.
    if (x == 0 || y == 0 || z == 0 || layer == 0)
        return;
    const float self = v.read(x, y, z);
    const std::array<float, 3> lower = {v.read(x - 1, y, z), v.read(x, y - 1, z),
                                        v.read(x, y, z - 1)};
    for (int axis = 0; axis < 3; ++axis) {
        if (signOf(self) == signOf(lower[axis]))
            continue;
        // The x quad's orientation tests greater-than, the y and z quads' less-than.
        const bool mirrored = axis == 0 ? self > lower[0] : self < lower[axis];
        ReferenceQuad quad{{static_cast<float>((x + 0.5) / n), static_cast<float>((y + 0.5) / n),
                            static_cast<float>((layer + 0.5) / n)},
                           static_cast<float>((axis + 1) * (mirrored ? -1 : 1)),
                           {}};
        for (int k = 0; k < 4; ++k) {
            // Corners (a, b) = (0, 0), (1, 0), (1, 1), (0, 1); a mirrored quad mirrors a.
            const int a = (k == 1 || k == 2) != mirrored, b = k >= 2;
            const std::array<std::array<int, 3>, 3> low = {{{x - 1, y - 1 + a, z - b},
                                                            {x - 1 + a, y - 1, z - b},
                                                            {x - 1 + a, y - 1 + b, z - 1}}};
            quad.corners[k] = placeCorner(v, low[axis]);
        }
        out.push_back(quad);
    }
}

// Depth-first walk in the traversal's child order: +z before -z, then +y, then +x.
void visit(const ReferenceVolume& volume, int level, int x, int y, int z,
           std::vector<ReferenceQuad>& out) {
    if (level == 0)
        return emitCell(volume, x, y, z, out);
    for (int child = 7; child >= 0; --child)
        visit(volume, level - 1, 2 * x + (child & 1), 2 * y + (child >> 1 & 1),
              2 * z + (child >> 2), out);
}

} // namespace

std::vector<ReferenceQuad> referenceSurface(const ReferenceVolume& volume) {
    int levels = 0;
    while ((1 << levels) < volume.size)
        ++levels;
    std::vector<ReferenceQuad> quads;
    visit(volume, levels, 0, 0, 0, quads);
    return quads;
}
