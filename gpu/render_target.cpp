#include "gpu/render_target.h"

#include "gpu/gl_profile.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace {

// Attaching must not disturb a pass that is in progress on another framebuffer.
class FramebufferScope {
  public:
    explicit FramebufferScope(GLuint fbo) {
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw_);
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read_);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    }
    ~FramebufferScope() {
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(draw_));
        glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(read_));
    }
    FramebufferScope(const FramebufferScope&) = delete;
    FramebufferScope& operator=(const FramebufferScope&) = delete;

  private:
    GLint draw_ = 0;
    GLint read_ = 0;
};

} // namespace

RenderTarget::RenderTarget() {
    GLint maxDrawBuffers = 0;
    glGetIntegerv(GL_MAX_DRAW_BUFFERS, &maxDrawBuffers);
    slots_.assign(static_cast<std::size_t>(std::max(maxDrawBuffers, 1)), 0);
    glGenFramebuffers(1, &fbo_);
}

RenderTarget::~RenderTarget() {
    if (fbo_ != 0) {
        glDeleteFramebuffers(1, &fbo_);
    }
}

RenderTarget::RenderTarget(RenderTarget&& other) noexcept
    : fbo_(std::exchange(other.fbo_, 0)), slots_(std::move(other.slots_)), layers_(other.layers_) {}

RenderTarget& RenderTarget::operator=(RenderTarget&& other) noexcept {
    if (this != &other) {
        if (fbo_ != 0) {
            glDeleteFramebuffers(1, &fbo_);
        }
        fbo_ = std::exchange(other.fbo_, 0);
        slots_ = std::move(other.slots_);
        layers_ = other.layers_;
    }
    return *this;
}

void RenderTarget::checkSlot(int slot) const {
    if (slot < 0 || slot >= colorSlots()) {
        throw std::out_of_range("render target colour slot " + std::to_string(slot) +
                                " is outside 0.." + std::to_string(colorSlots() - 1));
    }
}

void RenderTarget::attach(int slot, const Texture2D* texture) {
    checkSlot(slot);
    if (slot == layers_.slot)
        layers_ = {};
    const GLenum point = GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(slot);
    slots_[static_cast<std::size_t>(slot)] = texture != nullptr ? point : 0;
    const FramebufferScope scope(fbo_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, point, GL_TEXTURE_2D,
                           texture != nullptr ? texture->id() : 0, 0);
}

void RenderTarget::attachDepth(const Texture2D* texture) {
    slots_.back() = texture != nullptr ? GL_DEPTH_ATTACHMENT : 0;
    const FramebufferScope scope(fbo_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D,
                           texture != nullptr ? texture->id() : 0, 0);
}

void RenderTarget::attachLayers(int slot, const Texture3D& texture, int level) {
    checkSlot(slot);
    const GLenum point = GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(slot);
    slots_[static_cast<std::size_t>(slot)] = point;
    layers_ = {slot, texture.id(), level, texture.internalFormat()};
    const FramebufferScope scope(fbo_);
    attachVolumeLevel(point, texture.id(), level);
}

void RenderTarget::attachLayer(int slot, const Texture3D& texture, int level, int layer) {
    checkSlot(slot);
    if (slot == layers_.slot)
        layers_ = {};
    const GLenum point = GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(slot);
    slots_[static_cast<std::size_t>(slot)] = point;
    const FramebufferScope scope(fbo_);
    glFramebufferTextureLayer(GL_FRAMEBUFFER, point, texture.id(), level, layer);
}
