#pragma once

#include "app/camera.h"
#include "gpu/shader_program.h"

#include "platform/gl.h"

class GlWindow;

// Set-up that the scenes' passes repeat besides their PassState: uniforms of the bound program
// and texture units.

// "dir" and "pos" of the bound `program` from the frame's camera.
void setCamera(const ShaderProgram& program, const Camera& camera);
// "dir" and "aspect" of the bound `program`, a full-screen view-ray pass over the window.
void setViewRay(const ShaderProgram& program, const Camera& camera, const GlWindow& window);
// "project" of the bound `program`.
void setProject(const ShaderProgram& program, const ProjectVector& project);
// Binds `texture` to `target` of texture unit `unit`, leaving that unit active.
void bindTexture(int unit, GLenum target, GLuint texture);
