#include "tests/support/soundtrack_tool.h"
#include "tools/soundtrack_synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <vector>

namespace {

TEST(SoundtrackTool, WritesTheAskedLengthWithEveryAccentLouderThanThePulse) {
    TemporaryDirectory directory;
    for (const double seconds : {2.5, 52.0}) {
        const std::string track = (directory.path() / "track.mp3").string(), raw = track + ".raw";
        std::filesystem::remove(track);
        ASSERT_EQ(runSoundtrackTool({track, "--seconds", std::to_string(seconds)}), 0);
        ASSERT_TRUE(runPipeline("filesrc location=" + track +
                                " ! decodebin ! audioconvert ! "
                                "audio/x-raw,format=F32LE,channels=1 ! filesink location=" +
                                raw));
        std::vector<float> music(std::filesystem::file_size(raw) / 4);
        std::ifstream(raw).read(reinterpret_cast<char*>(music.data()),
                                std::streamsize(4 * music.size()));
        // MP3 frames add a few hundredths at the start and end, never less than asked for.
        EXPECT_GE(double(music.size()) / kSampleRate, seconds);
        EXPECT_LE(double(music.size()) / kSampleRate, seconds + 0.1);
        const auto loudness = [&](double from) {
            double sum = 0.0;
            for (size_t i = size_t(from * kSampleRate); i < size_t((from + 0.2) * kSampleRate); ++i)
                sum += double(music[i]) * music[i];
            return std::sqrt(sum);
        };
        // Each accent against the same point of an earlier beat a second clear of any accent.
        for (double accent : kAccentTimes) {
            if (accent + 0.2 > seconds)
                continue;
            double quiet = accent - kBeatSeconds;
            while (std::any_of(kAccentTimes.begin(), kAccentTimes.end(),
                               [&](double a) { return a >= quiet - 1.0 && a <= quiet + 0.2; }))
                quiet -= kBeatSeconds;
            EXPECT_GT(loudness(accent), 2.0 * loudness(quiet)) << accent;
        }
    }
}

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
