#include "gpu/surface_extractor.h"

#include "gpu/gl_profile.h"
#include "gpu/layered_pass.h"
#include "gpu/pass_state.h"
#include "gpu/volume_readback.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The corner selectors land in sub-rows floor(4 * selector) = 0, 1, 2, 3 of a quad's rows.
constexpr std::array<float, 4> cornerSelectors = {0.1f, 0.3f, 0.6f, 0.8f};
constexpr std::array<std::uint32_t, 6> cornerIndices = {0, 1, 2, 0, 2, 3};

// The corner mesh of `quads` quads: quad q is vertices 4q .. 4q + 3 and indices 6q .. 6q + 5.
void spellOutCornerMesh(Mesh& mesh, int quads) {
    std::vector<float> selectors;
    std::vector<std::uint32_t> indices;
    for (std::uint32_t quad = 0; quad < static_cast<std::uint32_t>(quads); ++quad) {
        selectors.insert(selectors.end(), cornerSelectors.begin(), cornerSelectors.end());
        for (std::uint32_t index : cornerIndices)
            indices.push_back(4 * quad + index);
    }
    mesh.setVertices(selectors.data(), 4 * quads, 1);
    mesh.setIndices(indices.data(), 6 * quads);
}

// The tallest colour texture this GL implementation can both store and render into.
int outputHeightLimit() {
    GLint textureSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &textureSize);
    std::array<GLint, 2> viewport{};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport.data());
    return std::min(textureSize, viewport[1]);
}

} // namespace

SurfaceExtractor::SurfaceExtractor(int maxOutputHeight, OutputSizing sizing)
    : quad_(MeshShape::FullScreenQuad),
      pyramid_(VolumeKind::Count, baseSize, baseSize, baseSize, topLevel + 1),
      positionTexture_(ImageKind::Colour, 1, 1), cornerTexture_(ImageKind::Colour, 1, 1),
      classifyProgram_(ShaderId::CellClassify, ShaderFlags::HasGeometry),
      reduceProgram_(ShaderId::PyramidReduce, ShaderFlags::HasGeometry),
      traverseProgram_(ShaderId::PyramidTraverse), placeProgram_(ShaderId::CornerPlacement),
      sizing_(sizing) {
    for (int level = 0; level <= topLevel; ++level)
        levelTargets_[level].attachLayers(0, pyramid_, level);
    layerZeroTarget_.attachLayer(0, pyramid_, 0, 0);
    classifyProgram_.bind();
    classifyProgram_.setInt("tex", 1);
    reduceProgram_.bind();
    reduceProgram_.setInt("tex", 0);
    spellOutCornerMesh(cornerMesh_, quadsAsInstances() ? 1 : quadsPerDraw());
    const int heightLimit = outputHeightLimit();
    capacity_ =
        ::quadCapacity(maxOutputHeight > 0 ? std::min(maxOutputHeight, heightLimit) : heightLimit);
}

int SurfaceExtractor::extract(const Texture3D& volume) {
    volume_ = &volume;
    classifyCells();
    clearUnclassifiedLayer();
    reducePyramid();
    readQuadCount();
    sizeOutputs();
    traverseQuads();
    placeCorners();
    return 0;
}

void SurfaceExtractor::drawQuads(const ShaderProgram& program, int cornerUnit) const {
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(cornerUnit));
    glBindTexture(GL_TEXTURE_2D, cornerTexture_.id());
    program.setInt("quads", cornerUnit);
    program.setVec2("qcount", cornerTexture_.width(), cornerTexture_.height() / 4);
    const int quads = static_cast<int>(layout_.count);
    for (int first = 0; first < quads;) {
        const int batch = std::min(quadsPerDraw(), quads - first);
        program.setInt("firstQuad", first);
        if (quadsAsInstances())
            cornerMesh_.draw(GL_TRIANGLES, batch);
        else
            cornerMesh_.drawFirst(GL_TRIANGLES, 6 * batch);
        first += batch;
        if (first < quads)
            endDrawBatch();
    }
}

void SurfaceExtractor::clearUnclassifiedLayer() {
    // Layer 0 of the cell codes has no voxel slice behind it, yet the first reduction reads it.
    // Cleared after the classification, which on the web writes it along with all the others.
    beginPass({.target = &layerZeroTarget_,
               .width = baseSize,
               .height = baseSize,
               .depthTest = DepthTest::Off,
               .clearColour = ColourClear::ZeroUnsigned});
}

void SurfaceExtractor::classifyCells() {
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_3D, volume_->id());
    runLayeredPass(levelTargets_[0], classifyProgram_, quad_, baseSize);
    glFinish();
}

// The pyramid stays bound on unit 0 for the traversal.
void SurfaceExtractor::reducePyramid() {
    reduceProgram_.bind();
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_3D, pyramid_.id());
    reduceProgram_.setInt("first", 1);
    for (int level = 0; level < topLevel; ++level) {
        const int side = baseSize >> (level + 1);
        // Sample only the level being read while the next level of the same texture is written.
        glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_BASE_LEVEL, level);
        glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAX_LEVEL, level);
        runLayeredPass(levelTargets_[level + 1], reduceProgram_, quad_, side);
        if (level == 0)
            reduceProgram_.setInt("first", 0);
        glFinish();
    }
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAX_LEVEL, topLevel);
}

// Reads from the pyramid, which reducePyramid left bound on the active unit.
void SurfaceExtractor::readQuadCount() {
    GLuint total = 0;
    readCountLevel(pyramid_, topLevel, std::span<GLuint>(&total, 1));
    layout_ = quadLayout(total, capacity_);
    if (layout_.clamped && !clamping_) {
        std::printf("surface of %u quads cut to the %u that fit the corner texture\n", total,
                    layout_.count);
        std::fflush(stdout);
    }
    clamping_ = layout_.clamped;
}

void SurfaceExtractor::sizeOutputs() {
    glActiveTexture(GL_TEXTURE0);
    const int columns = static_cast<int>(layout_.columns);
    const int rows = static_cast<int>(layout_.rows);
    if (sizing_ == OutputSizing::Exact) {
        positionTexture_.resize(columns, rows);
        cornerTexture_.resize(columns, 4 * rows);
    } else {
        positionTexture_.growTo(columns, rows);
        cornerTexture_.growTo(columns, 4 * rows);
    }
}

// Reads the pyramid on unit 0 with all its levels.
void SurfaceExtractor::traverseQuads() {
    outputTarget_.attach(0, &positionTexture_);
    beginPass({.target = &outputTarget_,
               .width = static_cast<int>(layout_.columns),
               .height = static_cast<int>(layout_.rows),
               .depthTest = DepthTest::Off});
    traverseProgram_.bind();
    traverseProgram_.setFloat("power", topLevel - 1);
    traverseProgram_.setInt("histo", 0);
    traverseProgram_.setInt("sdf", 1);
    // An empty surface leaves a zero-sized, incomplete target: nothing to draw into.
    if (layout_.count > 0)
        quad_.draw(GL_TRIANGLES, 1);
}

// Reads the volume on unit 1.
void SurfaceExtractor::placeCorners() {
    outputTarget_.attach(0, &cornerTexture_);
    beginPass({.target = &outputTarget_,
               .width = static_cast<int>(layout_.columns),
               .height = 4 * static_cast<int>(layout_.rows),
               .depthTest = DepthTest::Off});
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, positionTexture_.id());
    placeProgram_.bind();
    placeProgram_.setInt("sdf", 1);
    placeProgram_.setInt("quadpos", 2);
    // The position texture's size: it may be larger than this surface's columns x rows.
    placeProgram_.setVec2("count", positionTexture_.width(), positionTexture_.height());
    placeProgram_.setFloat("power", topLevel - 1);
    if (layout_.count > 0)
        quad_.draw(GL_TRIANGLES, 1);
    glFinish();
}
