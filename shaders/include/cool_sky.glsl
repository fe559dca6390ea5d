// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "cool_sky.glsl".
// The dim green-grey sky the shaft scene ends on and the plume scene opens with, for the shade
// facingLight(ray, 0.6); `warmth` 1 turns it into the warm grey the closing scene starts with.
#include "hsltorgb.glsl"

vec3 coolSky(float shade, float warmth) {
    return hsltorgb(vec3(140.0 + 30.0 * shade - 120.0 * warmth, 0.1 + 0.2 * shade - 0.1 * warmth,
                         0.1 + 0.2 * shade + 0.1 * warmth));
}
