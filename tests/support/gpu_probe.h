#pragma once

#include "gpu/mesh.h"
#include "gpu/shader_program.h"
#include "gpu/texture.h"

#include "platform/gl.h"

#include <array>
#include <functional>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

using Float4 = std::array<float, 4>;

// One fragment per input: GLSL `functions`, then the vec4 `expression` of the input `x`; throws
// std::runtime_error when the text does not build, whose log the build prints.
std::vector<Float4>
evaluateOnGpu(std::string_view functions, std::string_view expression,
              std::span<const Float4> inputs,
              const std::function<void(const ShaderProgram&)>& setUniforms = {});

// A bound program from `text` whose vertex `outputs` transform feedback captures, interleaved.
ShaderProgram capturingProgram(std::string_view text, std::initializer_list<const char*> outputs);

// What it writes while `draw` runs, unrasterised; vertices past `maxVertices` count as zeros.
std::vector<float> captureVertices(GLenum mode, int floatsPerVertex, int maxVertices,
                                   const std::function<void()>& draw);

// Level 0 of a colour texture as RGBA floats, rows from the bottom.
std::vector<Float4> readColour(const Texture2D& texture);

// Level 0 of a depth texture as floats, rows from the bottom.
std::vector<float> readDepth(const Texture2D& depth);

// Level 0 of a volume's red channel: x fastest, then y from the bottom, then layers.
std::vector<float> readVolume(const Texture3D& volume);

// The first `floats` of the vertex buffer behind a mesh's attribute 0.
std::vector<float> readVertexBuffer(const Mesh& mesh, std::size_t floats);
