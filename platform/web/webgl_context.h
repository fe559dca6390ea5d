#pragma once

#include <emscripten/html5.h>

// A WebGL 2 context on the page's canvas (id "canvas"), sized width x height in canvas pixels and
// current from construction to destruction. Enables the float colour buffers and float blending
// the scenes render with. Throws std::runtime_error naming what the browser lacks.
class WebGlContext {
  public:
    // `keepFrames` keeps each drawn frame readable after it has been shown (for read-backs).
    WebGlContext(int width, int height, bool keepFrames);
    ~WebGlContext();
    WebGlContext(const WebGlContext&) = delete;
    WebGlContext& operator=(const WebGlContext&) = delete;

    // The browser took the context away (its GPU process was restarted, say): every GL call since
    // has done nothing.
    bool lost() const { return emscripten_is_webgl_context_lost(context_); }

  private:
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context_ = 0;
};
