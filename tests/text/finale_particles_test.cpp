#include "gpu/render_target.h"
#include "scenes/pass_setup.h"
#include "shaders/shader_texts.h"
#include "tests/text/finale_fixture.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

constexpr int side = 16;

// A synthetic volume, linear in x and y with texel values in 1/128ths (exact as half floats).
double linearField(const Ray& g) {
    const auto edge = [](double x) { return std::clamp(x, 0.5 / side, 1.0 - 0.5 / side); };
    return -0.25 + 0.5 * edge(g[0]) - 0.25 * edge(g[1]);
}

class ParticlePassTest : public GlTest {};

TEST_F(ParticlePassTest, SeedAndStepAreTheReferenceAtEveryTexel) {
    Texture3D volume(VolumeKind::Distance, side, side, side, 1, VolumeWrap::ClampToEdge);
    std::vector<float> values;
    for (int i = 0; i < side * side * side; ++i)
        values.push_back(
            float(linearField({(i % side + 0.5) / side, (i / side % side + 0.5) / side})));
    glBindTexture(GL_TEXTURE_3D, volume.id());
    glTexSubImage3D(GL_TEXTURE_3D, 0, 0, 0, 0, side, side, side, GL_RED, GL_FLOAT, values.data());
    const Mesh quad(MeshShape::FullScreenQuad);
    // What a pass writes over the particle texture from `state`, the volume on unit 1.
    const auto run = [&](const ShaderProgram& program, const std::vector<Float4>& state, float t) {
        const Texture2D input(ImageKind::Colour, side, side, state.front().data()),
            output(ImageKind::Colour, side, side);
        RenderTarget target;
        target.attach(0, &output);
        target.bind(side, side);
        bindTexture(0, GL_TEXTURE_2D, input.id());
        bindTexture(1, GL_TEXTURE_3D, volume.id());
        program.bind();
        program.setInt("sdf", 1);
        program.setFloat("t", t);
        quad.draw(GL_TRIANGLES);
        return readColour(output);
    };
    // Each texel's hash, through the passes' own vertex stage.
    const std::vector<Float4> hash =
        run(ShaderProgram::fromText(std::string(shaderTexts().helper("full_screen_texcoord.glsl")) +
                                        std::string(shaderTexts().helper("texel_hash.glsl")) +
                                        "#ifdef fragmentcompile\nout vec4 o;\nvoid main() { o = "
                                        "texelHash(uv); }\n#endif\n",
                                    "hash"),
            std::vector<Float4>(side * side), 0.0f);
    // Where a particle is in the volume (gx, gy; gz 0.5): far above the surface (0.15), just
    // outside and inside the steering band (0.0065, 0.0055), above the surface (0.003), inside
    // the shape (-0.002, the step reversed), beyond the cube (the edge's value and no slope).
    const Ray rows[] = {{0.85, 0.1},  {0.763, 0.5}, {0.761, 0.5},
                        {0.756, 0.5}, {0.746, 0.5}, {10.5, 8.25}};
    // Lives that go on, reach exactly 0 (no respawn) and run out (respawn at the emitter).
    const float lives[] = {1.0f, 0.005f, 0.001f, 0.001f};
    std::vector<Float4> state;
    for (int i = 0; i < side * side; ++i) {
        const Ray& g = rows[i / 4 % 6];
        state.push_back({float(10 * g[0] - 5), float(17.5 + 10 * g[1]), -5.0f, lives[i % 4]});
    }
    // The emitter near x = 4, where the field is positive: respawned particles drift freely.
    const float t = 132.2f;
    const std::vector<Float4> seeded = run(ShaderProgram(107), hash, 0.0f),
                              stepped = run(ShaderProgram(110), state, t);
    int wideRespawns = 0;
    for (size_t i = 0; i < stepped.size(); ++i) {
        const Double4 seed = particleSeedReference(wide(hash[i])),
                      step = particleStepReference(wide(state[i]), t, wide(hash[i]), linearField);
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(seeded[i][c], seed[c], 2e-4 + 1e-5 * std::fabs(seed[c])) << i;
            EXPECT_NEAR(stepped[i][c], step[c], 2e-4 + 1e-5 * std::fabs(step[c]))
                << "row " << i / 4 % 6 << ", life " << state[i][3];
        }
        wideRespawns += state[i][3] < 0.005f && hash[i][2] > 0.97f;
    }
    EXPECT_GT(wideRespawns, 0) << "no particle took the wide respawn";
}

TEST_F(FinaleSceneTest, StepsFrom131IntoTheOtherTextureAndTakesStepsBack) {
    const GLuint seedTexture = scene().currentParticles().id();
    const std::vector<Float4> seeded = particles();
    // A frame rendered between two frames of the clock has its step taken back afterwards.
    for (const double t : {130.99, 131.0}) {
        scene().update(t);
        EXPECT_EQ(particles() != seeded, t >= 131.0) << t;
        scene().takeBackStep(t);
        EXPECT_EQ(particles(), seeded) << t;
    }
    scene().update(131.0);
    EXPECT_NE(scene().currentParticles().id(), seedTexture);
    const std::vector<Float4> first = particles();
    // All age; beyond the field's cube the edge's values (no surface there) let them drift -z.
    double aged = 0.0, drift = 0.0, free = 0.0;
    for (size_t i = 0; i < first.size(); ++i) {
        aged += first[i][3] == seeded[i][3] - 0.005f;
        const bool out = std::max({std::fabs(seeded[i][0]), std::fabs(seeded[i][1] - 22.5f),
                                   std::fabs(seeded[i][2] + 5.0f)}) > 5.2f;
        free += out;
        drift += out * (first[i][2] - seeded[i][2]);
    }
    EXPECT_EQ(aged, first.size());
    EXPECT_NEAR(drift / free, -0.2, 0.05);
    scene().fastForward(131.0 + 1.0 / 60.0);
    EXPECT_EQ(scene().currentParticles().id(), seedTexture);
    EXPECT_EQ(particles()[997][3], first[997][3] - 0.005f);
}

TEST_F(FinaleSceneTest, DrawsLivingParticlesWithin20OfTheText) {
    // One particle among dead ones, seen from 20 units in front of the text region at a moment
    // with nothing else in view: with a life of 0 (size 0) or beyond 20 units of (0, 22, -6)
    // (alpha below 0) it adds nothing to the sky, else hsltorgb(350, 0.32, 0.3) = 0.332 red.
    const Camera camera{{0.0, 22.0, 14.0}, {0.0, 0.0}};
    for (const Float4& one : {Float4{0.0f, 22.0f, -6.0f, 0.0f}, Float4{0.0f, 22.0f, -26.5f, 1.0f},
                              Float4{0.0f, 22.0f, -6.0f, 1.0f}}) {
        setParticles({0.0f, 22.0f, -6.0f, 0.0f}, one);
        drawAt(scene(), 140.0, camera);
        if (one[3] == 0.0f || one[2] < -6.0f)
            expectEmptySky(140.0, camera);
        else
            EXPECT_GT(pixelAt(width / 2, height / 2)[0], 0.3 * 255);
    }
}

} // namespace
