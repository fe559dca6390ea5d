#include "gpu/texture.h"

#include "gpu/gl_profile.h"

#include <algorithm>
#include <utility>

Texture2D::Texture2D(ImageKind kind, int width, int height, const float* data)
    : width_(width), height_(height), depth_(kind == ImageKind::Depth) {
    glGenTextures(1, &id_);
    glBindTexture(GL_TEXTURE_2D, id_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    specify(data);
    glBindTexture(GL_TEXTURE_2D, 0);
}

Texture2D::~Texture2D() {
    if (id_ != 0) {
        glDeleteTextures(1, &id_);
    }
}

Texture2D::Texture2D(Texture2D&& other) noexcept
    : id_(std::exchange(other.id_, 0)), width_(other.width_), height_(other.height_),
      depth_(other.depth_) {}

Texture2D& Texture2D::operator=(Texture2D&& other) noexcept {
    if (this != &other) {
        if (id_ != 0) {
            glDeleteTextures(1, &id_);
        }
        id_ = std::exchange(other.id_, 0);
        width_ = other.width_;
        height_ = other.height_;
        depth_ = other.depth_;
    }
    return *this;
}

void Texture2D::resize(int width, int height) {
    glBindTexture(GL_TEXTURE_2D, id_);
    width_ = width;
    height_ = height;
    specify(nullptr);
}

void Texture2D::growTo(int width, int height) {
    if (width <= width_ && height <= height_)
        return;
    resize(std::max(width, width_), std::max(height, height_));
}

void Texture2D::specify(const float* data) const {
    if (depth_) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT32, width_, height_, 0, GL_DEPTH_COMPONENT,
                     GL_FLOAT, data);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, width_, height_, 0, GL_RGBA, GL_FLOAT, data);
    }
}

Texture3D::Texture3D(VolumeKind kind, int width, int height, int depthSize, int levels,
                     VolumeWrap wrap)
    : kind_(kind), levels_(std::max(levels, 1)), width_(width), height_(height),
      depthSize_(depthSize) {
    const bool count = kind == VolumeKind::Count;
    const GLint wrapMode = wrap == VolumeWrap::ClampToEdge ? GL_CLAMP_TO_EDGE : GL_CLAMP_TO_BORDER;
    GLint minFilter = count ? GL_NEAREST : GL_LINEAR;
    if (mipmapped()) {
        minFilter = count ? GL_NEAREST_MIPMAP_NEAREST : GL_LINEAR_MIPMAP_LINEAR;
    }
    glGenTextures(1, &id_);
    glBindTexture(GL_TEXTURE_3D, id_);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_S, wrapMode);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_T, wrapMode);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_R, wrapMode);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAG_FILTER, count ? GL_NEAREST : GL_LINEAR);
    if (mipmapped()) {
        // A chain that stops short of 1 x 1 x 1 is still complete.
        glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAX_LEVEL, levels_ - 1);
    }
    if (count) {
        allocateVolumeLevels(internalFormat(), GL_RED_INTEGER, GL_UNSIGNED_INT, width, height,
                             depthSize, levels_);
    } else {
        allocateVolumeLevels(internalFormat(), GL_RED, GL_FLOAT, width, height, depthSize, levels_);
    }
    glBindTexture(GL_TEXTURE_3D, 0);
}

Texture3D::~Texture3D() {
    if (id_ != 0) {
        glDeleteTextures(1, &id_);
    }
}

Texture3D::Texture3D(Texture3D&& other) noexcept
    : id_(std::exchange(other.id_, 0)), kind_(other.kind_), levels_(other.levels_),
      width_(other.width_), height_(other.height_), depthSize_(other.depthSize_) {}

Texture3D& Texture3D::operator=(Texture3D&& other) noexcept {
    if (this != &other) {
        if (id_ != 0) {
            glDeleteTextures(1, &id_);
        }
        id_ = std::exchange(other.id_, 0);
        kind_ = other.kind_;
        levels_ = other.levels_;
        width_ = other.width_;
        height_ = other.height_;
        depthSize_ = other.depthSize_;
    }
    return *this;
}
