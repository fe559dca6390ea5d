#include "gpu/mesh.h"

#include "gpu/gl_profile.h"

#include <algorithm>
#include <array>
#include <utility>

Mesh::Mesh(MeshShape shape) {
    glGenVertexArrays(1, &vao_);
    glGenBuffers(1, &vbo_);
    glGenBuffers(1, &ibo_);
    // Binding the index buffer while the array is bound makes the array record it.
    glBindVertexArray(vao_);
    glBindBuffer(GL_ARRAY_BUFFER, vbo_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ibo_);
    glBindVertexArray(0);

    if (shape == MeshShape::FullScreenQuad) {
        constexpr std::array<float, 8> corners{-1.0f, -1.0f, 1.0f, -1.0f, 1.0f, 1.0f, -1.0f, 1.0f};
        constexpr std::array<std::uint32_t, 6> indices{0, 1, 2, 0, 2, 3};
        setVertices(corners.data(), 4, 2);
        setIndices(indices.data(), 6);
    }
}

Mesh::~Mesh() {
    release();
}

Mesh::Mesh(Mesh&& other) noexcept
    : count_(std::exchange(other.count_, -1)), indexed_(std::exchange(other.indexed_, false)),
      stride_(std::exchange(other.stride_, 0)), vao_(std::exchange(other.vao_, 0)),
      vbo_(std::exchange(other.vbo_, 0)), ibo_(std::exchange(other.ibo_, 0)) {}

Mesh& Mesh::operator=(Mesh&& other) noexcept {
    if (this != &other) {
        release();
        count_ = std::exchange(other.count_, -1);
        indexed_ = std::exchange(other.indexed_, false);
        stride_ = std::exchange(other.stride_, 0);
        vao_ = std::exchange(other.vao_, 0);
        vbo_ = std::exchange(other.vbo_, 0);
        ibo_ = std::exchange(other.ibo_, 0);
    }
    return *this;
}

void Mesh::release() {
    if (vao_ == 0) {
        return;
    }
    glDeleteBuffers(1, &ibo_);
    glDeleteBuffers(1, &vbo_);
    glDeleteVertexArrays(1, &vao_);
    vao_ = vbo_ = ibo_ = 0;
}

void Mesh::setVertices(const float* data, int vertexCount, int components) {
    setVertices(data, vertexCount, std::span<const int>(&components, 1));
}

void Mesh::setVertices(const float* data, int vertexCount, std::span<const int> components) {
    stride_ = 0;
    for (int size : components) {
        stride_ += size * 4;
    }
    if (!indexed_) {
        count_ = vertexCount;
    }
    glBindVertexArray(vao_);
    glBindBuffer(GL_ARRAY_BUFFER, vbo_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertexCount) * stride_, data,
                 GL_STATIC_DRAW);
    glBindVertexArray(0);

    glBindVertexArray(vao_);
    std::uintptr_t offset = 0;
    for (GLuint location = 0; location < components.size(); ++location) {
        glEnableVertexAttribArray(location);
        glVertexAttribPointer(location, components[location], GL_FLOAT, GL_FALSE, stride_,
                              reinterpret_cast<const void*>(offset));
        offset += static_cast<std::uintptr_t>(components[location]) * 4;
    }
    glBindVertexArray(0);
}

void Mesh::setIndices(const std::uint32_t* data, int indexCount) {
    glBindVertexArray(vao_);
    count_ = indexCount;
    indexed_ = true;
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indexCount) * 4, data,
                 GL_STATIC_DRAW);
    glBindVertexArray(0);
}

// Each batch is handed to the GL by itself before the next one is given.
void Mesh::drawPointBatches(int count) const {
    for (int first = 0; first < count;) {
        const int batch = std::min(pointsPerDraw(), count - first);
        glDrawArrays(GL_POINTS, first, batch);
        first += batch;
        if (first < count)
            endDrawBatch();
    }
}

int Mesh::draw(GLenum mode, int instances) const {
    return drawCount(mode, count_, instances);
}

int Mesh::drawFirst(GLenum mode, int count) const {
    return drawCount(mode, std::min(count, count_), 1);
}

int Mesh::drawCount(GLenum mode, int count, int instances) const {
    if (count >= 0) {
        glBindVertexArray(vao_);
        if (instances == 1) {
            if (indexed_) {
                glDrawElements(mode, count, GL_UNSIGNED_INT, nullptr);
            } else if (mode == GL_POINTS) {
                drawPointBatches(count);
            } else {
                glDrawArrays(mode, 0, count);
            }
        } else if (indexed_) {
            glDrawElementsInstanced(mode, count, GL_UNSIGNED_INT, nullptr, instances);
        } else {
            glDrawArraysInstanced(mode, 0, count, instances);
        }
        glBindVertexArray(0);
    }
    // Each draw waits for the GPU, so the caller may read its result at once.
    glFinish();
    glFlush();
    return 0;
}
