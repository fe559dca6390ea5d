#pragma once

#include "platform/gl.h"

// The two 2D conventions: clamp to edge on S and T, nearest min and mag filters.
enum class ImageKind {
    Colour, // GL_RGBA32F from GL_RGBA, GL_FLOAT
    Depth,  // GL_DEPTH_COMPONENT32 from GL_DEPTH_COMPONENT, GL_FLOAT
};

// The two 3D conventions.
enum class VolumeKind {
    Distance, // GL_R16F from GL_RED, GL_FLOAT; linear (linear-mipmap-linear when mipmapped)
    Count,    // GL_R32UI from GL_RED_INTEGER, GL_UNSIGNED_INT; nearest (nearest-mipmap-nearest)
};

// Border wrap reads zero beyond the faces (GL's default border colour).
enum class VolumeWrap {
    ClampToBorder,
    ClampToEdge,
};

// A 2D texture made with one of the ImageKind conventions. Owns the texture; move-only.
class Texture2D {
  public:
    // `data`, when given, holds width * height texels (four floats each for Colour, one for Depth).
    // Leaves GL_TEXTURE_2D of the active unit unbound.
    Texture2D(ImageKind kind, int width, int height, const float* data = nullptr);
    ~Texture2D();
    Texture2D(Texture2D&& other) noexcept;
    Texture2D& operator=(Texture2D&& other) noexcept;
    Texture2D(const Texture2D&) = delete;
    Texture2D& operator=(const Texture2D&) = delete;

    // Respecifies level 0 at the new size without data; the texture stays bound on the active unit.
    void resize(int width, int height);
    // As resize, to the larger of the old and new size in each direction, and only where that is
    // larger than the storage: otherwise the storage and its texels stay as they are.
    void growTo(int width, int height);

    GLuint id() const { return id_; }
    int width() const { return width_; }
    int height() const { return height_; }
    bool depth() const { return depth_; }

  private:
    void specify(const float* data) const;

    GLuint id_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool depth_ = false;
};

// A 3D texture made with one of the VolumeKind conventions, no initial data. Owns the texture;
// move-only.
class Texture3D {
  public:
    // Allocates levels 0 .. levels - 1, each half the size of the one before (at least 1); more
    // than one level makes it mipmapped. Leaves GL_TEXTURE_3D of the active unit unbound.
    Texture3D(VolumeKind kind, int width, int height, int depthSize, int levels = 1,
              VolumeWrap wrap = VolumeWrap::ClampToBorder);
    ~Texture3D();
    Texture3D(Texture3D&& other) noexcept;
    Texture3D& operator=(Texture3D&& other) noexcept;
    Texture3D(const Texture3D&) = delete;
    Texture3D& operator=(const Texture3D&) = delete;

    GLuint id() const { return id_; }
    bool mipmapped() const { return levels_ > 1; }
    int levels() const { return levels_; }
    VolumeKind kind() const { return kind_; }
    // GL_R16F for Distance, GL_R32UI for Count.
    GLenum internalFormat() const { return kind_ == VolumeKind::Count ? GL_R32UI : GL_R16F; }
    // Level 0 size; depthSize is the number of layers.
    int width() const { return width_; }
    int height() const { return height_; }
    int depthSize() const { return depthSize_; }

  private:
    GLuint id_ = 0;
    VolumeKind kind_ = VolumeKind::Distance;
    int levels_ = 1;
    int width_ = 0;
    int height_ = 0;
    int depthSize_ = 0;
};
