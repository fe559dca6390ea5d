// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "full_screen_texcoord.glsl".
// Vertex stage of a full-screen pass over the shared quad that hands each fragment its texture
// coordinate `uv` (0 .. 1 across the target, texel centres for a target-sized viewport).

#ifdef vertexcompile
layout (location=0) in vec2 pos;
out vec2 uv;

void main() {
    uv = pos * 0.5 + 0.5;
    gl_Position = vec4(pos, 0.0, 1.0);
}
#endif

#ifdef fragmentcompile
in vec2 uv;
#endif
