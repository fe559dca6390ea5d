#include "tests/support/soundtrack_tool.h"
#include "tests/support/surface_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

int runBench(const std::vector<std::string>& arguments, std::string* output = nullptr) {
    return runBuiltTool("quorvane-bench-extract", arguments, output);
}

void expectLines(const std::string& output, const std::vector<std::string>& starts) {
    for (const std::string& start : starts)
        EXPECT_NE(output.find("\n" + start), std::string::npos) << start << " in\n" << output;
}

TEST(BenchExtractTool, TimesBothFieldsAndExtractsTheSphereTheCpuFinds) {
    // Frame 1's sphere as the layered pass writes it; no voxel lies within 0.003 of zero.
    ReferenceVolume sphere(128);
    const float radius = 0.3f + 0.01f * std::sin(1.0f / 60.0f);
    for (int z = 0; z < 128; ++z)
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                const float distance =
                    std::hypot((x + 0.5f) / 128 - 0.5f, (y + 0.5f) / 128 - 0.5f, z / 128.0f - 0.5f);
                sphere.at(x, y, z) = (distance - radius) * 128.0f;
            }
    const std::string quads = "quads=" + std::to_string(referenceSurface(sphere).size()) + " ";
    std::string output;
    ASSERT_EQ(runBench({"--frames", "1"}, &output), 0) << output;
    expectLines(output, {"volume sphere size=128 frames=1 median_ms=",
                         "extract sphere size=128 frames=1 " + quads + "median_ms=",
                         "volume noise size=128 frames=1 median_ms=",
                         "extract noise size=128 frames=1 quads="});
}

} // namespace
