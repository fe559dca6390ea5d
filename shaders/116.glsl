// Pyramid traversal: output texel (column, row) finds quad column + 512 * row by walking the count
// pyramid down from its top, and writes its cell centre (pyramid space) and face code.
uniform float power;

#include "full_screen_vertex.glsl"

#ifdef fragmentcompile
#include "surface_cells.glsl"

uniform usampler3D histo;
uniform sampler3D sdf;

layout (location=0) out vec4 outcol;

// The order in which the children of a texel are ranked; it fixes the order of the quads.
const vec3 childOffsets[8] = vec3[8](vec3(1.0, 1.0, 1.0), vec3(-1.0, 1.0, 1.0),
                                     vec3(1.0, -1.0, 1.0), vec3(-1.0, -1.0, 1.0),
                                     vec3(1.0, 1.0, -1.0), vec3(-1.0, 1.0, -1.0),
                                     vec3(1.0, -1.0, -1.0), vec3(-1.0, -1.0, -1.0));

void main() {
    ivec2 texel = ivec2(gl_FragCoord.xy);
    uint id = uint(texel.x + 512 * texel.y) + 1u;
    vec3 c = vec3(0.5);
    float r = 0.25;
    for (float level = power; level >= 0.0; level -= 1.0) {
        uint before = 0u;
        int chosen = 7;
        // The eighth child takes whatever the first seven leave, so it is never read.
        for (int k = 0; k < 7; k++) {
            uint count = textureLod(histo, c + r * childOffsets[k], level).r;
            if (level == 0.0) {
                count = quadsInCode(count);
            }
            if (before + count >= id) {
                chosen = k;
                break;
            }
            before += count;
        }
        c += r * childOffsets[chosen];
        r *= 0.5;
        id -= before;
    }
    // Rank of the quad within its cell: 0, 1 or 2.
    id -= 1u;
    uint code = textureLod(histo, c, 0.0).r;
    float face;
    if ((code & 1u) != 0u && id == 0u) {
        face = (code & 8u) != 0u ? -1.0 : 1.0;
    } else if ((code & 2u) != 0u && id == ((code & 1u) != 0u ? 1u : 0u)) {
        face = (code & 16u) != 0u ? -2.0 : 2.0;
    } else {
        face = (code & 32u) != 0u ? -3.0 : 3.0;
    }
    outcol = vec4(c, face);
}
#endif
