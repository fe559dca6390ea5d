// WebGL 2 has no geometry stage: the pass draws every layer of the target side by side in an
// atlas of "atlasColumns" x "atlasRows" cells, instance k filling layer k's cell, and copies each
// cell into its layer. The vertex stage finds the instance the layered draw routes to layer k and
// hands on its z; the fragment stage runs the text's main with fragmentIn.ppos = (position in the
// cell 0..1, that z) (the GL side renames main; see gpu/gl_profile_web.cpp). So each layer
// receives exactly what the layered draw gives it.
// Declares the uniforms "size" (layers of the target) and "t" for every stage of the text.

#include "layer_routing.glsl"

uniform int atlasColumns;
uniform int atlasRows;

struct LayeredFragment {
    vec3 ppos;
};

#ifdef vertexcompile
layout (location=0) in vec2 pos;

out vec2 sliceXY;
flat out float sliceZ;

void main() {
    int layer = gl_InstanceID;
    // A layer that no instance is routed to gets z = 0: the pass writes it all the same.
    float z = 0.0;
    for (int i = 0; i < int(size); ++i)
        if (LAYER_OF(i) == layer)
            z = LAYER_Z(i);
    sliceZ = z;
    sliceXY = pos * 0.5 + 0.5;
    vec2 cell = vec2(layer % atlasColumns, layer / atlasColumns);
    gl_Position = vec4((cell + sliceXY) / vec2(atlasColumns, atlasRows) * 2.0 - 1.0, 0.0, 1.0);
}
#endif

#ifdef fragmentcompile
in vec2 sliceXY;
flat in float sliceZ;
LayeredFragment fragmentIn;
#endif
