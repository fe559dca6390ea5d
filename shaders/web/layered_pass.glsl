// WebGL 2 has no geometry stage: the pass draws the quad once per layer of the target, with that
// layer attached and set as "layer", and every instance whose LAYER_OF is another layer falls
// outside the clip volume. So each layer receives exactly the instances the layered draw routes to
// it, in the same order, and a fragment sees the same ppos = (quad position 0..1, LAYER_Z(i)).
// Declares the uniforms "size" (layers of the target), "layer" and "t" for every stage of the text.

#include "layer_routing.glsl"

uniform int layer;

struct LayeredFragment {
    vec3 ppos;
};

#ifdef vertexcompile
layout (location=0) in vec2 pos;

out LayeredFragment fragmentIn;

void main() {
    int instance = gl_InstanceID;
    fragmentIn.ppos = vec3(pos * 0.5 + 0.5, LAYER_Z(instance));
    gl_Position = LAYER_OF(instance) == layer ? vec4(pos, 0.0, 1.0) : vec4(2.0, 2.0, 2.0, 1.0);
}
#endif

#ifdef fragmentcompile
in LayeredFragment fragmentIn;
#endif
