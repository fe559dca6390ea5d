#include "app/launch_settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

TEST(LaunchSettings, ParsesLikeScanningTwoNumbersAndKeepsWhatItDoesNotReach) {
    const std::string nines(400, '9');
    // clang-format off
    for (const auto& [text, width, height] : std::vector<std::tuple<std::string, int, int>>{
             {"1280x720", 1280, 720}, {"+800x+600", 800, 600}, {"007x08", 7, 8}, {"\t640x \n360", 640, 360},
             {"640 x360", 640, 4}, {"1600X900", 1600, 4}, {"x720", 3, 4}, {"   ", 3, 4},
             {"1024xabc", 1024, 4}, {"-x5", 3, 4}, {"800x600.5", 800, 600}, {"-5x10", -5, 10},
             {"0x0", 0, 0}, {"2147483648x-2147483649", INT_MAX, INT_MIN}, {nines + "x-" + nines, INT_MAX, INT_MIN}}) {
        // clang-format on
        LaunchSettings settings{3, 4, true, false};
        parseResolution(text, settings);
        EXPECT_EQ(settings.width, width) << text;
        EXPECT_EQ(settings.height, height) << text;
        EXPECT_TRUE(settings.fullscreen && !settings.confirmed) << text;
    }
}

TEST(LaunchSettings, ConfirmTakesOnlyASizeFromOneToTheRenderableLimit) {
    // clang-format off
    for (const auto& [width, height, limit, refused] : std::vector<std::tuple<int, int, std::optional<int>, bool>>{
             {0, 720, 16384, true}, {1280, 0, {}, true}, {10, INT_MIN, {}, true}, {1, 1, {}, false},
             {16384, 16384, 16384, false}, {16385, 720, 16384, true}, {1280, 16385, 16384, true},
             {32768, 32768, {}, false}, {1280, INT_MAX, {}, true}})
        // clang-format on
        EXPECT_EQ(resolutionProblem({width, height}, limit).has_value(), refused)
            << width << "x" << height;

    LaunchSettings settings;
    for (const char* refused : {"1600X900", "-5x10", "", "99999999999x720", "640"}) {
        EXPECT_TRUE(applyConfirm(settings, refused, true, 16384)) << refused;
        EXPECT_TRUE(settings.width == 0 && settings.height == 0 && !settings.fullscreen) << refused;
    }
    // Nothing of the refused presses (the width, the ticked box) carries into the next one.
    EXPECT_FALSE(applyConfirm(settings, "640x360", false, 16384));
    EXPECT_TRUE(settings.width == 640 && settings.height == 360 && !settings.fullscreen);
    EXPECT_FALSE(applyConfirm(settings, "1920x1080", true, std::nullopt));
    EXPECT_TRUE(settings.width == 1920 && settings.fullscreen && settings.confirmed);
}

} // namespace
