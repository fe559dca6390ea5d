#include "gpu/layered_pass.h"

#include "gpu/pass_state.h"

#include <vector>

namespace {

// A colour attachment of a layered target: the texture and level whose layers the pass fills.
struct LayeredAttachment {
    GLenum point;
    GLuint texture;
    GLint level;
};

// Needs: the target's framebuffer bound.
std::vector<LayeredAttachment> layeredAttachments(const RenderTarget& target) {
    std::vector<LayeredAttachment> attachments;
    for (GLenum point : target.slots().first(static_cast<std::size_t>(target.colorSlots()))) {
        if (point == 0)
            continue;
        GLint texture = 0;
        GLint level = 0;
        glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, point,
                                              GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &texture);
        glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, point,
                                              GL_FRAMEBUFFER_ATTACHMENT_TEXTURE_LEVEL, &level);
        attachments.push_back({point, static_cast<GLuint>(texture), level});
    }
    return attachments;
}

} // namespace

// WebGL 2 has no geometry stage to route instances to layers: each layer in turn is attached and
// drawn with every instance, and the per-slice form of layered_pass.glsl lets through only the
// instances routed to it.
void runLayeredPass(const RenderTarget& target, const ShaderProgram& program, const Mesh& quad,
                    int size) {
    beginPass({.target = &target, .width = size, .height = size, .depthTest = DepthTest::Off});
    program.bind();
    program.setFloat("size", size);
    const std::vector<LayeredAttachment> attachments = layeredAttachments(target);
    // One wait for the whole pass, as the layered draw has: a browser's finish is a round trip.
    glBindVertexArray(quad.vao());
    for (int layer = 0; layer < size; ++layer) {
        for (const LayeredAttachment& attachment : attachments)
            glFramebufferTextureLayer(GL_FRAMEBUFFER, attachment.point, attachment.texture,
                                      attachment.level, layer);
        program.setInt("layer", layer);
        if (quad.indexed())
            glDrawElementsInstanced(GL_TRIANGLES, quad.count(), GL_UNSIGNED_INT, nullptr, size);
        else
            glDrawArraysInstanced(GL_TRIANGLES, 0, quad.count(), size);
    }
    glBindVertexArray(0);
    // The target is left as it was attached: its first layer.
    for (const LayeredAttachment& attachment : attachments)
        glFramebufferTextureLayer(GL_FRAMEBUFFER, attachment.point, attachment.texture,
                                  attachment.level, 0);
    glFinish();
    glFlush();
}
