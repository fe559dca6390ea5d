#pragma once

#include "platform/gl.h"

#include <cstdint>
#include <span>

enum class MeshShape {
    Empty = 0,
    // (-1,-1), (1,-1), (1,1), (-1,1) as two floats each, indices 0 1 2 0 2 3: covers clip space.
    FullScreenQuad = 1,
};

// A vertex array with one vertex buffer (1 to 4 floats per vertex at attribute 0) and an optional
// 32-bit index buffer. Every draw ends with glFinish and glFlush. Owns its GL objects; move-only.
class Mesh {
  public:
    explicit Mesh(MeshShape shape = MeshShape::Empty);
    ~Mesh();
    Mesh(Mesh&& other) noexcept;
    Mesh& operator=(Mesh&& other) noexcept;
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // `data` holds vertexCount * components floats (or is null to only size the buffer). Sets the
    // draw count to vertexCount unless indices have been given.
    void setVertices(const float* data, int vertexCount, int components);
    // Interleaved attributes at locations 0, 1, ...: a vertex holds components[k] floats of
    // attribute k after those of the attributes before it.
    void setVertices(const float* data, int vertexCount, std::span<const int> components);
    // From now on draws are indexed with indexCount indices.
    void setIndices(const std::uint32_t* data, int indexCount);

    // Draws nothing while empty; instances other than 1 take the instanced path (0 draws nothing).
    // Points go in batches of pointsPerDraw(). Always finishes and flushes. Returns 0.
    int draw(GLenum mode, int instances = 1) const;
    // As draw(mode) with only the first `count` indices (or vertices), at most count().
    int drawFirst(GLenum mode, int count) const;

    // Indices when indexed, else vertices; -1 while empty.
    int count() const { return count_; }
    bool indexed() const { return indexed_; }
    int stride() const { return stride_; }
    GLuint vao() const { return vao_; }

  private:
    int drawCount(GLenum mode, int count, int instances) const;
    void drawPointBatches(int count) const;
    void release();

    int count_ = -1;
    bool indexed_ = false;
    int stride_ = 0;
    GLuint vao_ = 0;
    GLuint vbo_ = 0;
    GLuint ibo_ = 0;
};
