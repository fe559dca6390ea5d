#include "scenes/pass_setup.h"

#include "app/gl_window.h"

void setCamera(const ShaderProgram& program, const Camera& camera) {
    program.setVec2("dir", camera.dir.x, camera.dir.y);
    program.setVec3("pos", camera.pos.x, camera.pos.y, camera.pos.z);
}

void setViewRay(const ShaderProgram& program, const Camera& camera, const GlWindow& window) {
    program.setVec2("dir", camera.dir.x, camera.dir.y);
    program.setFloat("aspect", aspect(window.width(), window.height()));
}

void setProject(const ShaderProgram& program, const ProjectVector& project) {
    program.setVec4("project", project.x, project.y, project.z, project.w);
}

void bindTexture(int unit, GLenum target, GLuint texture) {
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(target, texture);
}
