#include "gpu/volume_readback.h"

void readCountLevel(const Texture3D& volume, int level, std::span<GLuint> texels) {
    glBindTexture(GL_TEXTURE_3D, volume.id());
    glGetTexImage(GL_TEXTURE_3D, level, GL_RED_INTEGER, GL_UNSIGNED_INT, texels.data());
    glFinish();
}
