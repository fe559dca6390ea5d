#pragma once

#include <array>
#include <cstddef>
#include <vector>

// A CPU model of the GPU surface extractor, written apart from its shaders.

using Vec3 = std::array<float, 3>;

// A cubic field, x fastest; reads beyond the faces give 0 like the GPU's zero border.
struct ReferenceVolume {
    int size = 0;
    std::vector<float> values;

    explicit ReferenceVolume(int side, float fill = 0.0f)
        : size(side), values(static_cast<size_t>(side) * side * side, fill) {}
    float& at(int x, int y, int z) { return values[(size_t(z) * size + y) * size + x]; }
    float read(int x, int y, int z) const;
    // Trilinear between voxel centres at a texture coordinate, as GL filters the volume.
    double sample(const std::array<double, 3>& coordinate) const;
};

// One quad: cell centre in pyramid texture space, face code, corners in output space.
struct ReferenceQuad {
    Vec3 cell{};
    float face = 0.0f;
    std::array<Vec3, 4> corners{};
};

// Every quad of the volume in the extractor's ranking order.
std::vector<ReferenceQuad> referenceSurface(const ReferenceVolume& volume);
