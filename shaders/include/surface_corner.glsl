// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "surface_corner.glsl".
// Vertex stages drawing the surface extractor's quads: instance i of a one-quad corner mesh, or
// vertices 4i .. 4i + 3 of a mesh spelling out many, is quad i + "firstQuad" (a surface may be
// drawn in batches), whose corner `selector` (the mesh's attribute: 0.1, 0.3, 0.6 or 0.8) is read
// from "quads" in the quad's column i mod 512 and sub-row floor(4 selector) of its row i / 512.

#ifdef vertexcompile
uniform sampler2D quads;
uniform vec2 qcount;
uniform int firstQuad;

// The corner in the volume's centred space, about -0.5 .. 0.5 per axis.
vec3 quadCorner(float selector) {
    int quad = firstQuad + gl_InstanceID + gl_VertexID / 4;
    vec2 cell = vec2(quad % 512, quad / 512);
    return texture(quads, (cell + vec2(0.5, selector)) / qcount).xyz;
}
#endif
