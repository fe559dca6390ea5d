#pragma once

#include "gpu/mesh.h"
#include "gpu/render_target.h"
#include "gpu/shader_program.h"
#include "gpu/texture.h"

// The closing scene's blob field. Each build first works out the 29 blobs' centres and weights
// at t once, into a one-row table (one texel per blob), then sums their inverse-square terms at
// every voxel in one layered pass. Construct with the GL context current; owns its programs,
// the table and its target, borrows the shared full-screen quad.
class BlobField {
  public:
    static constexpr int blobCount = 29;

    explicit BlobField(const Mesh& quad);

    // Writes the field at music time t into every layer of `volumeTarget` (size^3), reading the
    // table on texture unit 0.
    void build(double t, const RenderTarget& volumeTarget, int size) const;

    // Texel i: blob i's centre (xyz, in the cube centred on 0) and weight (w) of the last build.
    const Texture2D& table() const { return table_; }

  private:
    const Mesh& quad_;
    ShaderProgram tableProgram_;
    ShaderProgram fieldProgram_;
    Texture2D table_;
    RenderTarget tableTarget_;
};
