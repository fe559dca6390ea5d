#include "gpu/mesh.h"
#include "gpu/render_target.h"
#include "gpu/texture.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class TextureTest : public GlTest {
  protected:
    TextureTest() : GlTest(8, 8) {}
};

GLint parameter(GLenum target, GLuint texture, GLenum name) {
    glBindTexture(target, texture);
    GLint value = -1;
    glGetTexParameteriv(target, name, &value);
    glBindTexture(target, 0);
    return value;
}

GLint levelParameter(GLenum target, GLuint texture, GLint level, GLenum name) {
    glBindTexture(target, texture);
    GLint value = -1;
    glGetTexLevelParameteriv(target, level, name, &value);
    glBindTexture(target, 0);
    return value;
}

GLint boundTexture(GLenum binding) {
    GLint texture = -1;
    glGetIntegerv(binding, &texture);
    return texture;
}

TEST_F(TextureTest, ColourImageConvention) {
    const Texture2D texture(ImageKind::Colour, 5, 3);
    EXPECT_EQ(boundTexture(GL_TEXTURE_BINDING_2D), 0);
    EXPECT_FALSE(texture.depth());
    EXPECT_EQ(texture.width(), 5);
    EXPECT_EQ(texture.height(), 3);
    const GLuint id = texture.id();
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, id, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA32F);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, id, 0, GL_TEXTURE_WIDTH), 5);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, id, 0, GL_TEXTURE_HEIGHT), 3);
    EXPECT_EQ(parameter(GL_TEXTURE_2D, id, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(parameter(GL_TEXTURE_2D, id, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(parameter(GL_TEXTURE_2D, id, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(parameter(GL_TEXTURE_2D, id, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(TextureTest, DepthImageConvention) {
    const Texture2D texture(ImageKind::Depth, 4, 2);
    EXPECT_TRUE(texture.depth());
    const GLuint id = texture.id();
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, id, 0, GL_TEXTURE_INTERNAL_FORMAT),
              GL_DEPTH_COMPONENT32);
    EXPECT_EQ(parameter(GL_TEXTURE_2D, id, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(parameter(GL_TEXTURE_2D, id, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(parameter(GL_TEXTURE_2D, id, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(TextureTest, ColourDataIsUploadedAndResizeKeepsTheFormatBound) {
    const std::vector<Float4> texels{{1.0f, 2.0f, 3.0f, 4.0f}, {-1.0f, 0.5f, 1e6f, 0.0f}};
    Texture2D texture(ImageKind::Colour, 2, 1, texels.front().data());
    EXPECT_EQ(readColour(texture), texels);

    glActiveTexture(GL_TEXTURE3);
    texture.resize(7, 4);
    EXPECT_EQ(boundTexture(GL_TEXTURE_BINDING_2D), static_cast<GLint>(texture.id()));
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(texture.width(), 7);
    EXPECT_EQ(texture.height(), 4);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, texture.id(), 0, GL_TEXTURE_WIDTH), 7);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, texture.id(), 0, GL_TEXTURE_HEIGHT), 4);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, texture.id(), 0, GL_TEXTURE_INTERNAL_FORMAT),
              GL_RGBA32F);

    Texture2D depth(ImageKind::Depth, 2, 2);
    depth.resize(3, 3);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, depth.id(), 0, GL_TEXTURE_INTERNAL_FORMAT),
              GL_DEPTH_COMPONENT32);
    // A zero size is allowed: an empty surface resizes its outputs to nothing.
    texture.resize(0, 0);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, texture.id(), 0, GL_TEXTURE_WIDTH), 0);
    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(TextureTest, DistanceVolumeConvention) {
    const Texture3D volume(VolumeKind::Distance, 8, 6, 4);
    EXPECT_EQ(boundTexture(GL_TEXTURE_BINDING_3D), 0);
    EXPECT_FALSE(volume.mipmapped());
    EXPECT_EQ(volume.depthSize(), 4);
    const GLuint id = volume.id();
    EXPECT_EQ(levelParameter(GL_TEXTURE_3D, id, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_R16F);
    EXPECT_EQ(levelParameter(GL_TEXTURE_3D, id, 0, GL_TEXTURE_WIDTH), 8);
    EXPECT_EQ(levelParameter(GL_TEXTURE_3D, id, 0, GL_TEXTURE_HEIGHT), 6);
    EXPECT_EQ(levelParameter(GL_TEXTURE_3D, id, 0, GL_TEXTURE_DEPTH), 4);
    for (const GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R}) {
        EXPECT_EQ(parameter(GL_TEXTURE_3D, id, wrap), GL_CLAMP_TO_BORDER);
    }
    EXPECT_EQ(parameter(GL_TEXTURE_3D, id, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(parameter(GL_TEXTURE_3D, id, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    GLfloat border[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
    glBindTexture(GL_TEXTURE_3D, id);
    glGetTexParameterfv(GL_TEXTURE_3D, GL_TEXTURE_BORDER_COLOR, border);
    glBindTexture(GL_TEXTURE_3D, 0);
    EXPECT_EQ(border[0], 0.0f);
    EXPECT_EQ(border[3], 0.0f);

    const Texture3D edge(VolumeKind::Distance, 2, 2, 2, 1, VolumeWrap::ClampToEdge);
    for (const GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R}) {
        EXPECT_EQ(parameter(GL_TEXTURE_3D, edge.id(), wrap), GL_CLAMP_TO_EDGE);
    }
    const Texture3D mipmapped(VolumeKind::Distance, 4, 4, 4, 3);
    EXPECT_TRUE(mipmapped.mipmapped());
    EXPECT_EQ(parameter(GL_TEXTURE_3D, mipmapped.id(), GL_TEXTURE_MIN_FILTER),
              GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(TextureTest, CountVolumeConventionWithItsMipChain) {
    const Texture3D single(VolumeKind::Count, 4, 4, 4);
    EXPECT_EQ(levelParameter(GL_TEXTURE_3D, single.id(), 0, GL_TEXTURE_INTERNAL_FORMAT), GL_R32UI);
    EXPECT_EQ(parameter(GL_TEXTURE_3D, single.id(), GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(parameter(GL_TEXTURE_3D, single.id(), GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(parameter(GL_TEXTURE_3D, single.id(), GL_TEXTURE_WRAP_R), GL_CLAMP_TO_BORDER);

    const Texture3D pyramid(VolumeKind::Count, 128, 128, 128, 8);
    EXPECT_TRUE(pyramid.mipmapped());
    EXPECT_EQ(pyramid.levels(), 8);
    EXPECT_EQ(parameter(GL_TEXTURE_3D, pyramid.id(), GL_TEXTURE_MIN_FILTER),
              GL_NEAREST_MIPMAP_NEAREST);
    for (int level = 0; level < 8; ++level) {
        SCOPED_TRACE(level);
        const int side = 128 >> level;
        EXPECT_EQ(levelParameter(GL_TEXTURE_3D, pyramid.id(), level, GL_TEXTURE_WIDTH), side);
        EXPECT_EQ(levelParameter(GL_TEXTURE_3D, pyramid.id(), level, GL_TEXTURE_DEPTH), side);
        EXPECT_EQ(levelParameter(GL_TEXTURE_3D, pyramid.id(), level, GL_TEXTURE_INTERNAL_FORMAT),
                  GL_R32UI);
    }
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

// Fills a 2-voxel volume with 1 through a layered pass, then samples it just outside a face.
float sampleOutside(VolumeWrap wrap) {
    const Texture3D volume(VolumeKind::Distance, 2, 2, 2, 1, wrap);
    RenderTarget target;
    target.attachLayers(0, volume, 0);
    target.bind(2, 2);
    const std::string fill = instancedVertexStage() + layerGeometryStage() + R"(
#ifdef fragmentcompile
layout (location=0) out float value;
void main() { value = 1.0; }
#endif
)";
    const BuiltProgram filler = buildCapturingOutput(fill, "fill", ShaderFlags::HasGeometry);
    Mesh(MeshShape::FullScreenQuad).draw(GL_TRIANGLES, 2);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_3D, volume.id());
    const std::vector<Float4> where{{0.5f, 0.5f, 0.5f, 0.0f}, {-0.5f, 0.5f, 0.5f, 0.0f}};
    const std::vector<Float4> sampled =
        evaluateOnGpu("uniform sampler3D volume;\n", "vec4(texture(volume, x.xyz).r)", where,
                      [](const ShaderProgram& program) { program.setInt("volume", 1); });
    glBindTexture(GL_TEXTURE_3D, 0);
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(sampled[0][0], 1.0f);
    return sampled[1][0];
}

TEST_F(TextureTest, DistanceVolumeFadesToZeroBeyondItsFacesUnlessClampedToEdge) {
    EXPECT_EQ(sampleOutside(VolumeWrap::ClampToBorder), 0.0f);
    EXPECT_EQ(sampleOutside(VolumeWrap::ClampToEdge), 1.0f);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST_F(TextureTest, OwnsItsTextureAndMovesIt) {
    GLuint image = 0, volume = 0;
    {
        Texture2D a(ImageKind::Colour, 2, 2);
        Texture3D v(VolumeKind::Distance, 2, 2, 2);
        image = a.id();
        volume = v.id();
        Texture2D movedImage = std::move(a);
        Texture3D movedVolume = std::move(v);
        EXPECT_EQ(movedImage.id(), image);
        EXPECT_EQ(movedVolume.id(), volume);
        EXPECT_EQ(a.id(), 0u);
        EXPECT_EQ(v.id(), 0u);
        EXPECT_TRUE(glIsTexture(image));
    }
    EXPECT_FALSE(glIsTexture(image));
    EXPECT_FALSE(glIsTexture(volume));
}

} // namespace
