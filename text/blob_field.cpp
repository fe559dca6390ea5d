#include "text/blob_field.h"

#include "gpu/layered_pass.h"
#include "gpu/pass_state.h"
#include "scenes/pass_setup.h"

BlobField::BlobField(const Mesh& quad)
    : quad_(quad), tableProgram_(ShaderId::BlobTable),
      fieldProgram_(ShaderId::BlobField, ShaderFlags::HasGeometry),
      table_(ImageKind::Colour, blobCount, 1) {
    tableTarget_.attach(0, &table_);
}

void BlobField::build(double t, const RenderTarget& volumeTarget, int size) const {
    beginPass(
        {.target = &tableTarget_, .width = blobCount, .height = 1, .depthTest = DepthTest::Off});
    tableProgram_.bind();
    tableProgram_.setFloat("t", t);
    quad_.draw(GL_TRIANGLES);

    bindTexture(0, GL_TEXTURE_2D, table_.id());
    fieldProgram_.bind();
    fieldProgram_.setInt("blobs", 0);
    runLayeredPass(volumeTarget, fieldProgram_, quad_, size);
}
