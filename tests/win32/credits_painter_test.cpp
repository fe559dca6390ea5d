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
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Line o's band, rows 0.15 o + 0.04 ... 0.15 o + 0.19 of the height, and the columns of it that
// the text-volume pass reads (the left sixth, two fifths for the last line).
struct Band {
    int top;
    int bottom; // exclusive
    int right;  // exclusive
};

Band band(int line) {
    const int top = line * creditsLinePitch + 40;
    const double scale = line == 5 ? 1.25 : 3.0;
    return {top, top + 150, static_cast<int>(std::ceil(creditsWidth * 0.5 / scale))};
}

// The columns and rows a line's ink covers in the painted image.
struct Ink {
    int left = creditsWidth;
    int right = -1;
    int bottom = -1;
};

class CreditsPainterTest : public ::testing::Test {
  protected:
    // The window starts GDI+ in the program; here the fixture stands in for it.
    static void SetUpTestSuite() {
        const Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
        testing::internal::CaptureStdout();
        image_ = paintCredits();
        printed_ = testing::internal::GetCapturedStdout();
        field_ = greenMask(image_.bgra.data(), image_.width, image_.height, image_.stride);
        softenMask(field_, image_.width, image_.height);
    }
    static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(token_); }

    static Ink ink(int line) {
        Ink found;
        const Band rows = band(line);
        for (int y = rows.top; y < rows.bottom; ++y)
            for (int x = 0; x < creditsWidth; ++x)
                if (image_.bgra[y * image_.stride + 4 * x + 1] > 10) {
                    found.left = std::min(found.left, x);
                    found.right = std::max(found.right, x);
                    found.bottom = y - rows.top;
                }
        return found;
    }

    static int fieldAbove(int top, int bottom, int left, int right, float level) {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                count += field_[y * creditsWidth + x] > level ? 1 : 0;
        return count;
    }

    static inline ULONG_PTR token_ = 0;
    static inline CreditsImage image_;
    static inline std::string printed_;
    static inline std::vector<float> field_;
};

TEST_F(CreditsPainterTest, PaintsWhiteOnOpaqueBlack) {
    ASSERT_EQ(image_.width, 2500);
    ASSERT_EQ(image_.height, 1000);
    ASSERT_EQ(image_.stride, 10000u);
    ASSERT_EQ(image_.bgra.size(), 10000u * 1000u);
    for (std::size_t i = 0; i < image_.bgra.size(); i += 4) {
        ASSERT_EQ(image_.bgra[i + 3], 255) << i / 4;
        ASSERT_TRUE(image_.bgra[i] == image_.bgra[i + 1] &&
                    image_.bgra[i + 1] == image_.bgra[i + 2])
            << i / 4;
    }
}

TEST_F(CreditsPainterTest, EachLineFillsItsBandFromTheLayoutOrigin) {
    EXPECT_EQ(fieldAbove(0, band(0).top, 0, creditsWidth, 0.005f), 0);
    EXPECT_EQ(fieldAbove(band(5).bottom, creditsHeight, 0, creditsWidth, 0.005f), 0);
    int leftmost = creditsWidth;
    for (int line = 0; line < 6; ++line) {
        SCOPED_TRACE(creditLines[line].text);
        const Band rows = band(line);
        EXPECT_GT(fieldAbove(rows.top, rows.bottom, 0, rows.right, 0.02f), 10000);
        EXPECT_EQ(fieldAbove(rows.top, rows.bottom, rows.right, creditsWidth, 0.02f), 0)
            << "the line runs past column " << rows.right - 1;
        // The volume pass repeats a band's edge rows, so nothing may reach them.
        EXPECT_EQ(fieldAbove(rows.top, rows.top + 1, 0, creditsWidth, 0.005f), 0);
        EXPECT_EQ(fieldAbove(rows.bottom - 1, rows.bottom, 0, creditsWidth, 0.005f), 0);
        EXPECT_LE(ink(line).left, creditsLayoutX + creditsEmSize * 0.3);
        leftmost = std::min(leftmost, ink(line).left);
    }
    // GDI+ sets a string 1/6 em in from its origin; the V of the last line has no bearing.
    EXPECT_NEAR(leftmost, creditsLayoutX + creditsEmSize / 6.0, 4.0);
}

TEST_F(CreditsPainterTest, LinesComeInTheirOrder) {
    std::vector<Ink> lines;
    for (int line = 0; line < 6; ++line)
        lines.push_back(ink(line));
    const auto deepest = std::max_element(lines.begin(), lines.end(),
                                          [](Ink a, Ink b) { return a.bottom < b.bottom; });
    const auto widest = std::max_element(lines.begin(), lines.end(),
                                         [](Ink a, Ink b) { return a.right < b.right; });
    EXPECT_EQ(deepest - lines.begin(), 4) << "only Drannig descends below its baseline";
    EXPECT_EQ(widest - lines.begin(), 5) << "Velkorrin is the longest name";
}

TEST_F(CreditsPainterTest, NamesTheStandInFaceOnlyWhenTheCreditsFaceIsMissing) {
    Gdiplus::GpFontFamily* named = nullptr;
    if (Gdiplus::DllExports::GdipCreateFontFamilyFromName(L"Segoe UI Light", nullptr, &named) ==
        Gdiplus::Ok) {
        Gdiplus::DllExports::GdipDeleteFontFamily(named);
        EXPECT_EQ(printed_, "");
        return;
    }
    const std::string prefix = "Credits face: ";
    const std::string suffix = " (Segoe UI Light is not installed)\n";
    ASSERT_GT(printed_.size(), prefix.size() + suffix.size()) << printed_;
    EXPECT_EQ(printed_.substr(0, prefix.size()), prefix);
    EXPECT_EQ(printed_.substr(printed_.size() - suffix.size()), suffix);
    const std::string face =
        printed_.substr(prefix.size(), printed_.size() - prefix.size() - suffix.size());
    EXPECT_NE(face.find("Light"), std::string::npos) << face;
    std::printf("stand-in face: %s\n", face.c_str());
}

} // namespace
