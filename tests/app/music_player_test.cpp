#include "app/music_player.h"
#include "tests/support/soundtrack_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Real time is the point of these tests: the position after a wait.
double after(MusicPlayer& music, std::chrono::milliseconds wait) {
    std::this_thread::sleep_for(wait);
    return music.position();
}

class MusicPlayerTest : public ::testing::Test {
  protected:
    // A 3 s soundtrack from the real tool, and a bare MP3 stream with no length header.
    static void SetUpTestSuite() {
        made_ = runSoundtrackTool({file("track.mp3"), "--seconds", "3"}) == 0 &&
                runProgram({"gst-launch-1.0", "-q", "audiotestsrc", "num-buffers=21", "!",
                            "audio/x-raw,rate=44100", "!", "lamemp3enc", "!", "filesink",
                            "location=" + file("bare.mp3")}) == 0;
    }
    void SetUp() override { ASSERT_TRUE(made_) << "the test tracks were not made"; }

    static std::string file(const char* name) { return (directory_.path() / name).string(); }
    // A player on the file; printed_ holds what its construction printed.
    std::unique_ptr<MusicPlayer> open(const std::string& file) {
        testing::internal::CaptureStdout();
        auto player = std::make_unique<MusicPlayer>(file);
        printed_ = testing::internal::GetCapturedStdout();
        return player;
    }

    static inline TemporaryDirectory directory_;
    static inline bool made_ = false;
    std::string printed_;
};

TEST_F(MusicPlayerTest, RendersWithoutPlayingAndSeeksWithinTheMedia) {
    auto music = open(file("track.mp3"));
    // Without a sound device one more line says the music is silent.
    EXPECT_EQ(printed_.substr(0, 27), "Song succesfully rendered!\n");
    EXPECT_TRUE(printed_.size() == 27 || printed_.find("silent") != std::string::npos) << printed_;
    EXPECT_TRUE(music->rendered());
    EXPECT_NEAR(music->duration(), 3.0, 0.1);
    EXPECT_NEAR(after(*music, 200ms), 0.0, 0.01) << "playback started before play()";
    for (const auto& [to, at] : {std::pair{-1.0, 0.0}, {1e6, music->duration()}, {1.0, 1.0}}) {
        music->seek(to);
        EXPECT_NEAR(music->position(), at, 0.05) << to;
    }
    EXPECT_NEAR(after(*music, 200ms), 1.0, 0.01) << "seeking started playback";
    // In real time (a sink ignoring the clock races to the end), also after a seek while playing.
    music->play();
    EXPECT_NEAR(after(*music, 500ms), 1.8, 0.55);
    music->seek(0.5);
    EXPECT_NEAR(after(*music, 500ms), 1.3, 0.55) << "a seek while playing stopped playback";
}

TEST_F(MusicPlayerTest, StaysAtTheEndOnceReachedEvenWithoutALengthHeader) {
    for (const auto& [name, length] : {std::pair{"track.mp3", 3.0}, {"bare.mp3", 0.49}}) {
        auto music = open(file(name));
        music->seek(length - 0.4);
        music->play();
        const double end = after(*music, 900ms);
        // The bare stream's length is known once the whole file was read.
        EXPECT_NEAR(music->duration(), length, 0.1) << name;
        EXPECT_EQ(end, music->duration()) << name;
        EXPECT_EQ(after(*music, 100ms), end) << name;
    }
}

TEST_F(MusicPlayerTest, FileItCannotPlayFallsBackToASilentWallClock) {
    std::string noise(65536, '\0');
    std::generate(noise.begin(), noise.end(), std::mt19937(7));
    std::ofstream(file("noise.mp3"), std::ios::binary) << noise;
    for (const char* name : {"absent.mp3", "noise.mp3"}) {
        auto music = open(file(name));
        EXPECT_EQ(printed_, "mp3 rendering failed :(\n") << name;
        EXPECT_FALSE(music->rendered()) << name;
        EXPECT_EQ(after(*music, 100ms), 0.0) << name << ": the clock runs before play";
        music->seek(-3.0);
        EXPECT_EQ(music->position(), 0.0) << name;
        music->play();
        EXPECT_NEAR(after(*music, 400ms), 0.7, 0.35) << name;
        // No length is known: a seek far ahead is taken as it is.
        music->seek(1000.0);
        EXPECT_NEAR(music->position(), 1000.2, 0.2) << name;
    }
}

} // namespace
