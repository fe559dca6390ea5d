#include "app/frame_timer.h"

#include "platform/gl.h"

#include <emscripten/html5.h>

// EXT_disjoint_timer_query_webgl2 delivers a result a frame or more after its query ended, and a
// query may not restart before then: one query runs at a time and the frames in between go
// unmeasured. Without the extension (SwiftShader has none) every time reads 0.
FrameTimer::FrameTimer() {
    if (emscripten_webgl_enable_extension(emscripten_webgl_get_current_context(),
                                          "EXT_disjoint_timer_query_webgl2"))
        glGenQueries(1, &query_);
}

FrameTimer::~FrameTimer() {
    if (query_ != 0)
        glDeleteQueries(1, &query_);
}

void FrameTimer::begin() {
    if (pending_ || query_ == 0)
        return;
    glBeginQuery(GL_TIME_ELAPSED, query_);
    running_ = true;
    pending_ = true;
}

std::uint64_t FrameTimer::end() {
    if (running_) {
        glEndQuery(GL_TIME_ELAPSED);
        running_ = false;
        return last_;
    }
    if (!pending_)
        return last_;
    GLuint available = 0;
    glGetQueryObjectuiv(query_, GL_QUERY_RESULT_AVAILABLE, &available);
    if (available) {
        GLint disjoint = 0;
        glGetIntegerv(GL_GPU_DISJOINT_EXT, &disjoint);
        GLuint64 nanoseconds = 0;
        glGetQueryObjectui64vEXT(query_, GL_QUERY_RESULT, &nanoseconds);
        // A disjoint period makes the result meaningless; the previous one stands.
        if (!disjoint)
            last_ = nanoseconds;
        pending_ = false;
    }
    return last_;
}
