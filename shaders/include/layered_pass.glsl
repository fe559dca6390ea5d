// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "layered_pass.glsl".
// Vertex and geometry stages that draw the full-screen quad once per layer of a layered target:
// instance i is routed to layer LAYER_OF(i) and hands the fragment stage the block `fragmentIn`
// whose ppos = (quad position 0..1, LAYER_Z(i)), declared here. A text may #define LAYER_OF and
// LAYER_Z before the include; by default instance i fills layer i with z = i / size.
// Declares the uniforms "size" (layers of the target) and "t" for every stage of the text.

#include "layer_routing.glsl"

#ifdef vertexcompile
layout (location=0) in vec2 pos;

out VertexData {
    flat int instance;
    vec2 ppos;
} vertexOut;

void main() {
    vertexOut.instance = gl_InstanceID;
    vertexOut.ppos = pos * 0.5 + 0.5;
    gl_Position = vec4(pos, 0.0, 1.0);
}
#endif

#ifdef geometrycompile
layout (triangles) in;
layout (triangle_strip, max_vertices = 3) out;

in VertexData {
    flat int instance;
    vec2 ppos;
} vertexIn[];

out VertexData {
    vec3 ppos;
} geometryOut;

void main() {
    int instance = vertexIn[0].instance;
    int layer = LAYER_OF(instance);
    // GL leaves a layer outside the target undefined (some drivers clamp it onto the last one).
    if (layer < 0 || layer >= int(size)) {
        return;
    }
    for (int i = 0; i < 3; i++) {
        gl_Position = gl_in[i].gl_Position;
        geometryOut.ppos = vec3(vertexIn[i].ppos, LAYER_Z(instance));
        gl_Layer = layer;
        EmitVertex();
    }
    EndPrimitive();
}
#endif

#ifdef fragmentcompile
in VertexData {
    vec3 ppos;
} fragmentIn;
#endif
