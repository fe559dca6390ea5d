#include "gpu/volume_readback.h"

#include <algorithm>
#include <vector>

// WebGL 2 has no glGetTexImage: each layer of the level is attached to a framebuffer of its own
// and read. An integer colour buffer is always readable as RGBA_INTEGER, UNSIGNED_INT.
void readCountLevel(const Texture3D& volume, int level, std::span<GLuint> texels) {
    const int width = std::max(volume.width() >> level, 1);
    const int height = std::max(volume.height() >> level, 1);
    const int layers = std::max(volume.depthSize() >> level, 1);
    glBindTexture(GL_TEXTURE_3D, volume.id());
    GLint previous = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous);
    GLuint fbo = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    std::vector<GLuint> rgba(static_cast<std::size_t>(width * height) * 4);
    for (int layer = 0; layer < layers; ++layer) {
        glFramebufferTextureLayer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, volume.id(), level,
                                  layer);
        glReadPixels(0, 0, width, height, GL_RGBA_INTEGER, GL_UNSIGNED_INT, rgba.data());
        for (int i = 0; i < width * height; ++i)
            texels[static_cast<std::size_t>(layer * width * height + i)] = rgba[4 * i];
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previous));
    glDeleteFramebuffers(1, &fbo);
    glFinish();
}
