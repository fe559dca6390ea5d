// Blob field: 29 soft blobs that rise one by one from below from t = 100 into a wobbling cluster;
// 100 minus the blobs' summed inverse-square terms, so negative inside.
#include "layered_pass.glsl"

#ifdef fragmentcompile
// Texel i: blob i's centre in the cube at t (xyz) and its weight (w), from the blob table pass.
uniform sampler2D blobs;

layout (location=0) out float outvalue;

void main() {
    vec3 p = fragmentIn.ppos - 0.5;
    float k = 100.0;
    for (int i = 0; i < 29; i++) {
        vec4 blob = texelFetch(blobs, ivec2(i, 0), 0);
        vec3 d = blob.xyz - p;
        k -= blob.w / dot(d, d);
    }
    outvalue = k;
}
#endif
