#include "gpu/layered_pass.h"

#include "gpu/pass_state.h"

#include <emscripten/html5_webgl.h>

#include <algorithm>
#include <map>
#include <span>
#include <stdexcept>
#include <utility>

namespace {

// The texture level whose layers the pass fills: attached whole to slot 0, nothing else.
const AttachedLayers& layeredAttachment(const RenderTarget& target) {
    const std::span<const GLenum> colours =
        target.slots().first(static_cast<std::size_t>(target.colorSlots()));
    if (target.attachedLayers().slot != 0 ||
        std::any_of(colours.begin() + 1, colours.end(), [](GLenum point) { return point != 0; }))
        throw std::invalid_argument("a layered pass fills one texture level attached whole to "
                                    "colour slot 0 (attachLayers), nothing else");
    return target.attachedLayers();
}

// All layers of a size^3 target side by side in one 2D image of their format, `columns` to a
// row, with a framebuffer to draw into it. Owns both while the GL context that made them lives;
// move-only.
class LayerAtlas {
  public:
    LayerAtlas(GLenum format, int size) {
        // The smallest power of two whose square holds `size` cells.
        while (columns_ * columns_ < size)
            columns_ *= 2;
        rows_ = (size + columns_ - 1) / columns_;
        // Made on the active unit, whose 2D binding the caller may be using.
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        glGenTextures(1, &texture_);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glTexStorage2D(GL_TEXTURE_2D, 1, format, columns_ * size, rows_ * size);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
        glGenFramebuffers(1, &fbo_);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
    }
    ~LayerAtlas() {
        if (alive()) {
            glDeleteFramebuffers(1, &fbo_);
            glDeleteTextures(1, &texture_);
        }
    }
    LayerAtlas(LayerAtlas&& other) noexcept
        : texture_(std::exchange(other.texture_, 0)), fbo_(std::exchange(other.fbo_, 0)),
          columns_(other.columns_), rows_(other.rows_) {}
    LayerAtlas& operator=(LayerAtlas&&) = delete;
    LayerAtlas(const LayerAtlas&) = delete;
    LayerAtlas& operator=(const LayerAtlas&) = delete;

    // False once the GL context that made it is lost or gone (its objects went with it).
    bool alive() const { return texture_ != 0 && glIsTexture(texture_); }
    GLuint fbo() const { return fbo_; }
    int columns() const { return columns_; }
    int rows() const { return rows_; }

  private:
    GLuint texture_ = 0;
    GLuint fbo_ = 0;
    int columns_ = 1;
    int rows_ = 1;
};

// One atlas per format and size, made on first use and kept: a browser zero-fills every texture
// it allocates, too dear to do per pass. Each run of the demo makes its own context handle; the
// canvas keeps one GL context under them, so the atlases serve the next run too, unless that
// context was lost meanwhile.
const LayerAtlas& layerAtlas(GLenum format, int size) {
    static std::map<std::pair<GLenum, int>, LayerAtlas> atlases;
    static EMSCRIPTEN_WEBGL_CONTEXT_HANDLE madeFor = 0;
    if (madeFor != emscripten_webgl_get_current_context()) {
        madeFor = emscripten_webgl_get_current_context();
        if (!atlases.empty() && !atlases.begin()->second.alive())
            atlases.clear();
    }
    const auto key = std::make_pair(format, size);
    if (const auto found = atlases.find(key); found != atlases.end())
        return found->second;
    return atlases.emplace(key, LayerAtlas(format, size)).first->second;
}

} // namespace

// WebGL 2 has no geometry stage to route instances to layers, and drawing layer by layer makes
// each draw a scene of its own to a software rasterizer, which costs a browser's GPU process far
// more than the desktop. So one draw fills every layer side by side in an atlas (instance k
// draws layer k's cell, with the z the layered draw routes to layer k), and each layer is copied
// from its cell into the target's texture: one scene per pass, whatever the size.
void runLayeredPass(const RenderTarget& target, const ShaderProgram& program, const Mesh& quad,
                    int size) {
    beginPass({.target = &target, .width = size, .height = size, .depthTest = DepthTest::Off});
    const AttachedLayers& layers = layeredAttachment(target);
    const LayerAtlas& atlas = layerAtlas(layers.internalFormat, size);
    glBindFramebuffer(GL_FRAMEBUFFER, atlas.fbo());
    glViewport(0, 0, atlas.columns() * size, atlas.rows() * size);
    program.bind();
    program.setFloat("size", size);
    program.setInt("atlasColumns", atlas.columns());
    program.setInt("atlasRows", atlas.rows());
    quad.draw(GL_TRIANGLES, size);

    // The copies go through the active unit's 3D binding, which the caller may be using.
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_3D, &bound);
    glBindTexture(GL_TEXTURE_3D, layers.texture);
    for (int layer = 0; layer < size; ++layer)
        glCopyTexSubImage3D(GL_TEXTURE_3D, layers.level, 0, 0, layer,
                            layer % atlas.columns() * size, layer / atlas.columns() * size, size,
                            size);
    glBindTexture(GL_TEXTURE_3D, static_cast<GLuint>(bound));
    glBindFramebuffer(GL_FRAMEBUFFER, target.fbo());
    glViewport(0, 0, size, size);
    // Ends as every draw does, now with the copies in it too (WebGL's finish only flushes).
    glFinish();
    glFlush();
}
