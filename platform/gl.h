#pragma once

// OpenGL by its standard names for every file above the platform layer. Linux resolves the entry
// points through libepoxy; Windows through the GlEntryPoints table generated from the Khronos
// registry, filled with wglGetProcAddress when the window's context exists; the web build calls
// WebGL 2 through Emscripten's GLES 3.0 bindings.
#if defined(_WIN32)
#include "gl_entry_points.h"
#elif defined(__EMSCRIPTEN__)
#include "platform/web/webgl.h"
#else
#include <epoxy/gl.h>
#endif
