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
// Where there is no geometry stage (WebGL 2), layered_pass_web.cpp draws the instances side by
// side into an atlas with shaders/web/layered_pass.glsl and copies each layer from its cell.
void runLayeredPass(const RenderTarget& target, const ShaderProgram& program, const Mesh& quad,
                    int size);
