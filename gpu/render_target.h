#pragma once

#include "gpu/texture.h"

#include "platform/gl.h"

#include <span>
#include <vector>

// A level of a 3D texture attached whole (attachLayers), for a pass that addresses its layers.
struct AttachedLayers {
    int slot = -1; // -1: none
    GLuint texture = 0;
    int level = 0;
    GLenum internalFormat = 0;
};

// A framebuffer that remembers its attachments in a slot table, so that a pass (beginPass) can
// enable its colour outputs as draw buffers and check they are attached. Slots
// 0 .. colorSlots() - 1 are colour attachments; the last entry records the depth attachment and
// is never a draw buffer. Owns the framebuffer; move-only.
class RenderTarget {
  public:
    // Sizes the slot table from GL_MAX_DRAW_BUFFERS.
    RenderTarget();
    ~RenderTarget();
    RenderTarget(RenderTarget&& other) noexcept;
    RenderTarget& operator=(RenderTarget&& other) noexcept;
    RenderTarget(const RenderTarget&) = delete;
    RenderTarget& operator=(const RenderTarget&) = delete;

    // Attachments keep whatever framebuffer was bound before the call bound.
    // Throws std::out_of_range for a slot outside 0 .. colorSlots() - 1.
    // Null detaches the slot's texture and clears the slot.
    void attach(int slot, const Texture2D* texture);
    void attachDepth(const Texture2D* texture);
    // Every layer of `level` as one layered colour attachment.
    void attachLayers(int slot, const Texture3D& texture, int level);
    // One layer of a 3D texture's mip level, for passes that write a single slice.
    void attachLayer(int slot, const Texture3D& texture, int level, int layer);

    GLuint fbo() const { return fbo_; }
    // GL_COLOR_ATTACHMENT0 + i for attached colour slot i, GL_DEPTH_ATTACHMENT in the last entry
    // while a depth texture is attached, 0 elsewhere.
    std::span<const GLenum> slots() const { return slots_; }
    int colorSlots() const { return static_cast<int>(slots_.size()) - 1; }
    // What attachLayers attached last, until its slot is attached anew.
    const AttachedLayers& attachedLayers() const { return layers_; }

  private:
    void checkSlot(int slot) const;

    GLuint fbo_ = 0;
    std::vector<GLenum> slots_;
    AttachedLayers layers_;
};
