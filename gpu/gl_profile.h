#pragma once

#include "gpu/quad_layout.h"
#include "platform/gl.h"

#include <string>

// Where the desktop's OpenGL 3.3 core profile and WebGL 2 part ways, the GPU core asks here:
// gl_profile.cpp answers for the desktop, gl_profile_web.cpp for the browser.

// The first line of every shader stage.
const char* shaderVersionLine();
// The text a fragment stage compiles from `text`.
std::string fragmentStageText(const std::string& text);
// Whether programs may have a geometry stage (the layered pass routes instances with one).
bool geometryStagesAvailable();

// Storage for `levels` levels of the bound GL_TEXTURE_3D, halved per level down to 1.
void allocateVolumeLevels(GLenum internalFormat, GLenum format, GLenum type, int width, int height,
                          int depth, int levels);
// Attaches `level` of the 3D texture to the bound GL_FRAMEBUFFER at `point`: every layer where a
// geometry stage routes to layers, else layer 0 (the layered pass then copies into the layers).
void attachVolumeLevel(GLenum point, GLuint texture, int level);

// Lets vertex stages set gl_PointSize.
void takePointSizesFromVertexStage();

// How a surface extractor sizes its output textures unless told.
OutputSizing extractorOutputSizing();

// The most points, and the most extracted quads, one draw takes; longer draws go in batches.
int pointsPerDraw();
int quadsPerDraw();
// Whether extracted quads are drawn as instances of one quad; else a mesh spells out
// quadsPerDraw() quads and each batch draws the first of them plainly.
bool quadsAsInstances();
// Between two batches of one long draw: the GL starts on the batch given so far, on its own.
void endDrawBatch();
