#pragma once

#include "gpu/gl_profile.h"
#include "gpu/mesh.h"
#include "gpu/quad_layout.h"
#include "gpu/render_target.h"
#include "gpu/shader_program.h"
#include "gpu/texture.h"

#include <array>
#include <cstdint>
#include <vector>

// Turns a signed-distance volume of baseSize^3 voxels into surface quads entirely on the GPU, as a
// dual mesh: every voxel edge whose ends differ in sign gets a quad, each corner placed at the mean
// edge crossing of the 2 x 2 x 2 voxel cube around it. Cells are classified into pyramid level 0,
// their quad counts summed level by level up to a 1 x 1 x 1 total, which is the only thing read
// back; one fragment per quad walks the pyramid down to its cell and one per corner places it.
//
// Drawing the result: bind cornerTexture() as "quads", set "qcount" to its size in quads (its
// width and a quarter of its height: the layout's columns x rows, or more where the outputs only
// grow) and draw quadCount() quads of cornerMesh(): instances of its one quad, or where
// quadsAsInstances() is false, the quads it spells out. Quad i reads corner k (attribute 0
// holds the selector 0.1, 0.3, 0.6 or 0.8) at column i % 512, row 4 * (i / 512) + k; triangles
// are corners (0, 1, 2) and (0, 2, 3), counter-clockwise seen from the side of larger values.
//
// Lifecycle: construct once after the GL context (it builds its programs, pyramid, targets and
// meshes), call extract() per frame, destroy before the context. Owns its GL objects; move-only.
class SurfaceExtractor {
  public:
    static constexpr int baseSize = 128;
    static constexpr int topLevel = 7;

    // `maxOutputHeight` > 0 caps the corner texture's height below what GL allows here.
    explicit SurfaceExtractor(int maxOutputHeight = 0,
                              OutputSizing sizing = extractorOutputSizing());
    SurfaceExtractor(SurfaceExtractor&&) noexcept = default;
    SurfaceExtractor& operator=(SurfaceExtractor&&) noexcept = default;

    // Classifies, reduces, reads back the count, sizes the outputs, traverses and places, in that
    // order, on `volume` (a baseSize^3 distance volume). A surface larger than quadCapacity() is
    // cut to it, with one line on standard output when that starts. Returns 0. Each pass begins
    // with its own state; texture units 0 to 2 and the bound program are taken over.
    int extract(const Texture3D& volume);

    // Draws the last extract's quads with `program`, bound and with its own uniforms set: the
    // corner texture on unit `cornerUnit` as "quads", "qcount" = its size in quads, and
    // quadCount() quads of cornerMesh() in batches of quadsPerDraw(), each with its first quad as
    // "firstQuad". Leaves `cornerUnit` the active unit.
    void drawQuads(const ShaderProgram& program, int cornerUnit) const;

    std::uint32_t quadCount() const { return layout_.count; }
    std::uint32_t quadRows() const { return layout_.rows; }
    // The most quads the output textures can hold on this GL implementation.
    std::uint32_t quadCapacity() const { return capacity_; }

    // Per quad: xyz = its cell's centre in pyramid space (z reversed), w = face code +-1, 2, 3.
    const Texture2D& positionTexture() const { return positionTexture_; }
    // Per quad four texels stacked vertically: corner positions, about -0.5 .. 0.5 per axis.
    const Texture2D& cornerTexture() const { return cornerTexture_; }
    // Per quad four vertices of one float (the corner selector) and six indices (0 1 2 0 2 3 of
    // its vertices): one quad where quadsAsInstances(), else quadsPerDraw().
    const Mesh& cornerMesh() const { return cornerMesh_; }
    // Level 0 holds the cell codes (layer L = voxel slice baseSize - L), level k the quad counts
    // of blocks of 2^k cells per side.
    const Texture3D& pyramid() const { return pyramid_; }
    // The volume of the last extract(), or null.
    const Texture3D* volume() const { return volume_; }

  private:
    void clearUnclassifiedLayer();
    void classifyCells();
    void reducePyramid();
    void readQuadCount();
    void sizeOutputs();
    void traverseQuads();
    void placeCorners();

    Mesh quad_;
    Mesh cornerMesh_;
    Texture3D pyramid_;
    const Texture3D* volume_ = nullptr;
    Texture2D positionTexture_;
    Texture2D cornerTexture_;
    std::array<RenderTarget, topLevel + 1> levelTargets_;
    RenderTarget layerZeroTarget_;
    RenderTarget outputTarget_;
    ShaderProgram classifyProgram_;
    ShaderProgram reduceProgram_;
    ShaderProgram traverseProgram_;
    ShaderProgram placeProgram_;
    std::uint32_t capacity_ = 0;
    OutputSizing sizing_ = OutputSizing::Exact;
    QuadLayout layout_;
    bool clamping_ = false;
};
