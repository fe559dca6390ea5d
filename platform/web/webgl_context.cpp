#include "platform/web/webgl_context.h"

#include <emscripten.h>

#include <stdexcept>
#include <string>

namespace {

// clang-format off
EM_JS(void, sizeCanvas, (int width, int height), {
    const canvas = document.getElementById('canvas');
    canvas.width = width;
    canvas.height = height;
    canvas.style.width = width + 'px';
    canvas.style.height = height + 'px';
    canvas.hidden = false;
});
// clang-format on

} // namespace

WebGlContext::WebGlContext(int width, int height, bool keepFrames) {
    sizeCanvas(width, height);
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.preserveDrawingBuffer = keepFrames ? EM_TRUE : EM_FALSE;
    attributes.enableExtensionsByDefault = EM_TRUE;
    context_ = emscripten_webgl_create_context("#canvas", &attributes);
    if (context_ <= 0)
        throw std::runtime_error("No WebGL 2 context: the browser offers none on this canvas");
    emscripten_webgl_make_context_current(context_);
    for (const char* extension : {"EXT_color_buffer_float", "EXT_float_blend"}) {
        if (!emscripten_webgl_enable_extension(context_, extension)) {
            emscripten_webgl_destroy_context(context_);
            throw std::runtime_error(std::string("No WebGL 2 with ") + extension +
                                     ": the scenes render into float textures");
        }
    }
}

WebGlContext::~WebGlContext() {
    emscripten_webgl_make_context_current(0);
    emscripten_webgl_destroy_context(context_);
}
