// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "full_screen_vertex.glsl".
// Vertex stage of a plain full-screen pass over the shared quad; fragment stages work from
// gl_FragCoord.

#ifdef vertexcompile
layout (location=0) in vec2 pos;

void main() {
    gl_Position = vec4(pos, 0.0, 1.0);
}
#endif
