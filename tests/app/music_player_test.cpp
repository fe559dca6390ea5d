#include "app/music_player.h"
#include "tests/support/soundtrack_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// The soundtrack as a script: where the media is, given the seconds since it was last started or
// sought while running, counted from where it was sought to.
class ScriptedMusic final : public MusicBackend {
  public:
    ScriptedMusic(const double& now, double length, std::function<double(double)> played)
        : now_(now), length_(length), played_(std::move(played)) {}
    double duration() override { return length_; }
    double position() override { return running_ ? from_ + played_(now_ - since_) : from_; }
    void seek(double seconds) override {
        sought.push_back(seconds);
        from_ = seconds;
        since_ = now_;
    }
    void run() override {
        running_ = true;
        since_ = now_;
    }
    std::vector<double> sought;

  private:
    const double& now_;
    double length_;
    std::function<double(double)> played_;
    bool running_ = false;
    double from_ = 0.0;
    double since_ = 0.0;
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const std::string kRendered = "Song succesfully rendered!\n";
const std::string kFailed = "mp3 rendering failed :(\n";
const std::string kNoDevice = "No audio device found: the music plays silently in real time.\n";

// A player started at real time 0 on a scripted track (none: the file cannot be played).
struct PlayerRun {
    double now = 0.0;
    ScriptedMusic* music = nullptr;
    std::unique_ptr<MusicPlayer> player;
    std::string printed;

    PlayerRun(double length, std::function<double(double)> played, bool noAudioDevice = false) {
        OpenedMusic opened{nullptr, noAudioDevice};
        if (played) {
            auto scripted = std::make_unique<ScriptedMusic>(now, length, std::move(played));
            music = scripted.get();
            opened.backend = std::move(scripted);
        }
        testing::internal::CaptureStdout();
        player = std::make_unique<MusicPlayer>(std::move(opened), [this] { return now; });
        printed = testing::internal::GetCapturedStdout();
    }
    // The clock at real time `at`, after a seek there to `to` if given.
    double at(double at, std::optional<double> to = {}) {
        now = at;
        if (to)
            player->seek(*to);
        testing::internal::CaptureStdout();
        const double position = player->position();
        printed += testing::internal::GetCapturedStdout();
        return position;
    }
};

TEST(MusicPolicy, TheMusicIsTheClockUntilItStopsFollowingRealTime) {
    struct Step {
        double at, expected;
        std::optional<double> seekTo = {};
    };
    struct Case {
        const char* what;
        std::function<double(double)> played;
        std::vector<Step> steps;
        const char* handOver; // the reason in the one line, or none
    };
    const auto gains = [](double from, double gain) {
        return [from, gain](double s) { return s < from ? s : s + gain; };
    };
    const char *ahead = "its position ran ahead of real time",
               *stalled = "its position stopped advancing";
    // clang-format off
    const Case cases[] = {
        {"a late start only delays", [](double s) { return std::max(0.001, s - 4.8); },
         {{1.0, 0.001}, {4.7, 0.001}, {5.5, 0.7}, {7.0, 2.2}}, nullptr},
        {"a gain under a second", gains(1.0, 0.9), {{0.5, 0.5}, {1.0, 1.9}, {3.0, 3.9}}, nullptr},
        {"a jump ahead", gains(1.0, 1.2), {{0.5, 0.5}, {1.0, 0.5}, {2.0, 1.5}}, ahead},
        {"two gains that make a jump", [](double s) { return s < 1.0 ? s : s < 2.0 ? s + 0.6 : s + 1.2; },
         {{0.5, 0.5}, {1.0, 1.6}, {2.0, 1.6}, {3.0, 2.6}}, ahead},
        {"a jump ahead after a late start", [](double s) { return s < 1.0 ? 0.0 : s < 2.0 ? s - 1.0 : s + 0.2; },
         {{0.5, 0.0}, {1.5, 0.5}, {2.5, 0.5}, {3.5, 1.5}}, ahead},
        {"a seek ahead while playing", [](double s) { return s; }, {{1.0, 1.0}, {2.0, 6.0, 6.0}, {3.0, 7.0}}, nullptr},
        {"a stall mid-run", [](double s) { return std::min(s, 3.0); },
         {{2.0, 2.0}, {3.0, 3.0}, {4.9, 3.0}, {5.1, 3.0}, {6.1, 4.0}}, stalled},
        {"a start that never comes", [](double) { return 0.0; }, {{9.9, 0.0}, {10.1, 0.0}, {11.1, 1.0}},
         "its position did not start moving"},
        {"a position it cannot read", [](double s) { return s < 1.0 ? s : kNaN; },
         {{0.5, 0.5}, {1.0, 0.5}, {2.4, 0.5}, {2.6, 0.5}, {3.6, 1.5}}, stalled},
        {"the end holds", [](double s) { return std::min(s, 10.0); },
         {{9.0, 9.0}, {10.0, 10.0}, {20.0, 10.0}, {30.0, 10.0}}, nullptr},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlayerRun run(10.0, c.played);
        run.player->seek(0.0);
        run.player->play();
        for (const Step& step : c.steps)
            EXPECT_DOUBLE_EQ(run.at(step.at, step.seekTo), step.expected) << "at " << step.at;
        const std::string line = c.handOver ? std::string("music playback stopped (") + c.handOver +
                                                  "); the timeline goes on silently\n"
                                            : "";
        EXPECT_EQ(run.printed, kRendered + line);
    }
}

TEST(MusicPolicy, SeeksStayWithinTheMediaAndOnlyPositionBeforePlay) {
    PlayerRun run(10.0, [](double s) { return s; });
    for (const auto& [to, at] : {std::pair{-1.0, 0.0}, {kNaN, 0.0}, {1e6, 10.0}, {4.0, 4.0}})
        EXPECT_EQ(run.at(5.0, to), at) << to;
    EXPECT_EQ(run.music->sought, (std::vector<double>{0.0, 0.0, 10.0, 4.0}));
    EXPECT_EQ(run.at(9.0), 4.0) << "running before play()";
}

TEST(MusicPolicy, WithoutPlayableMusicAWallClockRunsFromPlay) {
    for (const bool noAudioDevice : {false, true}) {
        SCOPED_TRACE(noAudioDevice ? "no audio device" : "a file it cannot play");
        PlayerRun run(0.0, nullptr, noAudioDevice);
        EXPECT_EQ(run.printed, kFailed + (noAudioDevice ? kNoDevice : ""));
        EXPECT_EQ(run.player->duration(), std::numeric_limits<double>::infinity());
        EXPECT_EQ(run.at(2.0, -3.0), 0.0);
        EXPECT_EQ(run.at(4.0), 0.0) << "running before play()";
        run.player->play();
        EXPECT_EQ(run.at(5.5), 1.5);
        // No length is known: a seek far ahead is taken as it is, and runs on from there.
        EXPECT_EQ(run.at(6.0, 1000.0), 1000.0);
        EXPECT_EQ(run.at(7.0), 1001.0);
    }
}

// A sound server of our own whose one device plays into nothing in real time, as a sound card
// would; PULSE_SERVER names it while it runs.
class SoundServer {
  public:
    SoundServer() {
        const std::string socket = (directory_.path() / "native").string();
        running_ =
            runProgram({"env", "HOME=" + directory_.path().string(),
                        "XDG_RUNTIME_DIR=" + directory_.path().string(), "pulseaudio", "-n",
                        "--daemonize=yes", "--exit-idle-time=-1", "-L", "module-null-sink", "-L",
                        "module-native-protocol-unix auth-anonymous=1 socket=" + socket}) == 0;
        setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
    }
    ~SoundServer() {
        runProgram(
            {"env", "XDG_RUNTIME_DIR=" + directory_.path().string(), "pulseaudio", "--kill"});
    }
    bool running() const { return running_; }

  private:
    TemporaryDirectory directory_;
    bool running_ = false;
};

// Real time is the point of these tests: the position after a wait.
double after(MusicPlayer& music, std::chrono::milliseconds wait) {
    std::this_thread::sleep_for(wait);
    return music.position();
}

// The position once playback runs: a device plays a little of what it buffered, then takes a
// while to start for real.
double running(MusicPlayer& music) {
    const double start = music.position();
    double now = start;
    for (int wait = 0; wait < 150 && now < start + 0.3; ++wait)
        now = after(music, 20ms);
    return now;
}

class MusicPlayerTest : public ::testing::Test {
  protected:
    // A 3 s soundtrack from the real tool, and a bare MP3 stream with no length header.
    static void SetUpTestSuite() {
        sound_ = std::make_unique<SoundServer>();
        made_ = sound_->running() &&
                runSoundtrackTool({file("track.mp3"), "--seconds", "3"}) == 0 &&
                runProgram({"gst-launch-1.0", "-q", "audiotestsrc", "num-buffers=21", "!",
                            "audio/x-raw,rate=44100", "!", "lamemp3enc", "!", "filesink",
                            "location=" + file("bare.mp3")}) == 0;
    }
    static void TearDownTestSuite() { sound_.reset(); }
    void SetUp() override {
        ASSERT_TRUE(made_) << "no sound server, or the test tracks were not made";
    }

    static std::string file(const char* name) { return (directory_.path() / name).string(); }
    // A player on the file; printed_ holds what its construction printed.
    std::unique_ptr<MusicPlayer> open(const std::string& file) {
        testing::internal::CaptureStdout();
        auto player = std::make_unique<MusicPlayer>(openMusic(file));
        printed_ = testing::internal::GetCapturedStdout();
        return player;
    }

    static inline std::unique_ptr<SoundServer> sound_;
    static inline TemporaryDirectory directory_;
    static inline bool made_ = false;
    std::string printed_;
};

TEST_F(MusicPlayerTest, RendersWithoutPlayingAndSeeks) {
    auto music = open(file("track.mp3"));
    EXPECT_EQ(printed_, kRendered);
    EXPECT_NEAR(music->duration(), 3.0, 0.1);
    EXPECT_NEAR(after(*music, 200ms), 0.0, 0.01) << "playback started before play()";
    music->seek(1.0);
    EXPECT_NEAR(music->position(), 1.0, 0.05);
    EXPECT_NEAR(after(*music, 200ms), 1.0, 0.01) << "seeking started playback";
    // In real time once the device has started (a sink ignoring the clock races to the end), also
    // after a seek while playing; the music stays the clock throughout.
    testing::internal::CaptureStdout();
    music->play();
    double from = running(*music);
    EXPECT_NEAR(after(*music, 500ms), from + 0.5, 0.3);
    music->seek(0.5);
    from = running(*music);
    EXPECT_NEAR(after(*music, 500ms), from + 0.5, 0.3) << "a seek while playing stopped playback";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(MusicPlayerTest, StaysAtTheEndOnceReachedEvenWithoutALengthHeader) {
    for (const auto& [name, length] : {std::pair{"track.mp3", 3.0}, {"bare.mp3", 0.49}}) {
        auto music = open(file(name));
        music->seek(length - 0.4);
        music->play();
        double end = 0.0;
        for (int wait = 0; wait < 50 && (end = after(*music, 100ms)) != music->duration(); ++wait) {
        }
        // The bare stream's length is known once the whole file was read.
        EXPECT_NEAR(music->duration(), length, 0.1) << name;
        EXPECT_EQ(end, music->duration()) << name;
        EXPECT_EQ(after(*music, 100ms), end) << name;
    }
}

TEST_F(MusicPlayerTest, FileItCannotPlayIsNoMusicAndNoLength) {
    std::string noise(65536, '\0');
    std::generate(noise.begin(), noise.end(), std::mt19937(7));
    std::ofstream(file("noise.mp3"), std::ios::binary) << noise;
    // The policy tests above take it from there: a wall clock from play().
    for (const char* name : {"absent.mp3", "noise.mp3"}) {
        EXPECT_EQ(open(file(name))->duration(), std::numeric_limits<double>::infinity()) << name;
        EXPECT_EQ(printed_, kFailed) << name;
    }
}

TEST_F(MusicPlayerTest, WithoutAnAudioDeviceTheFileIsNotPlayed) {
    // No sound server answers, and ALSA knows no device.
    const std::string server = std::getenv("PULSE_SERVER");
    setenv("PULSE_SERVER", "unix:/nonexistent", 1);
    setenv("ALSA_CONFIG_PATH", "/dev/null", 1);
    auto music = open(file("track.mp3"));
    setenv("PULSE_SERVER", server.c_str(), 1);
    unsetenv("ALSA_CONFIG_PATH");
    EXPECT_EQ(printed_, kFailed + kNoDevice);
    EXPECT_EQ(music->duration(), std::numeric_limits<double>::infinity());
}

} // namespace
