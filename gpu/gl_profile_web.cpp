#include "gpu/gl_profile.h"

const char* shaderVersionLine() {
    return "#version 300 es\n";
}

// The layered pass draws one layer at a time instead (layered_pass_web.cpp).
bool geometryStagesAvailable() {
    return false;
}

// WebGL 2 lets a pass write level L + 1 while sampling level L only from immutable storage.
void allocateVolumeLevels(GLenum internalFormat, GLenum, GLenum, int width, int height, int depth,
                          int levels) {
    glTexStorage3D(GL_TEXTURE_3D, levels, internalFormat, width, height, depth);
}

// WebGL 2 attaches one layer at a time: the layered pass moves it from layer to layer.
void attachVolumeLevel(GLenum point, GLuint texture, int level) {
    glFramebufferTextureLayer(GL_FRAMEBUFFER, point, texture, level, 0);
}

// WebGL 2 always takes gl_PointSize and has no switch for it (the enum is an error there).
void takePointSizesFromVertexStage() {}

// A software rasterizer (Mesa's llvmpipe) bins a whole draw before it draws it and hands all but
// 64 KiB of its bins back when done. Inside a browser's GPU process each of those blocks goes back
// to the system at once, a page-table flush every 64 KiB that took more than half the frame of a
// million particles. Batches whose bins stay within about a MiB are drawn from memory kept warm.
int pointsPerDraw() {
    return 2048;
}

int quadsPerDraw() {
    return 1024;
}
