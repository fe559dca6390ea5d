#include "gpu/layered_pass.h"

#include "gpu/pass_state.h"

void runLayeredPass(const RenderTarget& target, const ShaderProgram& program, const Mesh& quad,
                    int size) {
    beginPass({.target = &target, .width = size, .height = size, .depthTest = DepthTest::Off});
    program.bind();
    program.setFloat("size", size);
    quad.draw(GL_TRIANGLES, size);
}
