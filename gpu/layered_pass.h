#pragma once

#include "gpu/mesh.h"
#include "gpu/render_target.h"
#include "gpu/shader_program.h"

// Fills every layer of a layered target in one draw. `program` is built with HasGeometry from a
// text that includes layered_pass.glsl, whose geometry stage routes instance i to its layer; the
// caller sets the program's own uniforms before the call. Begins a pass on `target` at
// size x size with one colour output, no depth test and no blending, as the quad covers every
// texel of every layer exactly once; binds `program`, sets "size" and draws `quad` (the
// full-screen quad) with `size` instances. The draw finishes on the GPU before the call returns.
void runLayeredPass(const RenderTarget& target, const ShaderProgram& program, const Mesh& quad,
                    int size);

// Where there is no geometry stage (WebGL 2) the pass fills several layers per draw, one per draw
// buffer: eight where the context has as many draw buffers and colour attachments, else the four
// WebGL 2 guarantees (read from the current context, by layered_pass_web.cpp only).
// shaders/web/layered_pass.glsl hands on the z of eight.
inline constexpr int maxLayersPerDraw = 8;
int layersPerDraw();
