#include "shaders/shader_texts.h"
#include "tests/support/frame_reference.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

class ShaderHelpersTest : public GlTest {};

// The hashes' reference in 32-bit floats like the shaders: fract(scale cos(x)).
float hash(float scale, float x) {
    return scale * std::cos(x) - std::floor(scale * std::cos(x));
}

TEST_F(ShaderHelpersTest, EachHelperComputesItsFunction) {
    std::vector<Float4> hsl, small;
    for (const float hue :
         {-400.f, -60.f, -0.5f, 0.f,   30.f,  59.5f, 60.f,   90.f,  119.f, 120.f,
          150.f,  239.f, 240.f, 270.f, 299.f, 300.f, 359.9f, 360.f, 420.f, 1000.f})
        for (const float s : {0.0f, 0.35f, 1.0f})
            for (const float l : {0.0f, 0.2f, 0.5f, 0.85f, 1.0f})
                hsl.push_back({hue, s, l, 0.0f});
    // Hashes amplify the cosine's last bits: at small inputs the CPU keeps about 1e-3 of them.
    for (float i = 0; i < 200; ++i)
        small.push_back({1e-5f * i, 2e-5f * std::fmod(i, 7.0f), 3e-5f * i, -1e-5f * i});
    const auto rgb = [](const Rgb& c) { return Float4{float(c.r), float(c.g), float(c.b), 0}; };
    const auto mix = [](const Float4& x, float a, float b) {
        return 999.9f * (a * x[0] + b * x[1]);
    };
    const std::vector<std::tuple<const char*, const std::vector<Float4>&,
                                 std::function<Float4(const Float4&)>, float>>
        rows = {{"vec4(hsltorgb(x.xyz), 0.0)", hsl,
                 [&](const Float4& x) { return rgb(hslToRgb(x[0], x[1], x[2])); }, 1e-5f},
                {"vec4(hsltorgbWrapped(x.xyz), 0.0)", hsl,
                 [&](const Float4& x) { return rgb(hslToRgbWrapped(x[0], x[1], x[2])); }, 1e-5f},
                {"vec4(rnd(x) + 0.5, dither(x.xy, x.z), 0.0, 0.0)", small,
                 [](const Float4& x) {
                     return Float4{
                         hash(999.9f,
                              99.9f * (12.9f * x[0] + 11.7f * x[1] + 13.1f * x[2] + 15.3f * x[3])),
                         hash(9999.9f, 9.9f * (19.1f * x[0] + 11.3f * x[1] + 17.5f * x[2])), 0, 0};
                 },
                 4e-3f},
                {"texelHash(x.xy)", small,
                 [&](const Float4& x) {
                     return Float4{
                         hash(999.9f, mix(x, 19.9f, 11.1f)), hash(999.9f, mix(x, 13.7f, 15.3f)),
                         hash(999.9f, mix(x, 17.3f, 14.5f)), hash(999.9f, mix(x, 16.9f, 11.3f))};
                 },
                 4e-3f}};
    std::string functions;
    for (const char* name : {"hsltorgb.glsl", "rnd.glsl", "dither.glsl", "texel_hash.glsl"})
        functions += std::string(shaderTexts().helper(name)) + "\n";
    for (const auto& [expression, inputs, reference, tolerance] : rows) {
        const std::vector<Float4> results = evaluateOnGpu(functions, expression, inputs);
        int wrong = 0;
        for (size_t i = 0; i < inputs.size(); ++i)
            for (size_t c = 0; c < 4; ++c) {
                // Values in [0, 1) of the hashes compare on the circle.
                const float d = std::fabs(results[i][c] - reference(inputs[i])[c]);
                wrong += std::min(d, tolerance > 1e-4f ? 1.0f - d : d) > tolerance;
            }
        EXPECT_EQ(wrong, 0) << expression;
    }
}

} // namespace
