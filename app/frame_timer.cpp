#include "app/frame_timer.h"

#include "platform/gl.h"

FrameTimer::FrameTimer() {
    glGenQueries(1, &query_);
}

FrameTimer::~FrameTimer() {
    glDeleteQueries(1, &query_);
}

void FrameTimer::begin() {
    glBeginQuery(GL_TIME_ELAPSED, query_);
}

std::uint64_t FrameTimer::end() {
    glEndQuery(GL_TIME_ELAPSED);
    // A 64-bit result: a frame slower than 2.1 s must not print as a negative time.
    GLuint64 nanoseconds = 0;
    glGetQueryObjectui64v(query_, GL_QUERY_RESULT, &nanoseconds);
    return nanoseconds;
}
