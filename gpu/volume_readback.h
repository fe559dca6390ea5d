#pragma once

#include "gpu/texture.h"

#include <span>

// Copies mip level `level` of a Count volume (one GLuint per texel, x fastest, then y, then the
// layers) into `texels`, which holds exactly that many values. Binds the volume on the active
// unit's GL_TEXTURE_3D and waits for the GPU.
void readCountLevel(const Texture3D& volume, int level, std::span<GLuint> texels);
