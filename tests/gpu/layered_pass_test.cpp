#include "gpu/layered_pass.h"
#include "gpu/mesh.h"
#include "gpu/render_target.h"
#include "gpu/shader_program.h"
#include "gpu/texture.h"
#include "shaders/shader_resource.h"
#include "shaders/shader_texts.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class LayeredPassTest : public GlTest {
  protected:
    LayeredPassTest() : GlTest(8, 8) {}
};

// A volume program from the shared stages and a fragment stage writing `value` (a float of ppos).
ShaderProgram volumeProgram(const std::string& value, const std::string& defines = "") {
    const std::string text = defines + std::string(shaderTexts().helper("layered_pass.glsl")) +
                             "\n#ifdef fragmentcompile\n"
                             "layout (location=0) out float outvalue;\n"
                             "void main() { vec3 ppos = fragmentIn.ppos; outvalue = " +
                             value + "; }\n#endif\n";
    BuiltProgram built = buildCapturingOutput(text, "layered", ShaderFlags::HasGeometry);
    EXPECT_TRUE(linked(built.program)) << built.printed;
    EXPECT_EQ(built.printed, "");
    return std::move(built.program);
}

// Runs `program` over every layer of an n^3 volume first cleared to `clear`; with `accumulate`
// each write adds to the texel instead of replacing it.
std::vector<float> renderLayers(const ShaderProgram& program, int n, float clear,
                                bool accumulate = false) {
    const Texture3D volume(VolumeKind::Distance, n, n, n);
    RenderTarget target;
    target.attachLayers(0, volume, 0);
    target.bind(n, n);
    const float clearValue[4] = {clear, 0.0f, 0.0f, 0.0f};
    glClearBufferfv(GL_COLOR, 0, clearValue);
    if (accumulate) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
    }
    const Mesh quad(MeshShape::FullScreenQuad);
    runLayeredPass(target, program, quad, n);
    glDisable(GL_BLEND);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    return readVolume(volume);
}

size_t texelIndex(int n, int x, int y, int layer) {
    return (static_cast<size_t>(layer) * n + y) * n + x;
}

TEST_F(LayeredPassTest, EveryLayerIsWrittenExactlyOnce) {
    const ShaderProgram program = volumeProgram("1.0");
    const int n = 128;
    const std::vector<float> writes = renderLayers(program, n, 0.0f, true);
    size_t wrong = 0;
    for (float w : writes)
        wrong += w != 1.0f;
    EXPECT_EQ(wrong, 0u);
}

TEST_F(LayeredPassTest, FragmentsSeeTexelCentresAndTheLayersLowerFace) {
    const int n = 128;
    const std::vector<float> z = renderLayers(volumeProgram("ppos.z"), n, -1.0f);
    const std::vector<float> x = renderLayers(volumeProgram("ppos.x"), n, -1.0f);
    const std::vector<float> y = renderLayers(volumeProgram("ppos.y"), n, -1.0f);
    // Multiples of 1/256 are exact in half floats, so every texel compares exactly.
    size_t wrong = 0;
    for (int layer = 0; layer < n; ++layer)
        for (int row = 0; row < n; ++row)
            for (int column = 0; column < n; ++column) {
                const size_t i = texelIndex(n, column, row, layer);
                wrong += z[i] != static_cast<float>(layer) / n;
                wrong += x[i] != (column + 0.5f) / n;
                wrong += y[i] != (row + 0.5f) / n;
            }
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(z[texelIndex(n, 0, 0, 0)], 0.0f);
    EXPECT_EQ(z[texelIndex(n, 9, 3, 127)], 127.0f / 128.0f);
    const size_t corner = texelIndex(n, 0, 0, 5);
    EXPECT_EQ(x[corner], 0.5f / 128.0f);
    EXPECT_EQ(y[corner], 0.5f / 128.0f);
    EXPECT_EQ(z[corner], 5.0f / 128.0f);
}

TEST_F(LayeredPassTest, SizeUniformFollowsTheTarget) {
    const int n = 16;
    const std::vector<float> z = renderLayers(volumeProgram("ppos.z"), n, -1.0f);
    for (int layer = 0; layer < n; ++layer)
        EXPECT_EQ(z[texelIndex(n, 7, 11, layer)], static_cast<float>(layer) / n) << layer;
}

// The classification's variant: instance i writes layer size - i at the slice centre
// (i + 0.5) / size, and instance 0, whose layer lies past the last, writes nowhere.
TEST_F(LayeredPassTest, ReversedVariantDropsTheInstanceOutsideTheTarget) {
    const std::string reversed = "#define LAYER_OF(instance) (int(size) - (instance))\n"
                                 "#define LAYER_Z(instance) ((float(instance) + 0.5) / size)\n";
    const int n = 128;
    const std::vector<float> writes = renderLayers(volumeProgram("1.0", reversed), n, 0.0f, true);
    const std::vector<float> z = renderLayers(volumeProgram("ppos.z", reversed), n, -1.0f);
    size_t wrong = 0;
    for (int layer = 0; layer < n; ++layer)
        for (int row = 0; row < n; row += 9)
            for (int column = 0; column < n; column += 7) {
                const size_t i = texelIndex(n, column, row, layer);
                wrong += writes[i] != (layer == 0 ? 0.0f : 1.0f);
                wrong += z[i] != (layer == 0 ? -1.0f : (n - layer + 0.5f) / n);
            }
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(writes[texelIndex(n, 3, 4, 127)], 1.0f);
    EXPECT_EQ(z[texelIndex(n, 3, 4, 127)], 1.5f / 128.0f);
}

} // namespace
