#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// A plain CPU model of the GPU surface extractor, written independently of its shaders so that
// tests can compare the GPU's quads with it corner by corner.

using Vec3 = std::array<float, 3>;

// A cubic scalar field of side `size`, x fastest; reads beyond the faces give 0 like the GPU's
// zero border.
struct ReferenceVolume {
    int size = 0;
    std::vector<float> values;

    explicit ReferenceVolume(int side, float fill = 0.0f)
        : size(side), values(static_cast<size_t>(side) * side * side, fill) {}
    float& at(int x, int y, int z) { return values[index(x, y, z)]; }
    float read(int x, int y, int z) const;
    size_t index(int x, int y, int z) const {
        return (static_cast<size_t>(z) * size + y) * size + x;
    }
};

// One extracted quad: its cell centre in pyramid texture space, its face code and its four
// corners in the output space of the corner texture.
struct ReferenceQuad {
    Vec3 cell{};
    float face = 0.0f;
    std::array<Vec3, 4> corners{};
};

// The cell code of voxel (x, y, z): sign changes and orientations towards its lower neighbours.
uint32_t referenceCellCode(const ReferenceVolume& volume, int x, int y, int z);

// Number of quads a cell code stands for (0 to 3).
int quadsInCode(uint32_t code);

// Every quad of the volume in the extractor's ranking order.
std::vector<ReferenceQuad> referenceSurface(const ReferenceVolume& volume);

// Twice the quad's vector area (sum of corner i x corner i + 1): it points to the side from which
// the corners run counter-clockwise, even for a bent quad.
Vec3 quadArea(const ReferenceQuad& quad);
