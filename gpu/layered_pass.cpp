#include "gpu/layered_pass.h"

void runLayeredPass(const RenderTarget& target, const ShaderProgram& program, const Mesh& quad,
                    int size) {
    target.bind(size, size);
    program.bind();
    program.setFloat("size", size);
    quad.draw(GL_TRIANGLES, size);
}
