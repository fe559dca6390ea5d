// WebGL 2 has no geometry stage: the pass attaches up to eight layers of the target at once, one
// per draw buffer, and draws the quad once. The vertex stage finds the instance the layered draw
// routes to each of the eight layers from "layer" on and hands on their z, layer k in
// sliceZ[k / 4][k % 4]; the fragment stage runs the text's main once per attached layer with
// fragmentIn.ppos = (quad position 0..1, that z) and writes its output to that layer's draw buffer
// (the GL side renames main and the output; see gpu/gl_profile_web.cpp). So each layer receives
// exactly what the layered draw gives it.
// Declares the uniforms "size" (layers of the target), "layer" and "t" for every stage of the text.

#include "layer_routing.glsl"

uniform int layer;

struct LayeredFragment {
    vec3 ppos;
};

#ifdef vertexcompile
layout (location=0) in vec2 pos;

out vec2 sliceXY;
flat out vec4 sliceZ[2];

void main() {
    // A layer that no instance is routed to gets z = 0: the pass writes it all the same.
    vec4 z[2] = vec4[2](vec4(0.0), vec4(0.0));
    for (int k = 0; k < 8; ++k)
        for (int i = 0; i < int(size); ++i)
            if (LAYER_OF(i) == layer + k)
                z[k / 4][k % 4] = LAYER_Z(i);
    sliceZ = z;
    sliceXY = pos * 0.5 + 0.5;
    gl_Position = vec4(pos, 0.0, 1.0);
}
#endif

#ifdef fragmentcompile
in vec2 sliceXY;
flat in vec4 sliceZ[2];
LayeredFragment fragmentIn;
#endif
