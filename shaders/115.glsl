// Pyramid reduction: each texel of the level being written (side "size") sums its eight children
// in the level being read; from the cell codes of level 0 it counts their quads.
#define LAYER_Z(instance) ((float(instance) + 0.5) / size)
#include "layered_pass.glsl"
#include "surface_cells.glsl"

#ifdef fragmentcompile
uniform usampler3D tex;
uniform int first;

layout (location=0) out uint outcol;

void main() {
    vec3 p = texelCentre(fragmentIn.ppos, size);
    float d = 0.25 / size;
    uint sum = 0u;
    for (int i = 0; i < 8; i++) {
        vec3 offset = vec3((i & 1) != 0 ? d : -d, (i & 2) != 0 ? d : -d, (i & 4) != 0 ? d : -d);
        uint child = texture(tex, p + offset).r;
        sum += first > 0 ? quadsInCode(child) : child;
    }
    outcol = sum;
}
#endif
