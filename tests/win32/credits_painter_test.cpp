#include "text/credits_filter.h"
#include "text/credits_image.h"
#include "text/credits_layout.h"

#include <windows.h>
// GDI+ wants the COM property types that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <regex>
#include <string>
#include <vector>

// Where an image holds more than `level` in rows top ... top + 149, counted from top.
struct Box {
    int left = creditsWidth, right = -1, top = -1, bottom = -1;
};

static Box boxOf(const std::vector<float>& image, int top, float level) {
    Box box;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < creditsWidth; ++x)
            if (image[(top + y) * creditsWidth + x] > level)
                box = {std::min(box.left, x), std::max(box.right, x), box.top < 0 ? y : box.top, y};
    return box;
}

TEST(CreditsPainter, EachLineInItsBandInOrderFromTheLayoutOrigin) {
    // The window starts GDI+ in the program; here the test stands in for it.
    ULONG_PTR token = 0;
    const Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    testing::internal::CaptureStdout();
    const CreditsImage image = paintCredits();
    const std::string printed = testing::internal::GetCapturedStdout();
    const auto ink = greenMask(image.bgra.data(), creditsWidth, creditsHeight, image.stride);
    std::vector<float> field = ink;
    softenMask(field, creditsWidth, creditsHeight);

    // Line o is read from rows 150 o + 40 ... 150 o + 190, from its left sixth (the last line from
    // two fifths); the volume pass repeats a band's edge rows, so the field may not reach them.
    std::vector<Box> lines;
    for (int line = 0, top = 40; line < 6; ++line, top += creditsLinePitch) {
        SCOPED_TRACE(creditLines[line].text);
        const Box reach = boxOf(field, top, 0.005f);
        EXPECT_TRUE(reach.top > 0 && reach.bottom < 149) << reach.top << ".." << reach.bottom;
        EXPECT_LT(reach.right, std::ceil(creditsWidth * 0.5 / (line == 5 ? 1.25 : 3.0)));
        lines.push_back(boxOf(ink, top, 0.5f));
        EXPECT_LE(lines.back().left, creditsLayoutX + creditsEmSize * 0.3);
    }
    // GDI+ sets a string 1/6 em in from its origin; the V of the last line has no bearing.
    EXPECT_NEAR(lines[5].left, creditsLayoutX + creditsEmSize / 6.0, 4.0);
    EXPECT_EQ(std::ranges::max_element(lines, {}, &Box::bottom) - lines.begin(), 4)
        << "only Drannig descends below its baseline";
    EXPECT_EQ(std::ranges::max_element(lines, {}, &Box::right) - lines.begin(), 5)
        << "Velkorrin is the longest name";

    // Wine has no Segoe UI Light: a light sans-serif stands in, and is named.
    const std::regex standIn("Credits face: .*Light.* \\(Segoe UI Light is not installed\\)\n");
    EXPECT_TRUE(std::regex_match(printed, standIn)) << printed;
    Gdiplus::GdiplusShutdown(token);
}
