#include "app/music_player.h"
#include "tests/support/soundtrack_tool.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kRendered = "Song succesfully rendered!\n";
const std::string kFailed = "mp3 rendering failed :(\n";

// Encodes a sine tone as a bare MP3 stream with no length header, as many encoders write it.
bool writeHeaderlessMp3(const std::filesystem::path& file, double seconds) {
    if (!gst_init_check(nullptr, nullptr, nullptr))
        return false;
    const int buffers = static_cast<int>(seconds * 44100.0 / 1024.0);
    const std::string description = "audiotestsrc num-buffers=" + std::to_string(buffers) +
                                    " ! audio/x-raw,rate=44100,channels=1 ! audioconvert ! "
                                    "lamemp3enc ! filesink location=\"" +
                                    file.string() + "\"";
    GstElement* pipeline = gst_parse_launch(description.c_str(), nullptr);
    if (!pipeline)
        return false;
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus, 10 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ok = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (message)
        gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ok;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class MusicPlayerTest : public ::testing::Test {
  protected:
    // One short soundtrack made by the real tool serves every test.
    static void SetUpTestSuite() {
        directory_ = std::make_unique<TemporaryDirectory>();
        toolExit_ = runSoundtrackTool({track().string(), "--seconds", "3"});
    }
    static void TearDownTestSuite() { directory_.reset(); }
    void SetUp() override { ASSERT_EQ(toolExit_, 0) << "the soundtrack tool failed"; }

    static std::filesystem::path track() { return directory_->path() / "track.mp3"; }

    // Opens a player on the file; printed receives what construction wrote to stdout.
    static std::unique_ptr<MusicPlayer> open(const std::filesystem::path& file,
                                             std::string& printed) {
        testing::internal::CaptureStdout();
        auto player = std::make_unique<MusicPlayer>(file.string());
        printed = testing::internal::GetCapturedStdout();
        return player;
    }

    // Waits, then reads the position: real time is the point of these tests.
    static double positionAfter(MusicPlayer& music, std::chrono::milliseconds wait) {
        std::this_thread::sleep_for(wait);
        return music.position();
    }

    static std::unique_ptr<MusicPlayer> openTrack() {
        std::string printed;
        return open(track(), printed);
    }

    // The player on a file it cannot play runs a wall clock that play() starts.
    static void expectSilentWallClock(MusicPlayer& music) {
        EXPECT_FALSE(music.rendered());
        EXPECT_EQ(music.position(), 0.0);
        EXPECT_EQ(positionAfter(music, 100ms), 0.0) << "the clock runs before play";
        music.seek(-3.0);
        EXPECT_EQ(music.position(), 0.0);
        music.seek(0.0);
        const Clock::time_point started = Clock::now();
        music.play();
        const double position = positionAfter(music, 400ms);
        EXPECT_GE(position, 0.3);
        EXPECT_LE(position, secondsSince(started) + 0.05);
    }

    static inline std::unique_ptr<TemporaryDirectory> directory_;
    static inline int toolExit_ = -1;
};

TEST_F(MusicPlayerTest, RendersAPlayableFileWithoutPlayingIt) {
    std::string printed;
    auto music = open(track(), printed);
    ASSERT_GE(printed.size(), kRendered.size());
    EXPECT_EQ(printed.substr(0, kRendered.size()), kRendered);
    // Without a sound device one more line says the music is silent; nothing else is printed.
    const std::string rest = printed.substr(kRendered.size());
    EXPECT_TRUE(rest.empty() ||
                (rest.find('\n') == rest.size() - 1 && rest.find("silent") != std::string::npos))
        << printed;
    EXPECT_TRUE(music->rendered());
    EXPECT_NEAR(music->duration(), 3.0, 0.1);
    EXPECT_NEAR(music->position(), 0.0, 0.01);
    EXPECT_NEAR(positionAfter(*music, 200ms), 0.0, 0.01) << "playback started before play()";
}

TEST_F(MusicPlayerTest, SeekClampsToTheMediaAndOnlyPositionsWhileStopped) {
    auto music = openTrack();
    music->seek(-1.0);
    EXPECT_NEAR(music->position(), 0.0, 0.01);
    music->seek(1e6);
    EXPECT_NEAR(music->position(), music->duration(), 0.05);
    music->seek(1.0);
    EXPECT_NEAR(music->position(), 1.0, 0.01);
    EXPECT_NEAR(positionAfter(*music, 200ms), 1.0, 0.01) << "seeking started playback";
}

TEST_F(MusicPlayerTest, PositionAdvancesInRealTime) {
    auto music = openTrack();
    music->seek(0.0);
    const Clock::time_point started = Clock::now();
    music->play();
    EXPECT_LT(music->position(), 0.2);
    const double position = positionAfter(*music, 1000ms);
    const double elapsed = secondsSince(started);
    EXPECT_GE(position, 0.5);
    // A sink that ignores the clock would race through the whole file at once.
    EXPECT_LE(position, elapsed + 0.25);
}

TEST_F(MusicPlayerTest, SeekWhilePlayingKeepsPlaying) {
    auto music = openTrack();
    music->play();
    music->seek(1.0);
    EXPECT_NEAR(music->position(), 1.0, 0.2);
    const double position = positionAfter(*music, 500ms);
    EXPECT_GE(position, 1.25);
    EXPECT_LE(position, 2.0);
}

TEST_F(MusicPlayerTest, PlaybackStartsFromTheSeekPosition) {
    auto music = openTrack();
    music->seek(2.0);
    music->play();
    const double position = positionAfter(*music, 300ms);
    EXPECT_GE(position, 2.1);
    EXPECT_LE(position, 2.6);
}

TEST_F(MusicPlayerTest, PositionStaysAtTheEndOnceReached) {
    auto music = openTrack();
    music->seek(music->duration() - 0.3);
    music->play();
    const double end = positionAfter(*music, 800ms);
    EXPECT_NEAR(end, music->duration(), 0.05);
    EXPECT_EQ(positionAfter(*music, 200ms), end);
}

TEST_F(MusicPlayerTest, FileWithoutLengthHeaderStillStopsAtItsEnd) {
    const std::filesystem::path bare = directory_->path() / "bare.mp3";
    ASSERT_TRUE(writeHeaderlessMp3(bare, 0.5));
    std::string printed;
    auto music = open(bare, printed);
    EXPECT_EQ(printed.substr(0, kRendered.size()), kRendered);
    music->play();
    std::this_thread::sleep_for(900ms);
    const double length = music->duration();
    EXPECT_NEAR(length, 0.5, 0.1) << "the length is known once the whole file was read";
    EXPECT_EQ(music->position(), length);
    EXPECT_EQ(positionAfter(*music, 100ms), length);
}

TEST_F(MusicPlayerTest, MissingFileFallsBackToASilentWallClock) {
    std::string printed;
    auto music = open(directory_->path() / "absent.mp3", printed);
    EXPECT_EQ(printed, kFailed);
    expectSilentWallClock(*music);
    // No length is known, so a seek far ahead is taken as it is and the clock runs on from it.
    music->seek(1000.0);
    EXPECT_GE(music->position(), 1000.0);
    EXPECT_LT(music->position(), 1000.5);
}

TEST_F(MusicPlayerTest, CorruptFileFallsBackToASilentWallClock) {
    const std::filesystem::path corrupt = directory_->path() / "noise.mp3";
    {
        std::mt19937 random(7);
        std::ofstream file(corrupt, std::ios::binary);
        for (int i = 0; i < 65536; ++i)
            file.put(static_cast<char>(random() & 0xFF));
    }
    std::string printed;
    auto music = open(corrupt, printed);
    EXPECT_EQ(printed, kFailed);
    expectSilentWallClock(*music);
}

TEST_F(MusicPlayerTest, EmptyFileFallsBackToASilentWallClock) {
    const std::filesystem::path empty = directory_->path() / "empty.mp3";
    std::ofstream(empty).close();
    std::string printed;
    auto music = open(empty, printed);
    EXPECT_EQ(printed, kFailed);
    EXPECT_FALSE(music->rendered());
}

} // namespace
