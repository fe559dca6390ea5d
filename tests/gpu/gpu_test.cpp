#include "gpu/pass_state.h"
#include "gpu/ping_pong.h"
#include "gpu/surface_extractor.h"
#include "shaders/shader_texts.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"
#include "tests/support/surface_reference.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>

namespace {

class GpuTest : public GlTest {};

constexpr int n = SurfaceExtractor::baseSize;

TEST_F(GpuTest, EachHashHelperComputesItsFunction) {
    std::string functions;
    for (const char* name : {"rnd.glsl", "dither.glsl", "texel_hash.glsl"})
        functions += std::string(shaderTexts().helper(name)) + "\n";
    std::vector<Float4> small;
    // Hashes amplify the cosine's last bits: at small inputs the CPU keeps about 1e-3 of them.
    for (float i = 0; i < 200; ++i)
        small.push_back({1e-5f * i, 2e-5f * std::fmod(i, 7.0f), 3e-5f * i, -1e-5f * i});
    // Hash channels fract(a cos(b (w . x))) as {a, b, w} in 32-bit floats like the shaders.
    using Hash = std::array<float, 6>;
    for (const auto& [expression, channels] :
         std::vector<std::pair<const char*, std::vector<Hash>>>{
             {"vec4(rnd(x) + 0.5, dither(x.xy, x.z), 0.0, 0.0)",
              {{999.9f, 99.9f, 12.9f, 11.7f, 13.1f, 15.3f},
               {9999.9f, 9.9f, 19.1f, 11.3f, 17.5f, 0}}},
             {"texelHash(x.xy)",
              {{999.9f, 999.9f, 19.9f, 11.1f, 0, 0},
               {999.9f, 999.9f, 13.7f, 15.3f, 0, 0},
               {999.9f, 999.9f, 17.3f, 14.5f, 0, 0},
               {999.9f, 999.9f, 16.9f, 11.3f, 0, 0}}}}) {
        const std::vector<Float4> results = evaluateOnGpu(functions, expression, small);
        int wrong = 0;
        for (size_t i = 0; i < 4 * small.size(); ++i) {
            const Hash h = i % 4 < channels.size() ? channels[i % 4] : Hash{};
            const Float4& x = small[i / 4];
            const float k =
                h[0] * std::cos(h[1] * (h[2] * x[0] + h[3] * x[1] + h[4] * x[2] + h[5] * x[3]));
            // Within 4e-3 around the circle that hashes in [0, 1) live on.
            const float d = std::fabs(results[i / 4][i % 4] - (k - std::floor(k)));
            wrong += std::min(d, 1.0f - d) > 4e-3f;
        }
        EXPECT_EQ(wrong, 0) << expression;
    }
}

// Quads of `field` (as half floats) unlike the reference's in order, quad q at (q % 512, q / 512).
size_t wrongQuads(SurfaceExtractor& extractor, ReferenceVolume& field) {
    const Texture3D volume(VolumeKind::Distance, n, n, n);
    glBindTexture(GL_TEXTURE_3D, volume.id());
    glTexSubImage3D(GL_TEXTURE_3D, 0, 0, 0, 0, n, n, n, GL_RED, GL_FLOAT, field.values.data());
    field.values = readVolume(volume);
    // Layer 0 of the cell codes stands for no slice: what its storage held must not count.
    const std::vector<GLuint> stale(static_cast<size_t>(n) * n, 7u);
    glBindTexture(GL_TEXTURE_3D, extractor.pyramid().id());
    glTexSubImage3D(GL_TEXTURE_3D, 0, 0, 0, 0, n, n, 1, GL_RED_INTEGER, GL_UNSIGNED_INT,
                    stale.data());
    EXPECT_EQ(extractor.extract(volume), 0);
    const std::vector<Float4> cells = readColour(extractor.positionTexture());
    const std::vector<Float4> corners = readColour(extractor.cornerTexture());
    const std::vector<ReferenceQuad> expected = referenceSurface(field);
    EXPECT_EQ(extractor.quadCount(), expected.size());
    size_t wrong = 0;
    for (size_t q = 0; q < std::min<size_t>(expected.size(), extractor.quadCount()); ++q) {
        const size_t width = extractor.positionTexture().width(), row = q / 512, column = q % 512;
        bool same = cells[row * width + column][3] == expected[q].face;
        for (size_t a = 0; a < 3; ++a) {
            same = same && std::fabs(cells[row * width + column][a] - expected[q].cell[a]) < 1e-7f;
            for (size_t k = 0; k < 4; ++k)
                same = same && std::fabs(corners[(4 * row + k) * width + column][a] -
                                         expected[q].corners[k][a]) < 1e-5f;
        }
        wrong += !same;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    return wrong;
}

// Lone positive voxels in a negative volume: 6 quads inside, 1 (towards +x) in the plane x = 0.
ReferenceVolume volumeWithQuads(int quads) {
    ReferenceVolume field(n, -1.0f);
    int placed = 0;
    for (int i = 0; placed + 6 <= quads; ++i, placed += 6)
        field.at(4 + i % 48 * 2, 4 + i / 48 % 48 * 2, 4 + i / 48 / 48 * 2) = 1.0f;
    for (int z = 2; placed < quads; z += 2, ++placed)
        field.at(0, 2, z) = 1.0f;
    return field;
}

class ExtractorTest : public GpuTest, public testing::WithParamInterface<OutputSizing> {};

TEST_P(ExtractorTest, GivesEveryVolumesReferenceQuadsInRankOrderAndRowsByCount) {
    SurfaceExtractor extractor(0, GetParam());
    // `fill`; `values` where min(x,y,z) in box[0..1], max in box[2..3], (x+3y+z) % box[4] == 0.
    const auto random = [](float fill, std::vector<float> values, std::array<int, 5> box) {
        ReferenceVolume field(n, fill);
        std::mt19937 pick(5);
        for (int i = 0; i < n * n * n; ++i) {
            const int x = i % n, y = i / n % n, z = i / n / n, low = std::min({x, y, z});
            const int high = std::max({x, y, z});
            if (low >= box[0] && low <= box[1] && high >= box[2] && high <= box[3] &&
                (x + 3 * y + z) % box[4] == 0)
                field.values[i] = values[pick() % values.size()];
        }
        return field;
    };
    // A volume, its quads (exactly, or more than -quads) and output rows.
    std::vector<std::tuple<ReferenceVolume, int, unsigned>> rows = {
        {random(-1, {-2, -1, -0.5f, 0, 0.25f, 1, 3}, {52, n, 0, 75, 1}), -5000, 0},
        // Edges inside the planes x, y, z = 0 give nothing, towards the neighbours above quads.
        {random(-1, {-1, -1, 0, 0.5f, 2}, {0, 1, 0, 39, 1}), -500, 0},
        // Dual cubes reaching past the upper faces read zero.
        {random(-1, {0.25f, 1, 2}, {88, n, n - 2, n, 4}), -1000, 0},
        {volumeWithQuads(512), 512, 1},
        {volumeWithQuads(1024), 1024, 3},
        {volumeWithQuads(513), 513, 2}};
    for (auto& [field, quads, outputRows] : rows) {
        EXPECT_EQ(wrongQuads(extractor, field), 0u) << quads;
        const unsigned count = extractor.quadCount();
        EXPECT_TRUE(quads < 0 ? count > unsigned(-quads)
                              : count == unsigned(quads) && extractor.quadRows() == outputRows)
            << quads << ": " << count;
    }
    const ShaderProgram program = capturingProgram(
        std::string(shaderTexts().helper("surface_corner.glsl")) +
            "#ifdef vertexcompile\nin float count;\n"
            "void main() { gl_Position = vec4(quadCorner(count), 1.0); }\n#endif\n"
            "#ifdef fragmentcompile\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n#endif\n",
        {"gl_Position"});
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    // After larger ones (whose storage a growing output keeps), drawQuads puts corner k of quad q
    // where the reference does, for triangles (0, 1, 2) and (0, 2, 3).
    ReferenceVolume few = volumeWithQuads(700);
    EXPECT_EQ(wrongQuads(extractor, few), 0u);
    const std::vector<ReferenceQuad> expected = referenceSurface(few);
    program.bind();
    const std::vector<float> drawn =
        captureVertices(GL_TRIANGLES, 4, 6 * 700, [&] { extractor.drawQuads(program, 3); });
    size_t misplaced = drawn.size() == 4 * 6 * 700 ? 0 : 1;
    for (size_t v = 0; v < std::min<size_t>(drawn.size() / 4, 6 * 700); ++v)
        for (size_t a = 0; a < 3; ++a)
            misplaced +=
                std::fabs(drawn[4 * v + a] -
                          expected[v / 6].corners[std::array{0, 1, 2, 0, 2, 3}[v % 6]][a]) > 1e-5f;
    EXPECT_EQ(misplaced, 0u);
    // An empty surface after a full one: an incomplete output target bound, and nothing drawn.
    ReferenceVolume empty(n, 1.0f);
    EXPECT_EQ(wrongQuads(extractor, empty), 0u);
    program.bind();
    EXPECT_TRUE(
        captureVertices(GL_TRIANGLES, 4, 6, [&] { extractor.drawQuads(program, 3); }).empty());
}

INSTANTIATE_TEST_SUITE_P(Sizings, ExtractorTest,
                         testing::Values(OutputSizing::Exact, OutputSizing::GrowOnly),
                         [](const auto& sizing) {
                             return sizing.param == OutputSizing::Exact ? "Exact" : "GrowOnly";
                         });

GLint glInteger(GLenum name, int index = 0) {
    std::array<GLint, 4> values{};
    glGetIntegerv(name, values.data());
    return values[static_cast<size_t>(index)];
}

TEST_F(GpuTest, DrawFirstDrawsTheFirstIndicesOnlyAndAtMostAllOfThem) {
    const ShaderProgram program = capturingProgram(
        "#ifdef vertexcompile\nlayout (location=0) in float v;\nout float captured;\n"
        "void main() { captured = v; gl_Position = vec4(0.0); }\n#else\nvoid main() {}\n#endif\n",
        {"captured"});
    Mesh mesh;
    const std::array<float, 4> values{1, 2, 3, 4};
    const std::array<std::uint32_t, 6> indices{0, 1, 2, 0, 2, 3};
    mesh.setVertices(values.data(), 4, 1);
    mesh.setIndices(indices.data(), 6);
    const auto drawn = [&](int count) {
        return captureVertices(GL_TRIANGLES, 1, 6, [&] { mesh.drawFirst(GL_TRIANGLES, count); });
    };
    EXPECT_EQ(drawn(3), (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(drawn(9), (std::vector<float>{1, 2, 3, 1, 3, 4}));
}

TEST_F(GpuTest, AttachedLayersNameWhatAttachLayersAttachedUntilItsSlotIsAttachedAnew) {
    const Texture3D field(VolumeKind::Distance, 2, 2, 2), counts(VolumeKind::Count, 4, 4, 4, 2);
    const Texture2D image(ImageKind::Colour, 1, 1);
    RenderTarget target;
    const auto named = [&] {
        const AttachedLayers& layers = target.attachedLayers();
        return std::tuple(layers.slot, layers.texture, layers.level, layers.internalFormat);
    };
    EXPECT_EQ(std::get<0>(named()), -1);
    target.attachLayers(0, counts, 1);
    target.attach(1, &image);
    EXPECT_EQ(named(), std::tuple(0, counts.id(), 1, GLenum(GL_R32UI)));
    target.attachLayers(1, field, 0);
    EXPECT_EQ(named(), std::tuple(1, field.id(), 0, GLenum(GL_R16F)));
    target.attach(1, nullptr);
    EXPECT_EQ(std::get<0>(named()), -1);
    target.attachLayers(0, field, 0);
    target.attachLayer(0, field, 0, 1);
    EXPECT_EQ(std::get<0>(named()), -1);
}

TEST_F(GpuTest, BeginPassSetsAllTheStateItNamesAndClearsWhatItNames) {
    // Two colour images and a depth image at 1 x 1, and a count layer; each marked before a pass.
    const Texture2D a(ImageKind::Colour, 1, 1), b(ImageKind::Colour, 1, 1);
    const Texture2D depth(ImageKind::Depth, 1, 1);
    const Texture3D counts(VolumeKind::Count, 1, 1, 1);
    RenderTarget both, countTarget;
    both.attach(0, &a);
    both.attach(1, &b);
    both.attachDepth(&depth);
    countTarget.attachLayer(0, counts, 0, 0);
    // What each pass must find other than its own: the opposite function and face.
    const auto mark = [&] {
        glDepthFunc(GL_LESS);
        glCullFace(GL_FRONT);
        const Float4 half = {0.5f, 0.5f, 0.5f, 0.5f};
        for (const Texture2D* image : {&a, &b, &depth}) {
            glBindTexture(GL_TEXTURE_2D, image->id());
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 1, 1,
                            image->depth() ? GL_DEPTH_COMPONENT : GL_RGBA, GL_FLOAT, half.data());
        }
        const GLuint seven = 7;
        glBindTexture(GL_TEXTURE_3D, counts.id());
        glTexSubImage3D(GL_TEXTURE_3D, 0, 0, 0, 0, 1, 1, 1, GL_RED_INTEGER, GL_UNSIGNED_INT,
                        &seven);
    };
    // Beside the state itself: the blend factors (0 while off), images a, b, depth and the count.
    struct Row {
        PassState state;
        std::array<GLint, 2> blend;
        std::array<float, 3> images;
        GLuint count;
    };
    const Blend additive{BlendFactor::SourceAlpha, BlendFactor::One};
    const Blend under{BlendFactor::OneMinusSourceAlpha, BlendFactor::One};
    // clang-format off
    const std::vector<Row> rows = {
        {{&both, 2, 3, 2, DepthTest::LessOrEqual, true, additive, Culling::BackFaces, ColourClear::Zero, true},
         {GL_SRC_ALPHA, GL_ONE}, {0.0f, 0.0f, 1.0f}, 7},
        {{windowFramebuffer, 5, 4, 1, DepthTest::Off, false, std::nullopt, Culling::Off}, {0, 0}, {0.5f, 0.5f, 0.5f}, 7},
        // Depth clears even where the pass itself does not write depth.
        {{&both, 1, 2, 1, DepthTest::LessOrEqual, false, under, Culling::BackFaces, ColourClear::Keep, true},
         {GL_ONE_MINUS_SRC_ALPHA, GL_ONE}, {0.5f, 0.5f, 1.0f}, 7},
        {{&countTarget, 1, 1, 1, DepthTest::Off, true, std::nullopt, Culling::BackFaces, ColourClear::ZeroUnsigned},
         {0, 0}, {0.5f, 0.5f, 0.5f}, 0}};
    // clang-format on
    for (const auto& [state, blend, images, count] : rows) {
        SCOPED_TRACE(images[2] + 2 * count);
        mark();
        beginPass(state);
        EXPECT_EQ(glInteger(GL_DRAW_FRAMEBUFFER_BINDING),
                  GLint(state.target ? state.target->fbo() : 0));
        EXPECT_EQ(glInteger(GL_VIEWPORT, 2), state.width);
        EXPECT_EQ(glInteger(GL_VIEWPORT, 3), state.height);
        for (int i = 0; state.target && i < 2; ++i)
            EXPECT_EQ(glInteger(GL_DRAW_BUFFER0 + i),
                      i < state.drawBuffers ? GL_COLOR_ATTACHMENT0 + i : GL_NONE);
        const bool depthTest = state.depthTest != DepthTest::Off,
                   culling = state.culling != Culling::Off;
        EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST), GLboolean(depthTest));
        EXPECT_EQ(glInteger(GL_DEPTH_FUNC), depthTest ? GL_LEQUAL : GL_LESS);
        EXPECT_EQ(glInteger(GL_DEPTH_WRITEMASK), GLint(state.depthWrite));
        EXPECT_EQ(glIsEnabled(GL_BLEND), GLboolean(blend[0] != 0));
        if (blend[0] != 0) {
            EXPECT_EQ((std::array{glInteger(GL_BLEND_SRC_RGB), glInteger(GL_BLEND_SRC_ALPHA)}),
                      (std::array{blend[0], blend[0]}));
            EXPECT_EQ((std::array{glInteger(GL_BLEND_DST_RGB), glInteger(GL_BLEND_DST_ALPHA)}),
                      (std::array{blend[1], blend[1]}));
        }
        EXPECT_EQ(glIsEnabled(GL_CULL_FACE), GLboolean(culling));
        EXPECT_EQ(glInteger(GL_CULL_FACE_MODE), culling ? GL_BACK : GL_FRONT);
        EXPECT_EQ((std::array{readColour(a)[0][0], readColour(b)[0][3], readDepth(depth)[0]}),
                  images);
        GLuint counted = 0;
        glBindTexture(GL_TEXTURE_3D, counts.id());
        glGetTexImage(GL_TEXTURE_3D, 0, GL_RED_INTEGER, GL_UNSIGNED_INT, &counted);
        EXPECT_EQ(counted, count);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
    // Refused before anything changes: more outputs than the window has or the target has
    // attached, or a negative size.
    RenderTarget one;
    one.attach(0, &a);
    for (const PassState& wrong : {PassState{windowFramebuffer, 1, 1, 2}, PassState{&one, 1, 1, 2},
                                   PassState{&one, 1, 1, -1}, PassState{&both, -1, 1}}) {
        EXPECT_THROW(beginPass(wrong), std::invalid_argument);
        EXPECT_EQ(glInteger(GL_DRAW_FRAMEBUFFER_BINDING), GLint(countTarget.fbo()));
    }
    // A ping-pong side with no image has nothing for a step to write.
    EXPECT_THROW(PingPong(1, 1, 0), std::invalid_argument);
}

} // namespace
