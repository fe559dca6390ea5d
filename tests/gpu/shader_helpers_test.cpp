#include "shaders/shader_resource.h"
#include "shaders/shader_texts.h"
#include "tests/support/frame_reference.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace {

// CPU references, in 32-bit floats like the shaders.
float fract(float x) {
    return x - std::floor(x);
}

// The shared double-precision colour references, in the form the GPU results come in.
Float4 asFloat4(const Rgb& rgb) {
    return {static_cast<float>(rgb.r), static_cast<float>(rgb.g), static_cast<float>(rgb.b), 0.0f};
}

float smooth(float t) {
    return t * t * (3.0f - 2.0f * t);
}

float mix2(float a, float b, float t) {
    return a + (b - a) * smooth(t);
}

float rnd(const Float4& seed) {
    const float dot = 12.9f * seed[0] + 11.7f * seed[1] + 13.1f * seed[2] + 15.3f * seed[3];
    return fract(999.9f * std::cos(99.9f * dot)) - 0.5f;
}

float box(const Float4& v, const Float4& pos, const Float4& size) {
    float result = -INFINITY;
    for (std::size_t i = 0; i < 3; ++i) {
        result = std::max(result, std::fabs(v[i] - pos[i]) - size[i]);
    }
    return result;
}

Float4 curl(const Float4& p, float s) {
    const float shift = 0.05f * s;
    const float dx = std::cos(p[0] + shift), dy = std::cos(p[1] + shift),
                dz = std::cos(p[2] + shift);
    return {dy - dz, dz - dx + 0.1f, dx - dy, 0.0f};
}

Float4 texelHash(float x, float y) {
    const float mixed[4] = {19.9f * x + 11.1f * y, 13.7f * x + 15.3f * y, 17.3f * x + 14.5f * y,
                            16.9f * x + 11.3f * y};
    Float4 hash{};
    for (std::size_t i = 0; i < 4; ++i) {
        hash[i] = fract(999.9f * std::cos(999.9f * mixed[i]));
    }
    return hash;
}

float dither(float x, float y, float t) {
    return fract(9999.9f * std::cos(9.9f * (19.1f * x + 11.3f * y + 17.5f * t)));
}

// Hashes amplify the last bits of a cosine and keep about 1e-3 of resolution after the final
// multiply (a float near 10000); values in [0, 1) compare on the circle.
constexpr float hashTolerance = 4e-3f;

float circularDistance(float a, float b) {
    const float d = std::fabs(a - b);
    return std::min(d, 1.0f - d);
}

std::string helpers(std::initializer_list<const char*> names) {
    std::string text;
    for (const char* name : names) {
        text += shaderTexts().helper(name);
        text += "\n";
    }
    return text;
}

class ShaderHelpersTest : public GlTest {
  protected:
    ShaderHelpersTest() : GlTest(4, 4) {}
};

void expectNear(const Float4& actual, const Float4& expected, float tolerance,
                const std::string& where) {
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(actual[i], expected[i], tolerance) << where << " channel " << i;
    }
}

TEST_F(ShaderHelpersTest, HsltorgbMatchesEverySectorAndBeyond) {
    std::vector<Float4> inputs;
    for (const float hue :
         {-400.0f, -360.0f, -90.0f, -60.0f, -30.0f, -0.5f,  0.0f,   15.0f,  30.0f,  45.0f,
          59.5f,   60.0f,   75.0f,  90.0f,  119.0f, 120.0f, 135.0f, 150.0f, 180.0f, 200.0f,
          239.0f,  240.0f,  260.0f, 270.0f, 299.0f, 300.0f, 315.0f, 330.0f, 359.0f, 359.9f,
          360.0f,  361.0f,  390.0f, 420.0f, 480.0f, 540.0f, 719.0f, 720.0f, 1000.0f}) {
        for (const float s : {0.0f, 0.35f, 1.0f}) {
            for (const float l : {0.0f, 0.2f, 0.5f, 0.85f, 1.0f}) {
                inputs.push_back({hue, s, l, 0.0f});
            }
        }
    }
    const std::string functions = helpers({"hsltorgb.glsl"});
    const auto plain = evaluateOnGpu(functions, "vec4(hsltorgb(x.xyz), 0.0)", inputs);
    const auto wrapped = evaluateOnGpu(functions, "vec4(hsltorgbWrapped(x.xyz), 0.0)", inputs);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const auto& [hue, s, l, unused] = inputs[i];
        const std::string where = "hsl (" + std::to_string(hue) + ", " + std::to_string(s) + ", " +
                                  std::to_string(l) + ")";
        expectNear(plain[i], asFloat4(hslToRgb(hue, s, l)), 1e-5f, "plain " + where);
        expectNear(wrapped[i], asFloat4(hslToRgbWrapped(hue, s, l)), 1e-5f, "wrapped " + where);
    }
}

TEST_F(ShaderHelpersTest, HsltorgbNamedColours) {
    const std::vector<Float4> inputs{{0.0f, 0.0f, 0.3f, 0.0f},   {200.0f, 0.0f, 0.7f, 0.0f},
                                     {120.0f, 1.0f, 0.5f, 0.0f}, {0.0f, 1.0f, 0.25f, 0.0f},
                                     {420.0f, 1.0f, 0.5f, 0.0f}, {-60.0f, 1.0f, 0.5f, 0.0f},
                                     {360.0f, 1.0f, 0.5f, 0.0f}, {0.0f, 1.0f, 0.5f, 0.0f}};
    const std::string functions = helpers({"hsltorgb.glsl"});
    const auto plain = evaluateOnGpu(functions, "vec4(hsltorgb(x.xyz), 0.0)", inputs);
    const auto wrapped = evaluateOnGpu(functions, "vec4(hsltorgbWrapped(x.xyz), 0.0)", inputs);
    constexpr float e = 1e-6f;
    expectNear(plain[0], {0.3f, 0.3f, 0.3f, 0.0f}, e, "grey without saturation");
    expectNear(plain[1], {0.7f, 0.7f, 0.7f, 0.0f}, e, "grey whatever the hue");
    expectNear(plain[2], {0.0f, 1.0f, 0.0f, 0.0f}, e, "pure green");
    // The offset is L - S/2, which differs from L - C/2 away from L = 0.5.
    expectNear(plain[3], {0.25f, -0.25f, -0.25f, 0.0f}, e, "offset by L - S/2");
    // Past 360 the plain form stays in the last sector, the wrapping one goes round.
    expectNear(plain[4], {1.0f, 0.0f, 1.0f, 0.0f}, e, "plain 420");
    expectNear(wrapped[4], {1.0f, 1.0f, 0.0f, 0.0f}, e, "wrapped 420 = 60");
    expectNear(plain[5], {1.0f, 1.0f, 0.0f, 0.0f}, e, "plain -60 in the first sector");
    expectNear(wrapped[5], {1.0f, 0.0f, 1.0f, 0.0f}, e, "wrapped -60 = 300");
    expectNear(wrapped[6], wrapped[7], e, "wrapped 360 = 0");
}

TEST_F(ShaderHelpersTest, Mix2BothForms) {
    std::vector<Float4> inputs;
    for (const float a : {-2.0f, 0.5f, 3.0f}) {
        for (const float b : {-1.0f, 0.0f, 7.0f}) {
            for (const float t : {-0.5f, 0.0f, 0.25f, 0.5f, 0.75f, 1.0f, 1.5f}) {
                inputs.push_back({a, b, t, 0.0f});
            }
        }
    }
    // Both forms in one text: overloads by argument type.
    const auto results = evaluateOnGpu(
        helpers({"mix2.glsl", "mix2_vec3.glsl"}),
        "vec4(mix2(x.x, x.y, x.z), mix2(vec3(x.x, 1.0, 2.0), vec3(x.y), x.z))", inputs);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const auto& [a, b, t, unused] = inputs[i];
        const float s = smooth(t);
        const std::string where =
            "a " + std::to_string(a) + " b " + std::to_string(b) + " t " + std::to_string(t);
        EXPECT_NEAR(results[i][0], mix2(a, b, t), 1e-5f) << where;
        // The vec3 form gives a at t = 1 and b at t = 0.
        EXPECT_NEAR(results[i][1], a * s + b * (1.0f - s), 1e-5f) << where;
        EXPECT_NEAR(results[i][2], 1.0f * s + b * (1.0f - s), 1e-5f) << where;
        EXPECT_NEAR(results[i][3], 2.0f * s + b * (1.0f - s), 1e-5f) << where;
    }
}

TEST_F(ShaderHelpersTest, RndMatchesItsFormulaAndStaysInRange) {
    // Small seeds keep the cosine's argument small enough to compare with the CPU.
    std::vector<Float4> small;
    for (int i = 0; i < 200; ++i) {
        small.push_back({0.00001f * static_cast<float>(i % 7), 0.00002f * static_cast<float>(i),
                         0.00003f * static_cast<float>(i % 13), 0.00001f * static_cast<float>(i)});
    }
    const std::string functions = helpers({"rnd.glsl"});
    const auto results = evaluateOnGpu(functions, "vec4(rnd(x))", small);
    for (std::size_t i = 0; i < small.size(); ++i) {
        EXPECT_LT(circularDistance(results[i][0] + 0.5f, rnd(small[i]) + 0.5f), hashTolerance) << i;
    }

    std::vector<Float4> wide;
    for (int i = 0; i < 512; ++i) {
        const float f = static_cast<float>(i);
        wide.push_back({f * 0.37f - 90.0f, f * 0.11f, -f * 0.23f, f * 1.7f});
    }
    float sum = 0.0f;
    for (const Float4& value : evaluateOnGpu(functions, "vec4(rnd(x))", wide)) {
        EXPECT_GE(value[0], -0.5f);
        EXPECT_LT(value[0], 0.5f);
        sum += value[0];
    }
    EXPECT_NEAR(sum / 512.0f, 0.0f, 0.06f);
}

TEST_F(ShaderHelpersTest, PrlBlendsTheLatticeAlongXYZW) {
    std::vector<Float4> seeds;
    for (int i = 0; i < 40; ++i) {
        const float f = static_cast<float>(i);
        seeds.push_back(
            {f * 0.173f - 3.1f, 2.9f - f * 0.131f, f * 0.071f - 1.3f, std::sin(f) * 2.5f});
    }
    seeds.push_back({1.0f, -2.0f, 0.0f, 3.0f}); // on the lattice: rnd itself
    // The lattice values come from the GPU's own rnd: the CPU checks the blend around them.
    std::vector<Float4> corners;
    for (const Float4& seed : seeds) {
        for (int c = 0; c < 16; ++c) {
            corners.push_back({std::floor(seed[0]) + static_cast<float>(c & 1),
                               std::floor(seed[1]) + static_cast<float>((c >> 1) & 1),
                               std::floor(seed[2]) + static_cast<float>((c >> 2) & 1),
                               std::floor(seed[3]) + static_cast<float>((c >> 3) & 1)});
        }
    }
    const std::string functions = helpers({"prl.glsl"});
    const auto lattice = evaluateOnGpu(functions, "vec4(rnd(x))", corners);
    const auto noise = evaluateOnGpu(functions, "vec4(prl(x))", seeds);
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        const Float4& seed = seeds[i];
        const auto value = [&](int c) { return lattice[i * 16 + static_cast<std::size_t>(c)][0]; };
        const float fx = fract(seed[0]), fy = fract(seed[1]), fz = fract(seed[2]),
                    fw = fract(seed[3]);
        float alongW[2];
        for (int w = 0; w < 2; ++w) {
            float alongZ[2];
            for (int z = 0; z < 2; ++z) {
                const int base = z * 4 + w * 8;
                alongZ[z] = mix2(mix2(value(base), value(base + 1), fx),
                                 mix2(value(base + 2), value(base + 3), fx), fy);
            }
            alongW[w] = mix2(alongZ[0], alongZ[1], fz);
        }
        EXPECT_NEAR(noise[i][0], mix2(alongW[0], alongW[1], fw), 1e-5f) << i;
        EXPECT_GE(noise[i][0], -0.5f);
        EXPECT_LT(noise[i][0], 0.5f);
    }
    // On a lattice point every blend weight is 0: prl is rnd there.
    EXPECT_EQ(noise.back()[0], lattice[(seeds.size() - 1) * 16][0]);
}

TEST_F(ShaderHelpersTest, BoxIsNegativeInsideAndGrowsOutside) {
    const Float4 pos{0.5f, -1.0f, 2.0f, 0.0f}, size{1.0f, 0.25f, 0.5f, 0.0f};
    std::vector<Float4> points;
    for (int i = 0; i < 125; ++i) {
        points.push_back({-1.0f + 0.75f * static_cast<float>(i % 5),
                          -1.6f + 0.3f * static_cast<float>((i / 5) % 5),
                          1.2f + 0.4f * static_cast<float>(i / 25), 0.0f});
    }
    points.push_back(pos);
    const auto results =
        evaluateOnGpu(helpers({"box.glsl"}),
                      "vec4(box(x.xyz, vec3(0.5, -1.0, 2.0), vec3(1.0, 0.25, 0.5)))", points);
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_NEAR(results[i][0], box(points[i], pos, size), 1e-6f) << i;
    }
    EXPECT_FLOAT_EQ(results.back()[0], -0.25f); // the centre: the smallest half extent inside
}

TEST_F(ShaderHelpersTest, CurlMatchesAndDriftsUpwards) {
    std::vector<Float4> points;
    for (int i = 0; i < 216; ++i) {
        const float step = 2.0f * std::numbers::pi_v<float> / 6.0f;
        points.push_back({step * static_cast<float>(i % 6), step * static_cast<float>((i / 6) % 6),
                          step * static_cast<float>(i / 36), static_cast<float>(i % 4) * 50.0f});
    }
    const auto results =
        evaluateOnGpu(helpers({"curl.glsl"}), "vec4(curl(x.xyz, x.w), 0.0)", points);
    Float4 mean{};
    for (std::size_t i = 0; i < points.size(); ++i) {
        expectNear(results[i], curl(points[i], points[i][3]), 2e-5f, "point " + std::to_string(i));
        for (std::size_t c = 0; c < 3; ++c) {
            mean[c] += results[i][c] / static_cast<float>(points.size());
        }
    }
    // Over whole periods the cosines cancel and only the steady 0.1 remains.
    EXPECT_NEAR(mean[0], 0.0f, 1e-3f);
    EXPECT_NEAR(mean[1], 0.1f, 1e-3f);
    EXPECT_NEAR(mean[2], 0.0f, 1e-3f);
}

TEST_F(ShaderHelpersTest, TexelHashMatchesItsFormulaAndSpreadsOverTheUnitRange) {
    std::vector<Float4> small;
    for (int i = 0; i < 100; ++i) {
        small.push_back({0.00001f * static_cast<float>(i % 10),
                         0.00001f * static_cast<float>(i / 10), 0.0f, 0.0f});
    }
    const std::string functions = helpers({"texel_hash.glsl"});
    const auto results = evaluateOnGpu(functions, "texelHash(x.xy)", small);
    for (std::size_t i = 0; i < small.size(); ++i) {
        const Float4 expected = texelHash(small[i][0], small[i][1]);
        for (std::size_t c = 0; c < 4; ++c) {
            EXPECT_LT(circularDistance(results[i][c], expected[c]), hashTolerance) << i << " " << c;
        }
    }

    // Texel centres of a 32 x 32 texture, as the seeding passes use it.
    std::vector<Float4> centres;
    for (int i = 0; i < 1024; ++i) {
        centres.push_back({(static_cast<float>(i % 32) + 0.5f) / 32.0f,
                           (static_cast<float>(i / 32) + 0.5f) / 32.0f, 0.0f, 0.0f});
    }
    Float4 mean{};
    for (const Float4& hash : evaluateOnGpu(functions, "texelHash(x.xy)", centres)) {
        for (std::size_t c = 0; c < 4; ++c) {
            EXPECT_GE(hash[c], 0.0f);
            EXPECT_LT(hash[c], 1.0f);
            mean[c] += hash[c] / 1024.0f;
        }
    }
    for (const float m : mean) {
        EXPECT_NEAR(m, 0.5f, 0.05f);
    }
}

TEST_F(ShaderHelpersTest, DitherMatchesItsFormulaAndChangesEveryFrame) {
    std::vector<Float4> small;
    for (int i = 0; i < 100; ++i) {
        small.push_back({0.0005f * static_cast<float>(i % 10), 0.0005f * static_cast<float>(i / 10),
                         0.0001f * static_cast<float>(i % 3), 0.0f});
    }
    const std::string functions = helpers({"dither.glsl"});
    const auto results = evaluateOnGpu(functions, "vec4(dither(x.xy, x.z))", small);
    for (std::size_t i = 0; i < small.size(); ++i) {
        EXPECT_LT(circularDistance(results[i][0], dither(small[i][0], small[i][1], small[i][2])),
                  hashTolerance)
            << i;
    }

    // Window pixels at two consecutive frames.
    std::vector<Float4> pixels;
    for (int i = 0; i < 256; ++i) {
        pixels.push_back({static_cast<float>(i % 16) + 0.5f, static_cast<float>(i / 16) + 0.5f,
                          100.0f, 100.0f + 1.0f / 60.0f});
    }
    const auto frames =
        evaluateOnGpu(functions, "vec4(dither(x.xy, x.z), dither(x.xy, x.w), 0.0, 0.0)", pixels);
    int changed = 0;
    for (const Float4& value : frames) {
        for (std::size_t c = 0; c < 2; ++c) {
            EXPECT_GE(value[c], 0.0f);
            EXPECT_LT(value[c], 1.0f);
        }
        changed += value[0] != value[1] ? 1 : 0;
    }
    EXPECT_GT(changed, 240);
}

TEST_F(ShaderHelpersTest, LimitsWrittenConstantFirstAreStandardClamps) {
    // clamp(1.0, 0.0, x), clamp(0.99, 0.0, x), clamp(1.0, -0.1, x), clamp(0.0, -1.0, x): x kept
    // between the second and the first value, written in standard order.
    const std::vector<Float4> inputs{{-18.0f}, {-1.5f}, {-0.05f}, {0.0f}, {0.5f}, {0.995f}, {2.0f}};
    const auto results = evaluateOnGpu("", R"(vec4(clamp(x.x, 0.0, 1.0), clamp(x.x, 0.0, 0.99),
                                                    clamp(x.x, -0.1, 1.0), clamp(x.x, -1.0, 0.0)))",
                                       inputs);
    const auto limit = [](float x, float lo, float c) { return std::min(std::max(x, lo), c); };
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const float x = inputs[i][0];
        EXPECT_EQ(results[i], (Float4{limit(x, 0.0f, 1.0f), limit(x, 0.0f, 0.99f),
                                      limit(x, -0.1f, 1.0f), limit(x, -1.0f, 0.0f)}))
            << x;
    }
    EXPECT_EQ(results[0][0], 0.0f); // x = -18 gives weight 0, never x
}

} // namespace
