// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "hidden_point.glsl".
// GL does not reliably hide points of size <= 0: move past the far plane; callers flag a discard.

#ifdef vertexcompile
void hidePoint() {
    gl_Position = vec4(0.0, 0.0, 2.0, 1.0);
    gl_PointSize = 1.0;
}
#endif
