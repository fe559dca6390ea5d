// Corner placement: output texel (column, 4 * row + k) places corner k of quad column + 512 * row
// at the mean of the edge crossings of the 2 x 2 x 2 voxel cube around it.
uniform float power;

#include "full_screen_vertex.glsl"

#ifdef fragmentcompile
uniform sampler2D quadpos;
uniform sampler3D sdf;
uniform vec2 count;

layout (location=0) out vec4 outcol;

float f(vec3 p) {
    return texture(sdf, p).r;
}

// Adds the crossing of an edge whose ends differ in sign: `base` holds the two cube coordinates
// that stay put, `along` marks the one that runs along the edge.
void addCrossing(float first, float second, vec3 base, vec3 along, inout vec3 sum, inout float n) {
    if (sign(first) != sign(second)) {
        float t = abs(first) / (abs(first) + abs(second));
        sum += base + along * (2.0 * t - 1.0);
        n += 1.0;
    }
}

void main() {
    vec2 u = gl_FragCoord.xy / vec2(count.x, 4.0 * count.y);
    vec4 quad = texture(quadpos, u);
    vec3 c = quad.xyz;
    float w = quad.w;

    // Corner k = 0, 1, 2, 3 of the quad is (a, b) = (0, 0), (1, 0), (1, 1), (0, 1).
    float value = fract(u.y * count.y);
    float a = value > 0.36 && value < 0.8 ? 1.0 : 0.0;
    float b = value > 0.45 ? 1.0 : 0.0;
    // Mirroring the corner order flips the winding for quads facing the other way.
    if (w < 0.0) {
        a = 1.0 - a;
        w = -w;
    }

    float h = exp2(-power - 1.0);
    vec3 q;
    if (w < 1.5) {
        q = c + vec3(0.0, a * h, b * h);
    } else if (w < 2.5) {
        q = c + vec3(a * h, 0.0, b * h);
    } else {
        q = c + vec3(a * h, b * h, h);
    }
    q -= vec3(h);
    // Pyramid layers run opposite to the volume's z.
    q.z = 1.0 - q.z;

    float s0 = f(q);
    float s1 = f(q + vec3(0.0, 0.0, h));
    float s2 = f(q + vec3(0.0, h, 0.0));
    float s3 = f(q + vec3(0.0, h, h));
    float s4 = f(q + vec3(h, 0.0, 0.0));
    float s5 = f(q + vec3(h, 0.0, h));
    float s6 = f(q + vec3(h, h, 0.0));
    float s7 = f(q + vec3(h, h, h));

    vec3 sum = vec3(0.0);
    float n = 0.0;
    const vec3 alongX = vec3(1.0, 0.0, 0.0);
    const vec3 alongY = vec3(0.0, 1.0, 0.0);
    const vec3 alongZ = vec3(0.0, 0.0, 1.0);
    addCrossing(s0, s1, vec3(-1.0, -1.0, 0.0), alongZ, sum, n);
    addCrossing(s0, s2, vec3(-1.0, 0.0, -1.0), alongY, sum, n);
    addCrossing(s0, s4, vec3(0.0, -1.0, -1.0), alongX, sum, n);
    addCrossing(s2, s3, vec3(-1.0, 1.0, 0.0), alongZ, sum, n);
    addCrossing(s2, s6, vec3(0.0, 1.0, -1.0), alongX, sum, n);
    addCrossing(s1, s3, vec3(-1.0, 0.0, 1.0), alongY, sum, n);
    addCrossing(s1, s5, vec3(0.0, -1.0, 1.0), alongX, sum, n);
    addCrossing(s4, s6, vec3(1.0, 0.0, -1.0), alongY, sum, n);
    addCrossing(s4, s5, vec3(1.0, -1.0, 0.0), alongZ, sum, n);
    addCrossing(s6, s7, vec3(1.0, 1.0, 0.0), alongZ, sum, n);
    addCrossing(s3, s7, vec3(0.0, 1.0, 1.0), alongX, sum, n);
    addCrossing(s5, s7, vec3(1.0, 0.0, 1.0), alongY, sum, n);

    // Spare texels past the last quad may meet a cube without crossings; keep them finite.
    vec3 m = sum / max(n, 1.0);
    outcol = vec4(q + 0.5 * h * m + vec3(h) - vec3(0.5), 0.0);
}
#endif
