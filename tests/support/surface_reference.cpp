#include "tests/support/surface_reference.h"

#include <algorithm>
#include <cmath>

float ReferenceVolume::read(int x, int y, int z) const {
    const bool inside = std::min({x, y, z}) >= 0 && std::max({x, y, z}) < size;
    return inside ? values[(size_t(z) * size + y) * size + x] : 0.0f;
}

double ReferenceVolume::sample(const std::array<double, 3>& coordinate) const {
    double value = 0.0;
    for (int corner = 0; corner < 8; ++corner) {
        double weight = 1.0;
        std::array<int, 3> at{};
        for (int a = 0; a < 3; ++a) {
            const double texel = coordinate[a] * size - 0.5, low = std::floor(texel);
            at[a] = static_cast<int>(low) + (corner >> a & 1);
            weight *= corner >> a & 1 ? texel - low : 1.0 - (texel - low);
        }
        value += weight * read(at[0], at[1], at[2]);
    }
    return value;
}

namespace {

constexpr auto signOf = [](float v) { return (v > 0.0f) - (v < 0.0f); };

// The mean crossing of the dual cube whose lowest voxel is `low`, in output space: corner i of
// the cube is (i >> 2 & 1, i >> 1 & 1, i & 1) and each edge's crossing lies at -1 ... 1 along it.
Vec3 placeCorner(const ReferenceVolume& volume, const std::array<int, 3>& low) {
    std::array<float, 8> s{};
    for (int i = 0; i < 8; ++i)
        s[i] = volume.read(low[0] + (i >> 2 & 1), low[1] + (i >> 1 & 1), low[2] + (i & 1));
    std::array<double, 3> sum{};
    int crossings = 0;
    for (int i = 0; i < 8; ++i)
        for (int axis = 0; axis < 3; ++axis) {
            const int j = i | 4 >> axis;
            if (j == i || signOf(s[i]) == signOf(s[j]))
                continue;
            const double t = std::fabs(s[i]) / (std::fabs(s[i]) + std::fabs(s[j]));
            for (int a = 0; a < 3; ++a)
                sum[a] += a == axis ? 2.0 * t - 1.0 : 2 * (i >> (2 - a) & 1) - 1;
            ++crossings;
        }
    const double h = 1.0 / volume.size;
    Vec3 corner{};
    for (int a = 0; a < 3; ++a)
        corner[a] = static_cast<float>((low[a] + 1.5) * h - 0.5 +
                                       0.5 * h * (crossings > 0 ? sum[a] / crossings : 0.0));
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
        ReferenceQuad quad{{float((x + 0.5) / n), float((y + 0.5) / n), float((layer + 0.5) / n)},
                           float((axis + 1) * (mirrored ? -1 : 1)),
                           {}};
        for (int k = 0; k < 4; ++k) {
            // Corners (a, b) = (0, 0), (1, 0), (1, 1), (0, 1); a mirrored quad mirrors a.
            const int a = (k == 1 || k == 2) != mirrored, b = k >= 2;
            const std::array<int, 3> low[3] = {{x - 1, y - 1 + a, z - b},
                                               {x - 1 + a, y - 1, z - b},
                                               {x - 1 + a, y - 1 + b, z - 1}};
            quad.corners[k] = placeCorner(v, low[axis]);
        }
        out.push_back(quad);
    }
}

} // namespace

std::vector<ReferenceQuad> referenceSurface(const ReferenceVolume& volume) {
    std::vector<ReferenceQuad> quads;
    // The traversal's order, +z before -z, then +y, then +x: interleaved z, y, x bits downwards.
    for (long m = long(volume.size) * volume.size * volume.size - 1; m >= 0; --m) {
        std::array<int, 3> c{};
        for (int bit = 0; (1 << bit) < volume.size; ++bit)
            for (int a = 0; a < 3; ++a)
                c[a] |= (m >> (3 * bit + a) & 1) << bit;
        emitCell(volume, c[0], c[1], c[2], quads);
    }
    return quads;
}
