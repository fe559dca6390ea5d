// Text surface: the extracted quads of the credits, red and flat-shaded per quad.
#include "finale_surface.glsl"

#ifdef vertexcompile
void main() {
    placeCorner();
    // Corners 0, 1 and 3 give every corner of the quad the same face normal.
    vec3 a = quadCorner(0.1);
    vec3 b = quadCorner(0.4);
    vec3 c = quadCorner(0.8);
    col = cross(normalize(c - a), normalize(b - a));
}
#endif

#ifdef fragmentcompile
void main() {
    float l = facingLight(col, 0.5);
    float m = groundShade();
    outcol = vec4(hsltorgb(vec3(350.0 + 10.0 * l, max(0.0, 0.3 + 0.4 * l - 0.1 * m),
                                0.2 + 0.3 * l - 0.2 * m)),
                  1.0);
}
#endif
