// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "surface_cells.glsl".
// Cell codes of the surface extractor: bits 1, 2, 4 mark a quad towards the lower x, y, z
// neighbour; bits 8, 16, 32 hold the orientation of those quads.

// Number of quads a cell code stands for (0 to 3).
uint quadsInCode(uint code) {
    return (code & 1u) + ((code >> 1u) & 1u) + ((code >> 2u) & 1u);
}

// The centre of the texel of a size^3 grid that holds p, exact whatever the interpolation rounding.
vec3 texelCentre(vec3 p, float size) {
    return (floor(p * size) + 0.5) / size;
}
