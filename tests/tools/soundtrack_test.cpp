#include "tests/support/soundtrack_tool.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

TEST(SoundtrackTool, RefusesBadArgumentsAndExistingOrUnreachableFilesLeavingNothing) {
    TemporaryDirectory directory;
    const std::string out = (directory.path() / "out.mp3").string();
    const std::string mine = (directory.path() / "mine.mp3").string();
    std::ofstream(mine) << "my own music";
    // clang-format off
    for (const auto& [arguments, exit] : std::vector<std::pair<std::vector<std::string>, int>>{
             {{}, 2}, {{"--seconds", "3"}, 2}, {{out, "--seconds"}, 2}, {{out, "--seconds", "3x"}, 2},
             {{out, "--seconds", "0"}, 2}, {{out, "--seconds", "-2"}, 2}, {{out, "--seconds", "nan"}, 2},
             {{out, "--seconds", "inf"}, 2}, {{out, "--seconds", "100000"}, 2}, {{out, out + "2"}, 2},
             {{out, "--loud"}, 2}, {{mine, "--seconds", "1"}, 1},
             {{(directory.path() / "no" / "out.mp3").string(), "--seconds", "1"}, 1}})
        // clang-format on
        EXPECT_EQ(runSoundtrackTool(arguments), exit) << testing::PrintToString(arguments);
    std::ifstream file(mine);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "my own music");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory.path()), {}), 1);
}

} // namespace
