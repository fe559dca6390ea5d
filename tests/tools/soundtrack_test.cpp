#include "tests/support/soundtrack_tool.h"
#include "tools/soundtrack_synth.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr double kAccentLength = 52.0;
constexpr double kWindow = 0.2;

// Decodes an audio file to mono float samples at the soundtrack's rate; nullopt on an error.
std::optional<std::vector<float>> decode(const std::filesystem::path& file) {
    if (!gst_init_check(nullptr, nullptr, nullptr))
        return std::nullopt;
    GstElement* pipeline = gst_parse_launch(
        "filesrc name=source ! decodebin ! audioconvert ! audioresample ! appsink name=sink "
        "sync=false caps=audio/x-raw,format=F32LE,layout=interleaved,channels=1,rate=44100",
        nullptr);
    if (!pipeline)
        return std::nullopt;
    GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline), "source");
    g_object_set(source, "location", file.c_str(), nullptr);
    gst_object_unref(source);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    GstBus* bus = gst_element_get_bus(pipeline);

    std::optional<std::vector<float>> samples;
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE)
        samples.emplace();
    while (samples) {
        if (GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), GST_SECOND)) {
            GstMapInfo map;
            GstBuffer* buffer = gst_sample_get_buffer(sample);
            gst_buffer_map(buffer, &map, GST_MAP_READ);
            const auto* data = reinterpret_cast<const float*>(map.data);
            samples->insert(samples->end(), data, data + map.size / sizeof(float));
            gst_buffer_unmap(buffer, &map);
            gst_sample_unref(sample);
        } else if (gst_app_sink_is_eos(GST_APP_SINK(sink))) {
            break;
        } else if (GstMessage* error = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
            gst_message_unref(error);
            samples.reset();
        }
    }
    gst_object_unref(bus);
    gst_object_unref(sink);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return samples;
}

double rms(const std::vector<float>& samples, double from, double length) {
    const auto first = static_cast<std::size_t>(std::max(0.0, from) * kSampleRate);
    const auto last =
        std::min(samples.size(), first + static_cast<std::size_t>(length * kSampleRate));
    double sum = 0.0;
    for (std::size_t i = first; i < last; ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return last > first ? std::sqrt(sum / static_cast<double>(last - first)) : 0.0;
}

bool accentNear(double from, double to) {
    return std::any_of(kAccentTimes.begin(), kAccentTimes.end(),
                       [=](double accent) { return accent >= from && accent <= to; });
}

std::vector<std::filesystem::path> filesIn(const std::filesystem::path& directory) {
    return {std::filesystem::directory_iterator(directory), std::filesystem::directory_iterator()};
}

class SoundtrackAudioTest : public ::testing::Test {
  protected:
    // The first cuts of the timeline, made and decoded once for every test.
    static void SetUpTestSuite() {
        directory_ = std::make_unique<TemporaryDirectory>();
        const std::filesystem::path track = directory_->path() / "accents.mp3";
        if (runSoundtrackTool({track.string(), "--seconds", "52"}) == 0)
            decoded_ = decode(track);
    }
    static void TearDownTestSuite() {
        decoded_.reset();
        directory_.reset();
    }
    void SetUp() override { ASSERT_TRUE(decoded_) << "the soundtrack was not made or not decoded"; }

    static const std::vector<float>& music() { return *decoded_; }

    static inline std::unique_ptr<TemporaryDirectory> directory_;
    static inline std::optional<std::vector<float>> decoded_;
};

TEST_F(SoundtrackAudioTest, DecodesToTheRequestedLength) {
    const double seconds = static_cast<double>(music().size()) / kSampleRate;
    // MP3 frames add a few hundredths at the start and end, never less than asked for.
    EXPECT_GE(seconds, kAccentLength);
    EXPECT_LE(seconds, kAccentLength + 0.1);
}

TEST(SoundtrackTool, ShortRunsHaveTheirLengthToo) {
    TemporaryDirectory directory;
    const std::filesystem::path track = directory.path() / "short.mp3";
    ASSERT_EQ(runSoundtrackTool({track.string(), "--seconds", "2.5"}), 0);
    const std::optional<std::vector<float>> samples = decode(track);
    ASSERT_TRUE(samples);
    const double seconds = static_cast<double>(samples->size()) / kSampleRate;
    EXPECT_GE(seconds, 2.5);
    EXPECT_LE(seconds, 2.6);
}

TEST_F(SoundtrackAudioTest, EveryAccentIsLouderThanThePulseBeforeIt) {
    int checked = 0;
    for (double accent : kAccentTimes) {
        if (accent + kWindow > kAccentLength)
            continue;
        // The same point of an earlier beat, far enough from any accent to hear the pulse alone.
        double quiet = accent - kBeatSeconds;
        while (accentNear(quiet - 1.0, quiet + kWindow))
            quiet -= kBeatSeconds;
        const double loud = rms(music(), accent, kWindow);
        const double pulse = rms(music(), quiet, kWindow);
        EXPECT_GT(loud, 2.0 * pulse) << "accent at " << accent << " s against " << quiet << " s";
        ++checked;
    }
    EXPECT_EQ(checked, 12);
}

TEST_F(SoundtrackAudioTest, PulseIsSteadyAndAudibleBetweenAccents) {
    // No accent sounds between 10 s and 28 s: each beat should sound like the one before.
    for (double beat = 20.0; beat < 27.0; beat += kBeatSeconds) {
        const double now = rms(music(), beat, kBeatSeconds);
        const double before = rms(music(), beat - kBeatSeconds, kBeatSeconds);
        EXPECT_GT(now, 0.01) << "silence at " << beat << " s";
        EXPECT_NEAR(now / before, 1.0, 0.2) << "uneven pulse at " << beat << " s";
    }
}

TEST(SoundtrackTool, RefusesToOverwriteAnExistingFile) {
    TemporaryDirectory directory;
    const std::filesystem::path existing = directory.path() / "mine.mp3";
    std::ofstream(existing) << "my own music";
    EXPECT_EQ(runSoundtrackTool({existing.string(), "--seconds", "1"}), 1);
    std::ifstream file(existing);
    const std::string content{std::istreambuf_iterator<char>(file), {}};
    EXPECT_EQ(content, "my own music");
    EXPECT_EQ(filesIn(directory.path()).size(), 1u) << "a temporary file was left behind";
}

TEST(SoundtrackTool, RejectsBadArgumentsWithUsage) {
    TemporaryDirectory directory;
    const std::string out = (directory.path() / "out.mp3").string();
    const std::vector<std::vector<std::string>> bad{
        {},
        {"--seconds", "3"},
        {out, "--seconds"},
        {out, "--seconds", "abc"},
        {out, "--seconds", "3x"},
        {out, "--seconds", "0"},
        {out, "--seconds", "-2"},
        {out, "--seconds", "nan"},
        {out, "--seconds", "inf"},
        {out, "--seconds", "100000"},
        {out, out + "2"},
        {out, "--loud"},
    };
    for (const std::vector<std::string>& arguments : bad) {
        EXPECT_EQ(runSoundtrackTool(arguments), 2) << testing::PrintToString(arguments);
    }
    EXPECT_TRUE(filesIn(directory.path()).empty());
}

TEST(SoundtrackTool, FailsCleanlyWhenTheFolderDoesNotExist) {
    TemporaryDirectory directory;
    const std::filesystem::path out = directory.path() / "missing" / "out.mp3";
    EXPECT_EQ(runSoundtrackTool({out.string(), "--seconds", "1"}), 1);
    EXPECT_TRUE(filesIn(directory.path()).empty());
}

} // namespace
