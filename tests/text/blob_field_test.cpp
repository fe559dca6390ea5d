#include "text/blob_field.h"

#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string_view>
#include <vector>

namespace {

constexpr int size = 128;

// The field as written per voxel: every blob's hash, wobble, pulse and rise worked out again at
// the voxel itself.
constexpr std::string_view perVoxelField = R"(
vec4 hashOf(vec4 seed) {
    return fract(999.9 * cos(99.9 * seed)) - 0.5;
}
float field(vec3 p, float t) {
    float k = 100.0;
    for (int i = 0; i < 29; i++) {
        float fi = float(i);
        vec3 q = p + vec3(0.0, max(0.01, 5.0 * exp(100.0 - t + fi)), 0.0);
        vec4 r1 = hashOf(vec4(19.9 + 29.1 * fi, 15.3 + 27.3 * fi, 11.5 + 25.7 * fi,
                              19.1 + 17.9 * fi));
        vec4 r2 = hashOf(vec4(12.2 + 31.3 * fi, 17.4 + 34.6 * fi, 14.2 + 31.5 * fi,
                              11.9 + 16.7 * fi));
        vec3 a = vec3(r2.x, r2.y, 0.0);
        a.xz = vec2(a.x * cos(r2.z + t) + a.z * sin(r2.z + t),
                    a.x * sin(t - r2.z) + a.z * cos(r2.z + t));
        a.yz = vec2(a.y * cos(r2.w + t) + a.z * sin(r2.w + t),
                    a.y * sin(t - r2.w) + a.z * cos(r2.w + t));
        vec3 c = r1.xyz + 0.4 * a;
        c.y += 0.1 * sin(20.0 * r2.x + 0.5 * t);
        vec3 d = 0.5 * c - q;
        k -= 0.3 * (0.6 + 0.4 * sin(20.0 * r1.w + t)) / dot(d, d);
    }
    return k;
}
)";

class BlobFieldTest : public GlTest {};

TEST_F(BlobFieldTest, IsThePerVoxelFormulaAtManyVoxelsAndMoments) {
    const Mesh quad(MeshShape::FullScreenQuad);
    const BlobField field(quad);
    const Texture3D volume(VolumeKind::Distance, size, size, size);
    RenderTarget target;
    target.attachLayers(0, volume, 0);
    // All below the cube, the first ones rising, all risen and wobbling, just before the text.
    for (const float t : {99.0f, 101.3f, 104.7f, 112.25f, 127.9f, 134.99f}) {
        glDisable(GL_DEPTH_TEST);
        field.build(t, target, size);
        const std::vector<float> built = readVolume(volume);
        // A coarse grid everywhere, and every voxel in or near a blob.
        std::vector<std::size_t> voxels;
        std::vector<Float4> points;
        for (std::size_t i = 0; i < built.size(); ++i) {
            const int x = static_cast<int>(i % size);
            const int y = static_cast<int>(i / size % size);
            const int z = static_cast<int>(i / size / size);
            if (std::fabs(built[i]) > 20.0f && (x % 7 || y % 7 || z % 7))
                continue;
            voxels.push_back(i);
            points.push_back({(x + 0.5f) / size - 0.5f, (y + 0.5f) / size - 0.5f,
                              static_cast<float>(z) / size - 0.5f, t});
        }
        const std::vector<Float4> reference =
            evaluateOnGpu(perVoxelField, "field(x.xyz, x.w), 0.0, 0.0, 0.0", points);
        int wrong = 0;
        int inside = 0;
        for (std::size_t n = 0; n < voxels.size(); ++n) {
            const float expected = reference[n][0];
            const float seen = built[voxels[n]];
            // Beyond what the half-float volume holds.
            if (std::fabs(expected) > 3.0e4f)
                continue;
            inside += expected < 0.0f;
            // The volume's half-float rounding, and a voxel centre a float step off near a surface.
            if (!(std::fabs(seen - expected) <= std::fabs(expected) / 1024.0f + 1.0e-3f) &&
                ++wrong <= 5)
                ADD_FAILURE() << "t = " << t << ", voxel " << voxels[n] << ": " << seen
                              << ", per voxel " << expected;
        }
        EXPECT_EQ(wrong, 0) << "t = " << t;
        EXPECT_EQ(inside > 100, t > 104.0f) << "t = " << t << ": " << inside << " inside";
    }
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

} // namespace
