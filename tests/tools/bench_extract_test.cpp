#include "tests/support/soundtrack_tool.h"
#include "tests/support/surface_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <string>
#include <vector>

namespace {

int runBench(const std::vector<std::string>& arguments, std::string* output = nullptr) {
    return runBuiltTool("quorvane-bench-extract", arguments, output);
}

TEST(BenchExtractTool, RefusesBadArgumentsWithCodeTwo) {
    // clang-format off
    for (const auto& [arguments, exit] : std::vector<std::pair<std::vector<std::string>, int>>{
             {{"--help"}, 0}, {{"--size"}, 2}, {{"--size", "100"}, 2}, {{"--size", "4"}, 2},
             {{"--size", "1024"}, 2}, {{"--frames", "0"}, 2}, {{"--frames", "10001"}, 2},
             {{"--frames", "-1"}, 2}, {{"--fast", "1"}, 2}})
        // clang-format on
        EXPECT_EQ(runBench(arguments), exit) << testing::PrintToString(arguments);
}

// The sphere field at frame 1 (t = 1/60) as the layered pass writes it: texel centres across,
// the layer's own index along z. No voxel lies within 0.003 of zero, so rounding moves no quad.
ReferenceVolume benchSphere() {
    ReferenceVolume volume(128);
    const float radius = 0.3f + 0.01f * std::sin(1.0f / 60.0f);
    for (int z = 0; z < 128; ++z)
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                const float p[3] = {(x + 0.5f) / 128.0f - 0.5f, (y + 0.5f) / 128.0f - 0.5f,
                                    z / 128.0f - 0.5f};
                const float distance = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
                volume.at(x, y, z) = (distance - radius) * 128.0f;
            }
    return volume;
}

TEST(BenchExtractTool, TimesBothFieldsAndExtractsTheSphereTheCpuFinds) {
    std::string output;
    ASSERT_EQ(runBench({"--frames", "1"}, &output), 0) << output;
    const std::regex figures(
        R"((volume|extract) (sphere|noise) size=128 frames=1 (?:quads=(\d+) )?median_ms=[\d.]+ gpu_median_ms=[\d.]+)");
    std::vector<std::string> passes;
    std::vector<long> quads;
    for (std::sregex_iterator at(output.begin(), output.end(), figures), end; at != end; ++at) {
        passes.push_back((*at)[1].str() + " " + (*at)[2].str());
        if ((*at)[3].matched)
            quads.push_back(std::stol((*at)[3]));
    }
    EXPECT_EQ(passes, (std::vector<std::string>{"volume sphere", "extract sphere", "volume noise",
                                                "extract noise"}))
        << output;
    ASSERT_EQ(quads.size(), 2u) << output;
    EXPECT_EQ(quads[0], static_cast<long>(referenceSurface(benchSphere()).size()));
    EXPECT_GT(quads[1], 0);
}

TEST(BenchExtractTool, BelowTheExtractorsSizeTimesTheVolumePassAlone) {
    std::string output;
    ASSERT_EQ(runBench({"--size", "16", "--frames", "2"}, &output), 0) << output;
    EXPECT_NE(output.find("extraction skipped"), std::string::npos) << output;
    EXPECT_NE(output.find("volume sphere size=16 frames=2 "), std::string::npos) << output;
    EXPECT_NE(output.find("volume noise size=16 frames=2 "), std::string::npos) << output;
    EXPECT_EQ(output.find("extract "), std::string::npos) << output;
}

} // namespace
