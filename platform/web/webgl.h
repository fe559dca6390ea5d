#pragma once

// WebGL 2 under the desktop names the shared code uses. What WebGL 2 lacks outright (layered
// attachments, glGetTexImage, mutable mip chains that a pass may read and write) has its web form
// in gpu/; here are only the names whose WebGL 2 meaning is the desktop one.
#include <GLES3/gl3.h>
#define GL_GLEXT_PROTOTYPES
#include <GLES2/gl2ext.h>

// A 32-bit depth texture is the float format in WebGL 2, read from GL_DEPTH_COMPONENT, GL_FLOAT.
#define GL_DEPTH_COMPONENT32 GL_DEPTH_COMPONENT32F
// EXT_disjoint_timer_query_webgl2's target, the same value as desktop GL's.
#define GL_TIME_ELAPSED GL_TIME_ELAPSED_EXT
// Named by the desktop program builder in a branch the web build never takes.
#define GL_GEOMETRY_SHADER 0x8DD9
// No border colour in WebGL 2: a volume's faces repeat their outer texels.
#define GL_CLAMP_TO_BORDER GL_CLAMP_TO_EDGE
