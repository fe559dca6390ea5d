#include "gpu/mesh.h"
#include "gpu/render_target.h"
#include "gpu/texture.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

namespace {

class RenderTargetTest : public GlTest {
  protected:
    RenderTargetTest() : GlTest(8, 8) {}
};

GLint maxDrawBuffers() {
    GLint n = 0;
    glGetIntegerv(GL_MAX_DRAW_BUFFERS, &n);
    return n;
}

// The draw buffers GL has for the bound framebuffer, up to the first GL_NONE.
std::vector<GLenum> drawBuffers() {
    std::vector<GLenum> buffers;
    for (GLint i = 0; i < maxDrawBuffers(); ++i) {
        GLint buffer = GL_NONE;
        glGetIntegerv(GL_DRAW_BUFFER0 + i, &buffer);
        if (buffer == GL_NONE) {
            break;
        }
        buffers.push_back(static_cast<GLenum>(buffer));
    }
    return buffers;
}

GLint boundFramebuffer(GLenum which) {
    GLint fbo = -1;
    glGetIntegerv(which, &fbo);
    return fbo;
}

GLint attachmentParameter(GLenum attachment, GLenum parameter) {
    GLint value = -1;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, attachment, parameter, &value);
    return value;
}

// Writes 1, 2 and 3 to the first three outputs.
// Depth 0.5 in clip space lands at 0.75 in a depth attachment.
const std::string threeOutputs = R"(
#ifdef vertexcompile
layout (location=0) in vec2 corner;
void main() { gl_Position = vec4(corner, 0.5, 1.0); }
#endif
#ifdef fragmentcompile
layout (location=0) out vec4 first;
layout (location=1) out vec4 second;
layout (location=2) out vec4 third;
void main() { first = vec4(1.0); second = vec4(2.0); third = vec4(3.0); }
#endif
)";

TEST_F(RenderTargetTest, SlotTableFollowsTheDrawBufferLimit) {
    const RenderTarget target;
    ASSERT_GE(maxDrawBuffers(), 2);
    EXPECT_EQ(static_cast<GLint>(target.slots().size()), maxDrawBuffers());
    EXPECT_EQ(target.colorSlots(), maxDrawBuffers() - 1);
    for (const GLenum slot : target.slots()) {
        EXPECT_EQ(slot, 0u);
    }
    EXPECT_NE(target.fbo(), 0u);
}

TEST_F(RenderTargetTest, BindEnablesTheLeadingRunOfAttachedSlots) {
    const Texture2D a(ImageKind::Colour, 4, 4), b(ImageKind::Colour, 4, 4),
        c(ImageKind::Colour, 4, 4);
    RenderTarget target;

    // Before any attachment no draw buffer is enabled.
    target.bind(4, 4);
    EXPECT_EQ(boundFramebuffer(GL_DRAW_FRAMEBUFFER_BINDING), static_cast<GLint>(target.fbo()));
    EXPECT_TRUE(drawBuffers().empty());

    target.attach(0, &a);
    target.attach(1, &b);
    target.bind(4, 4);
    EXPECT_EQ(drawBuffers(), (std::vector<GLenum>{GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1}));

    // Slot 1 emptied: counting stops there although slot 2 is attached.
    target.attach(1, nullptr);
    target.attach(2, &c);
    target.bind(4, 4);
    EXPECT_EQ(drawBuffers(), std::vector<GLenum>{GL_COLOR_ATTACHMENT0});
    EXPECT_EQ(attachmentParameter(GL_COLOR_ATTACHMENT1, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE),
              GL_NONE);
    EXPECT_EQ(target.slots()[1], 0u);
    EXPECT_EQ(target.slots()[2], static_cast<GLenum>(GL_COLOR_ATTACHMENT2));

    // What the pass writes agrees: only the first output lands, slot 2 stays clear.
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    target.attach(1, &b);
    target.bind(4, 4);
    glClear(GL_COLOR_BUFFER_BIT);
    target.attach(1, nullptr);
    target.bind(4, 4);
    const BuiltProgram built = buildCapturingOutput(threeOutputs, "outputs");
    ASSERT_TRUE(linked(built.program)) << built.printed;
    Mesh(MeshShape::FullScreenQuad).draw(GL_TRIANGLES);
    EXPECT_EQ(readColour(a)[5], (Float4{1.0f, 1.0f, 1.0f, 1.0f}));
    EXPECT_EQ(readColour(b)[5], (Float4{0.0f, 0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(readColour(c)[5], (Float4{0.0f, 0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(RenderTargetTest, BindSetsTheViewport) {
    const Texture2D a(ImageKind::Colour, 16, 8);
    RenderTarget target;
    target.attach(0, &a);
    target.bind(5, 3);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 5);
    EXPECT_EQ(viewport[3], 3);
    const BuiltProgram built = buildCapturingOutput(threeOutputs, "outputs");
    EXPECT_EQ(countSamples([] { Mesh(MeshShape::FullScreenQuad).draw(GL_TRIANGLES); }), 15u);
}

TEST_F(RenderTargetTest, AllColourSlotsButTheDepthEntryBecomeDrawBuffers) {
    RenderTarget target;
    std::vector<std::unique_ptr<Texture2D>> textures;
    for (int slot = 0; slot < target.colorSlots(); ++slot) {
        textures.push_back(std::make_unique<Texture2D>(ImageKind::Colour, 2, 2));
        target.attach(slot, textures.back().get());
    }
    const Texture2D depth(ImageKind::Depth, 2, 2);
    target.attachDepth(&depth);
    target.bind(2, 2);
    const std::vector<GLenum> buffers = drawBuffers();
    ASSERT_EQ(static_cast<int>(buffers.size()), target.colorSlots());
    for (int slot = 0; slot < target.colorSlots(); ++slot) {
        EXPECT_EQ(buffers[static_cast<std::size_t>(slot)],
                  static_cast<GLenum>(GL_COLOR_ATTACHMENT0 + slot));
    }
    EXPECT_EQ(target.slots().back(), static_cast<GLenum>(GL_DEPTH_ATTACHMENT));
    // The depth entry's own slot number cannot be used for colour.
    EXPECT_THROW(target.attach(target.colorSlots(), textures.front().get()), std::out_of_range);
    EXPECT_THROW(target.attach(-1, nullptr), std::out_of_range);
    const Texture3D volume(VolumeKind::Distance, 2, 2, 2);
    EXPECT_THROW(target.attachLayers(target.colorSlots(), volume, 0), std::out_of_range);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(RenderTargetTest, DepthAttachmentTakesDepthButNeverADrawBuffer) {
    const Texture2D depth(ImageKind::Depth, 4, 4);
    RenderTarget target;
    target.attachDepth(&depth);
    target.bind(4, 4);
    EXPECT_TRUE(drawBuffers().empty());
    EXPECT_EQ(target.slots().back(), static_cast<GLenum>(GL_DEPTH_ATTACHMENT));

    const Texture2D colour(ImageKind::Colour, 4, 4);
    target.attach(0, &colour);
    target.bind(4, 4);
    EXPECT_EQ(drawBuffers(), std::vector<GLenum>{GL_COLOR_ATTACHMENT0});
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER),
              static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glClearDepth(1.0);
    glClear(GL_DEPTH_BUFFER_BIT);
    const BuiltProgram built = buildCapturingOutput(threeOutputs, "outputs");
    Mesh(MeshShape::FullScreenQuad).draw(GL_TRIANGLES);
    glDisable(GL_DEPTH_TEST);
    float written = 0.0f;
    glReadPixels(1, 1, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &written);
    EXPECT_FLOAT_EQ(written, 0.75f); // z = 0.5 in clip space
    EXPECT_EQ(readColour(colour)[5][0], 1.0f);

    target.attachDepth(nullptr);
    EXPECT_EQ(target.slots().back(), 0u);
    target.bind(4, 4);
    EXPECT_EQ(attachmentParameter(GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE),
              GL_NONE);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(RenderTargetTest, AttachingKeepsTheFramebufferThatWasBound) {
    const Texture2D a(ImageKind::Colour, 4, 4);
    RenderTarget drawing, other;
    drawing.attach(0, &a);
    drawing.bind(4, 4);
    other.attach(0, &a);
    other.attachDepth(nullptr);
    const Texture3D volume(VolumeKind::Distance, 4, 4, 4);
    other.attachLayers(1, volume, 0);
    EXPECT_EQ(boundFramebuffer(GL_DRAW_FRAMEBUFFER_BINDING), static_cast<GLint>(drawing.fbo()));
    EXPECT_EQ(boundFramebuffer(GL_READ_FRAMEBUFFER_BINDING), static_cast<GLint>(drawing.fbo()));

    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    other.attach(0, nullptr);
    EXPECT_EQ(boundFramebuffer(GL_DRAW_FRAMEBUFFER_BINDING), 0);
}

TEST_F(RenderTargetTest, LayeredAttachmentReachesEveryLayerOfItsLevel) {
    const int side = 4;
    const Texture3D volume(VolumeKind::Distance, side, side, side, 2);
    RenderTarget target;
    target.attachLayers(0, volume, 1);
    EXPECT_EQ(target.slots()[0], static_cast<GLenum>(GL_COLOR_ATTACHMENT0));
    target.bind(side / 2, side / 2);
    EXPECT_EQ(attachmentParameter(GL_COLOR_ATTACHMENT0, GL_FRAMEBUFFER_ATTACHMENT_LAYERED),
              GL_TRUE);
    EXPECT_EQ(attachmentParameter(GL_COLOR_ATTACHMENT0, GL_FRAMEBUFFER_ATTACHMENT_TEXTURE_LEVEL),
              1);

    // One instance per layer, routed by the geometry stage; each layer records its own number.
    const std::string layered = instancedVertexStage() + layerGeometryStage() + R"(
#ifdef fragmentcompile
flat in int layer;
layout (location=0) out float value;
void main() { value = float(layer) + 0.5; }
#endif
)";
    const BuiltProgram built = buildCapturingOutput(layered, "layers", ShaderFlags::HasGeometry);
    ASSERT_TRUE(linked(built.program)) << built.printed;
    Mesh(MeshShape::FullScreenQuad).draw(GL_TRIANGLES, side / 2);

    std::vector<float> texels(static_cast<std::size_t>((side / 2) * (side / 2) * (side / 2)));
    glBindTexture(GL_TEXTURE_3D, volume.id());
    glGetTexImage(GL_TEXTURE_3D, 1, GL_RED, GL_FLOAT, texels.data());
    glBindTexture(GL_TEXTURE_3D, 0);
    for (std::size_t i = 0; i < texels.size(); ++i) {
        EXPECT_EQ(texels[i], static_cast<float>(i / 4) + 0.5f) << i;
    }
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(RenderTargetTest, OwnsItsFramebufferAndMovesIt) {
    GLuint fbo = 0;
    {
        const Texture2D a(ImageKind::Colour, 2, 2);
        RenderTarget target;
        target.attach(0, &a);
        fbo = target.fbo();
        RenderTarget moved = std::move(target);
        EXPECT_EQ(moved.fbo(), fbo);
        EXPECT_EQ(moved.slots()[0], static_cast<GLenum>(GL_COLOR_ATTACHMENT0));
        EXPECT_EQ(target.fbo(), 0u);
        EXPECT_TRUE(glIsFramebuffer(fbo));
    }
    EXPECT_FALSE(glIsFramebuffer(fbo));
}

} // namespace
