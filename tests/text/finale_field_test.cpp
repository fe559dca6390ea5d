#include "shaders/shader_texts.h"
#include "tests/text/finale_fixture.h"

#include <cmath>
#include <string>

namespace {

TEST_F(FinaleSceneTest, EveryVoxelOfTheFieldIsTheReference) {
    // The blobs' two hashes as the GPU forms them: the last bits of its cosine decide them.
    std::vector<Float4> blobIndices;
    for (int i = 0; i < 58; ++i)
        blobIndices.push_back({float(i / 2), float(i % 2), 0.0f, 0.0f});
    const std::vector<Float4> hashes = evaluateOnGpu(
        "vec4 h(vec4 s) { return fract(999.9 * cos(99.9 * s)) - 0.5; }",
        "x.y < 0.5 ? h(vec4(19.9 + 29.1 * x.x, 15.3 + 27.3 * x.x, 11.5 + 25.7 * x.x, 19.1 + "
        "17.9 * x.x)) : h(vec4(12.2 + 31.3 * x.x, 17.4 + 34.6 * x.x, 14.2 + 31.5 * x.x, 11.9 + "
        "16.7 * x.x))",
        blobIndices);
    const std::vector<float> text = creditsFieldReference();
    const int size = FinaleScene::volumeSize;
    // The blobs rising and risen; then each of the six lines at a point of its wipe.
    for (const float t : {101.3f, 127.9f, 139.0f, 152.0f, 164.0f, 175.5f, 185.5f, 192.0f}) {
        SCOPED_TRACE(t);
        scene().update(t);
        const std::vector<float> built = readVolume(scene().volume());
        std::vector<Double4> blobs;
        for (int i = 0; t < 135.0f && i < 29; ++i)
            blobs.push_back(blobReference(wide(hashes[2 * i]), wide(hashes[2 * i + 1]), i, t));
        // Per voxel the reference, or the two where a text sample falls on a texel border.
        std::vector<std::pair<size_t, std::array<double, 2>>> expected;
        std::vector<Float4> seeds;
        for (size_t i = 0; i < built.size(); ++i) {
            const Ray p = {(i % size + 0.5) / size - 0.5, (i / size % size + 0.5) / size - 0.5,
                           double(i / size / size) / size - 0.5};
            const std::array<double, 2> k = t < 135.0f
                                                ? std::array{blobFieldReference(blobs, p), 0.0}
                                                : std::array{textFieldReference(p, t, text, -1e-3),
                                                             textFieldReference(p, t, text, 1e-3)};
            // Beyond what the half-float volume holds; of the text, near the shape and every
            // 23rd voxel elsewhere.
            if (t < 135.0f ? std::fabs(k[0]) >= 3.0e4
                           : std::min(k[0], k[1]) > 0.05 && std::fabs(built[i]) > 0.05 && i % 23)
                continue;
            expected.push_back({i, {k[0], t < 135.0f ? k[0] : k[1]}});
            const Double4 s = textNoiseSeed(p, t);
            if (t >= 135.0f)
                seeds.push_back({float(s[0]), float(s[1]), float(s[2]), float(s[3])});
        }
        // The text field's noise, 0.03 prl at its seed.
        const std::vector<Float4> noise =
            seeds.empty()
                ? seeds
                : evaluateOnGpu(shaderTexts().helper("prl.glsl"), "vec4(0.03 * prl(x))", seeds);
        int wrong = 0;
        for (size_t n = 0; n < expected.size(); ++n) {
            const auto& [voxel, k] = expected[n];
            const double seen = built[voxel] - (noise.empty() ? 0.0 : noise[n][0]);
            // The half-float volume's rounding.
            const auto near = [&](double r) {
                return std::fabs(seen - r) <= std::fabs(r) / 1024 + 1e-3;
            };
            if (!near(k[0]) && !near(k[1]) && ++wrong <= 5)
                ADD_FAILURE() << "voxel " << voxel << ": " << seen << ", reference " << k[0];
        }
        EXPECT_EQ(wrong, 0);
    }
}

} // namespace
