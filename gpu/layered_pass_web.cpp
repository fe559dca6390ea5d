#include "gpu/layered_pass.h"

#include "gpu/pass_state.h"

#include <algorithm>
#include <array>
#include <span>
#include <stdexcept>

namespace {

// The texture and level whose layers the pass fills. Needs: the target's framebuffer bound.
std::pair<GLuint, GLint> layeredAttachment(const RenderTarget& target) {
    const std::span<const GLenum> colours =
        target.slots().first(static_cast<std::size_t>(target.colorSlots()));
    if (colours[0] != GL_COLOR_ATTACHMENT0 ||
        std::any_of(colours.begin() + 1, colours.end(), [](GLenum point) { return point != 0; }))
        throw std::invalid_argument("a layered pass fills one colour attachment, slot 0");
    GLint texture = 0;
    GLint level = 0;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                          GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &texture);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                          GL_FRAMEBUFFER_ATTACHMENT_TEXTURE_LEVEL, &level);
    return {static_cast<GLuint>(texture), level};
}

} // namespace

// Every draw of a layered pass is a scene of its own to a software rasterizer, whose scenes cost
// far more in a browser's GPU process than on the desktop: as many layers per draw as it lets us.
int layersPerDraw() {
    constexpr int guaranteedDrawBuffers = 4;
    static const int layers = [] {
        GLint drawBuffers = 0;
        GLint attachments = 0;
        glGetIntegerv(GL_MAX_DRAW_BUFFERS, &drawBuffers);
        glGetIntegerv(GL_MAX_COLOR_ATTACHMENTS, &attachments);
        return std::min(drawBuffers, attachments) >= maxLayersPerDraw ? maxLayersPerDraw
                                                                      : guaranteedDrawBuffers;
    }();
    return layers;
}

// WebGL 2 has no geometry stage to route instances to layers: the layers are attached
// layersPerDraw() at a time, one per draw buffer, and the per-layer form of the text fills them
// all in one draw.
void runLayeredPass(const RenderTarget& target, const ShaderProgram& program, const Mesh& quad,
                    int size) {
    beginPass({.target = &target, .width = size, .height = size, .depthTest = DepthTest::Off});
    program.bind();
    program.setFloat("size", size);
    const auto [texture, level] = layeredAttachment(target);
    const int layers = layersPerDraw();
    std::array<GLenum, maxLayersPerDraw> buffers{};
    glBindVertexArray(quad.vao());
    for (int first = 0; first < size; first += layers) {
        for (int k = 0; k < layers; ++k) {
            const bool used = first + k < size;
            const GLenum point = GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(k);
            glFramebufferTextureLayer(GL_FRAMEBUFFER, point, used ? texture : 0, level,
                                      used ? first + k : 0);
            buffers[static_cast<std::size_t>(k)] = used ? point : GL_NONE;
        }
        glDrawBuffers(layers, buffers.data());
        program.setInt("layer", first);
        if (quad.indexed())
            glDrawElements(GL_TRIANGLES, quad.count(), GL_UNSIGNED_INT, nullptr);
        else
            glDrawArrays(GL_TRIANGLES, 0, quad.count());
    }
    glBindVertexArray(0);
    // The target is left as it was attached: its first layer at slot 0 alone.
    for (int k = 1; k < layers; ++k)
        glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(k), 0,
                                  0, 0);
    glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, texture, level, 0);
    const GLenum first = GL_COLOR_ATTACHMENT0;
    glDrawBuffers(1, &first);
    // One wait for the whole pass, as the layered draw has: a browser's finish is a round trip.
    glFinish();
    glFlush();
}
