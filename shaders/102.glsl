// Blob surface: the extracted quads of the blob field, lit from (1, 1, 1) by the field's gradient.
#include "finale_surface.glsl"

#ifdef vertexcompile
void main() {
    placeCorner();
    col = quadCorner(count) + 0.5;
}
#endif

#ifdef fragmentcompile
#include "volume_gradient.glsl"

uniform sampler3D sdf;

void main() {
    vec3 n = centralDifferences(sdf, col, vec3(0.01));
    float l = facingLight(n, 0.5);
    float m = groundShade();
    outcol = vec4(hsltorgb(vec3(80.0 + 20.0 * l, max(0.0, 0.2 * l - 0.1 * m),
                                0.2 + 0.3 * l - 0.2 * m)),
                  1.0);
}
#endif
