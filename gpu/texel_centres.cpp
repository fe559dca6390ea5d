#include "gpu/texel_centres.h"

std::vector<float> texelCentres(int side) {
    std::vector<float> coordinates;
    if (side < 1) {
        return coordinates;
    }
    coordinates.reserve(static_cast<size_t>(side) * side * 2);
    for (int i = 0; i < side; ++i) {
        for (int j = 0; j < side; ++j) {
            coordinates.push_back((static_cast<float>(i) + 0.5f) / static_cast<float>(side));
            coordinates.push_back((static_cast<float>(j) + 0.5f) / static_cast<float>(side));
        }
    }
    return coordinates;
}

Mesh texelCentreMesh(int side) {
    const std::vector<float> coordinates = texelCentres(side);
    Mesh mesh;
    if (!coordinates.empty()) {
        mesh.setVertices(coordinates.data(), side * side, 2);
    }
    return mesh;
}
