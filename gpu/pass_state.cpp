#include "gpu/pass_state.h"

#include "gpu/gl_profile.h"
#include "gpu/render_target.h"

#include "platform/gl.h"

#include <stdexcept>
#include <string>

namespace {

GLenum glFactor(BlendFactor factor) {
    switch (factor) {
    case BlendFactor::One:
        return GL_ONE;
    case BlendFactor::SourceAlpha:
        return GL_SRC_ALPHA;
    case BlendFactor::OneMinusSourceAlpha:
        return GL_ONE_MINUS_SRC_ALPHA;
    }
    return GL_ONE;
}

void setEnabled(GLenum capability, bool enabled) {
    if (enabled)
        glEnable(capability);
    else
        glDisable(capability);
}

// Refuses a state before any of it is set, so that a refused pass changes nothing.
void check(const PassState& state) {
    if (state.width < 0 || state.height < 0)
        throw std::invalid_argument("pass viewport " + std::to_string(state.width) + "x" +
                                    std::to_string(state.height) + " is negative");
    if (state.target == nullptr) {
        if (state.drawBuffers != 1)
            throw std::invalid_argument("the window has one colour output, not " +
                                        std::to_string(state.drawBuffers));
        return;
    }
    if (state.drawBuffers < 0 || state.drawBuffers > state.target->colorSlots())
        throw std::invalid_argument("a target has colour slots 0.." +
                                    std::to_string(state.target->colorSlots() - 1) + ", not " +
                                    std::to_string(state.drawBuffers) + " draw buffers");
    for (int slot = 0; slot < state.drawBuffers; ++slot) {
        if (state.target->slots()[static_cast<std::size_t>(slot)] == 0)
            throw std::invalid_argument("the pass draws to colour slot " + std::to_string(slot) +
                                        ", where nothing is attached");
    }
}

void clear(const PassState& state) {
    const GLfloat zero[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    const GLuint zeroCounts[4] = {0, 0, 0, 0};
    for (GLint output = 0; output < state.drawBuffers; ++output) {
        if (state.clearColour == ColourClear::Zero)
            glClearBufferfv(GL_COLOR, output, zero);
        else if (state.clearColour == ColourClear::ZeroUnsigned)
            glClearBufferuiv(GL_COLOR, output, zeroCounts);
    }
    if (state.clearDepth) {
        // The depth write mask gates clears too.
        glDepthMask(GL_TRUE);
        const GLfloat far = 1.0f;
        glClearBufferfv(GL_DEPTH, 0, &far);
    }
}

} // namespace

void beginPass(const PassState& state) {
    check(state);
    if (state.target == nullptr) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    } else {
        glBindFramebuffer(GL_FRAMEBUFFER, state.target->fbo());
        glDrawBuffers(state.drawBuffers, state.target->slots().data());
    }
    glViewport(0, 0, state.width, state.height);
    clear(state);

    setEnabled(GL_DEPTH_TEST, state.depthTest != DepthTest::Off);
    if (state.depthTest == DepthTest::LessOrEqual)
        glDepthFunc(GL_LEQUAL);
    glDepthMask(state.depthWrite ? GL_TRUE : GL_FALSE);
    setEnabled(GL_BLEND, state.blend.has_value());
    if (state.blend)
        glBlendFunc(glFactor(state.blend->source), glFactor(state.blend->destination));
    setEnabled(GL_CULL_FACE, state.culling != Culling::Off);
    if (state.culling == Culling::BackFaces)
        glCullFace(GL_BACK);
}

void setFixedGlState() {
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    takePointSizesFromVertexStage();
}
