// Composite: the scene image over the sky, with grain, fading to black at the end. With "base" set
// it paints the sky alone, the background the scene is then drawn over.
#include "full_screen_ray.glsl"

uniform float t;

#ifdef fragmentcompile
#include "dither.glsl"
#include "facing_light.glsl"
#include "hsltorgb.glsl"
#include "over_sky.glsl"

uniform sampler2D color;
uniform sampler2D depth;
uniform float base;

layout (location=0) out vec4 outcol;

void main() {
    float d = facingLight(ray, 0.6);
    // Warm from t = 79.2; greys out between t = 130 and 136.7.
    float q = clamp((t - 130.0) * 0.15, 0.0, 1.0);
    vec3 sky = hsltorgb(vec3(140.0 + 30.0 * d - 120.0 * clamp(t - 78.2, 0.0, 1.0),
                             max(0.0, 0.2 * d - 0.2 * q), max(0.0, 0.2 + 0.2 * d - 0.2 * q)));
    // The sky pass treats every pixel as empty.
    float sceneDepth = base > 0.5 ? 1.0 : texture(depth, uv).x;
    vec4 col = overSky(texture(color, uv), sceneDepth, sky, dither(uv, t));
    // Full until t = 194.79, black from t = 200.12.
    outcol = col * clamp(exp((195.0 - t) * 0.45) - 0.1, 0.0, 1.0);
}
#endif
