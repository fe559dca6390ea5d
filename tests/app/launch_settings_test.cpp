#include "app/launch_settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

LaunchSettings parsed(const std::string& text, LaunchSettings settings = {}) {
    parseResolution(text, settings);
    return settings;
}

void expectSize(const LaunchSettings& settings, int width, int height) {
    EXPECT_EQ(settings.width, width);
    EXPECT_EQ(settings.height, height);
}

TEST(ParseResolution, ReadsBothNumbersOfWellFormedText) {
    expectSize(parsed("1280x720"), 1280, 720);
    expectSize(parsed("1920x1080"), 1920, 1080);
    expectSize(parsed("2560x1440"), 2560, 1440);
    expectSize(parsed("800x600"), 800, 600);
    expectSize(parsed("+800x+600"), 800, 600);
    expectSize(parsed("007x08"), 7, 8);
}

TEST(ParseResolution, SkipsBlanksBeforeEachNumberButNotBeforeTheX) {
    expectSize(parsed("   640x360"), 640, 360);
    expectSize(parsed("\t640x \n360"), 640, 360);
    expectSize(parsed("640 x360", {1, 2}), 640, 2);
}

TEST(ParseResolution, StopsAtTheFirstMismatchAndKeepsWhatItDidNotReach) {
    expectSize(parsed("1600X900"), 1600, 0);
    expectSize(parsed("1600X900", {3, 4}), 1600, 4);
    expectSize(parsed("x720", {3, 4}), 3, 4);
    expectSize(parsed("", {3, 4}), 3, 4);
    expectSize(parsed("   ", {3, 4}), 3, 4);
    expectSize(parsed("1024", {3, 4}), 1024, 4);
    expectSize(parsed("1024x", {3, 4}), 1024, 4);
    expectSize(parsed("1024xabc", {3, 4}), 1024, 4);
    expectSize(parsed("-x5", {3, 4}), 3, 4);
    expectSize(parsed("wide", {3, 4}), 3, 4);
}

TEST(ParseResolution, IgnoresWhatFollowsTheSecondNumber) {
    expectSize(parsed("800x600x32"), 800, 600);
    expectSize(parsed("800x600 pixels"), 800, 600);
    expectSize(parsed("800x600.5"), 800, 600);
}

TEST(ParseResolution, StoresSignsAndZerosAsTyped) {
    expectSize(parsed("-5x10"), -5, 10);
    expectSize(parsed("0x0", {3, 4}), 0, 0);
    expectSize(parsed("0x10"), 0, 10);
}

TEST(ParseResolution, SaturatesNumbersBeyondInt) {
    expectSize(parsed("2147483647x-2147483648"), INT_MAX, INT_MIN);
    expectSize(parsed("2147483648x-2147483649"), INT_MAX, INT_MIN);
    expectSize(parsed("4294967296x4294967297"), INT_MAX, INT_MAX);
    expectSize(parsed(std::string(400, '9') + "x" + std::string(400, '9')), INT_MAX, INT_MAX);
    expectSize(parsed("-" + std::string(400, '9') + "x5"), INT_MIN, 5);
}

TEST(ParseResolution, LeavesFullscreenAndConfirmedAlone) {
    const LaunchSettings result = parsed("800x600", {0, 0, true, false});
    EXPECT_TRUE(result.fullscreen);
    EXPECT_FALSE(result.confirmed);
}

TEST(ResolutionProblem, RefusesSidesBelowOne) {
    EXPECT_TRUE(resolutionProblem({0, 0}, 16384));
    EXPECT_TRUE(resolutionProblem({0, 720}, 16384));
    EXPECT_TRUE(resolutionProblem({1280, 0}, std::nullopt));
    EXPECT_TRUE(resolutionProblem({-5, 10}, 16384));
    EXPECT_TRUE(resolutionProblem({10, INT_MIN}, std::nullopt));
    EXPECT_FALSE(resolutionProblem({1, 1}, 16384));
    EXPECT_FALSE(resolutionProblem({1, 1}, std::nullopt));
}

TEST(ResolutionProblem, RefusesSidesAboveTheLargestRenderableSize) {
    EXPECT_FALSE(resolutionProblem({16384, 16384}, 16384));
    EXPECT_TRUE(resolutionProblem({16385, 720}, 16384));
    EXPECT_TRUE(resolutionProblem({1280, 16385}, 16384));
    EXPECT_TRUE(resolutionProblem({1920, 1080}, 1024));
    EXPECT_FALSE(resolutionProblem({1920, 1080}, 8192));
}

TEST(ResolutionProblem, WithoutAKnownLimitStillRefusesNumbersBeyondInt) {
    EXPECT_FALSE(resolutionProblem({32768, 32768}, std::nullopt));
    EXPECT_TRUE(resolutionProblem({INT_MAX, 720}, std::nullopt));
    EXPECT_TRUE(resolutionProblem({1280, INT_MAX}, std::nullopt));
    EXPECT_TRUE(resolutionProblem(parsed("99999999999x720"), std::nullopt));
}

TEST(ResolutionProblem, MessagesAreShortAndNameTheLimit) {
    const auto small = resolutionProblem({0, 0}, 16384);
    ASSERT_TRUE(small);
    EXPECT_EQ(*small, "Width and height must be at least 1.");
    const auto large = resolutionProblem({20000, 100}, 16384);
    ASSERT_TRUE(large);
    EXPECT_EQ(*large, "Width and height must be at most 16384.");
}

TEST(ApplyConfirm, AcceptsTheListedSizesWindowedOrFullscreen) {
    struct Case {
        const char* text;
        bool ticked;
        int width, height;
    };
    // The untouched dialog, then the second entry with the box ticked.
    for (const Case& c :
         {Case{"1280x720", false, 1280, 720}, Case{"1920x1080", true, 1920, 1080}}) {
        LaunchSettings settings;
        EXPECT_FALSE(applyConfirm(settings, c.text, c.ticked, 16384)) << c.text;
        expectSize(settings, c.width, c.height);
        EXPECT_EQ(settings.fullscreen, c.ticked) << c.text;
        EXPECT_TRUE(settings.confirmed) << c.text;
    }
}

TEST(ApplyConfirm, ARefusedTextLeavesTheSettingsUntouched) {
    for (const char* text : {"1600X900", "0x0", "-5x10", "x720", "", "99999999999x720", "640"}) {
        LaunchSettings settings;
        EXPECT_TRUE(applyConfirm(settings, text, true, 16384)) << text;
        expectSize(settings, 0, 0);
        EXPECT_FALSE(settings.fullscreen) << text;
        EXPECT_TRUE(settings.confirmed) << text;
    }
}

TEST(ApplyConfirm, ARefusedPressLeavesNothingBehindForTheNext) {
    LaunchSettings settings;
    // The width of this refused text must not complete the next one.
    ASSERT_TRUE(applyConfirm(settings, "-5x10", true, 16384));
    EXPECT_TRUE(applyConfirm(settings, "640", false, 16384));
    // The box was ticked at the refused press only.
    EXPECT_FALSE(applyConfirm(settings, "640x360", false, 16384));
    expectSize(settings, 640, 360);
    EXPECT_FALSE(settings.fullscreen);
}

TEST(ApplyConfirm, AKnownLimitRefusesWhatTheGlCannotRender) {
    LaunchSettings settings;
    EXPECT_TRUE(applyConfirm(settings, "4096x2160", false, 2048));
    EXPECT_FALSE(applyConfirm(settings, "4096x2160", false, std::nullopt));
    expectSize(settings, 4096, 2160);
}

} // namespace
