#pragma once

#include "gpu/mesh.h"
#include "gpu/render_target.h"
#include "gpu/shader_program.h"

// Fills every layer of a layered target in one draw. `program` is built with HasGeometry from a
// text that includes layered_pass.glsl, whose geometry stage routes instance i to its layer; the
// caller sets the program's own uniforms before the call. Binds `target` at size x size, binds
// `program`, sets "size" and draws `quad` (the full-screen quad) with `size` instances; the draw
// finishes on the GPU before the call returns. Blending should be off, as the quad covers every
// texel of every layer exactly once.
void runLayeredPass(const RenderTarget& target, const ShaderProgram& program, const Mesh& quad,
                    int size);
