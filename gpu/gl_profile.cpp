#include "gpu/gl_profile.h"

#include <algorithm>
#include <limits>

const char* shaderVersionLine() {
    return "#version 330\n";
}

std::string fragmentStageText(const std::string& text) {
    return text;
}

bool geometryStagesAvailable() {
    return true;
}

void allocateVolumeLevels(GLenum internalFormat, GLenum format, GLenum type, int width, int height,
                          int depth, int levels) {
    for (int level = 0; level < levels; ++level)
        glTexImage3D(GL_TEXTURE_3D, level, static_cast<GLint>(internalFormat),
                     std::max(width >> level, 1), std::max(height >> level, 1),
                     std::max(depth >> level, 1), 0, format, type, nullptr);
}

void attachVolumeLevel(GLenum point, GLuint texture, int level) {
    glFramebufferTexture(GL_FRAMEBUFFER, point, texture, level);
}

// Desktop GL takes gl_PointSize only once asked to.
void takePointSizesFromVertexStage() {
    glEnable(GL_PROGRAM_POINT_SIZE);
}

OutputSizing extractorOutputSizing() {
    return OutputSizing::Exact;
}

int pointsPerDraw() {
    return std::numeric_limits<int>::max();
}

int quadsPerDraw() {
    return std::numeric_limits<int>::max();
}

bool quadsAsInstances() {
    return true;
}

void endDrawBatch() {
    glFlush();
}
