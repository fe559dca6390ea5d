#include "gpu/texture.h"
#include "platform/linux/credits_font.h"
#include "tests/support/gl_test.h"
#include "text/credits_filter.h"
#include "text/credits_layout.h"
#include "text/text_rasterizer.h"

#include "platform/gl.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

const float coveredValue = static_cast<float>(std::pow(6.0 / 7.0, 10.0));

// The part of line o's band that the text-volume pass can sample: rows 0.15 o + 0.04 ...
// 0.15 o + 0.19 of the height, and the left sixth of the width (two fifths for the last line).
struct Window {
    int top;
    int bottom; // exclusive
    int right;  // exclusive
};

Window reachable(int line) {
    const int top = line * creditsLinePitch + 40;
    const double scale = line == 5 ? 1.25 : 3.0;
    return {top, top + 150, static_cast<int>(std::ceil(creditsWidth * 0.5 / scale))};
}

class CreditsImageTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        image_ = new CreditsImage(paintCredits());
        field_ = new std::vector<float>(creditsField(*image_));
    }
    static void TearDownTestSuite() {
        delete image_;
        delete field_;
    }
    static const CreditsImage& image() { return *image_; }
    static const std::vector<float>& field() { return *field_; }

  private:
    static inline CreditsImage* image_ = nullptr;
    static inline std::vector<float>* field_ = nullptr;
};

TEST(CreditsFont, NamedFamilyIsFoundOnlyWhenInstalled) {
    const std::optional<FontFile> dejaVu = findFontFamily("dejavu sans");
    ASSERT_TRUE(dejaVu.has_value());
    EXPECT_EQ(dejaVu->family, "DejaVu Sans");
    EXPECT_TRUE(std::filesystem::exists(dejaVu->path));
    EXPECT_FALSE(findFontFamily("Quorvane Missing Face").has_value());
}

TEST(CreditsFont, FallsBackToALightSansSerif) {
    const std::optional<FontFile>& font = creditsFont();
    ASSERT_TRUE(font.has_value());
    EXPECT_TRUE(std::filesystem::exists(font->path));
    std::printf("credits font: %s (%s, %s)\n", font->family.c_str(), font->style.c_str(),
                font->path.c_str());
    if (!findFontFamily("Segoe UI Light")) {
        const std::optional<FontFile> fallback = lightSansSerif();
        ASSERT_TRUE(fallback.has_value());
        EXPECT_EQ(font->path, fallback->path);
        EXPECT_NE(font->style.find("Light"), std::string::npos) << font->style;
    }
}

TEST_F(CreditsImageTest, LinesAreGreyOnOpaqueBlackInsideTheirRows) {
    ASSERT_EQ(image().width, 2500);
    ASSERT_EQ(image().height, 1000);
    ASSERT_EQ(image().stride, 10000u);
    int lit[6] = {};
    int outside = 0;
    for (int y = 0; y < image().height; ++y) {
        for (int x = 0; x < image().width; ++x) {
            const unsigned char* pixel = &image().bgra[y * image().stride + 4 * x];
            ASSERT_EQ(pixel[3], 255) << x << ", " << y;
            ASSERT_TRUE(pixel[0] == pixel[1] && pixel[1] == pixel[2]) << x << ", " << y;
            if (pixel[1] <= 10) {
                continue;
            }
            // The filter needs the first 15 rows and columns empty.
            if (x < 15 || y < 15) {
                ++outside;
            }
            const int line = (y - 10) / creditsLinePitch;
            if (line >= 0 && line < 6) {
                ++lit[line];
            } else {
                ++outside;
            }
        }
    }
    EXPECT_EQ(outside, 0);
    for (int line = 0; line < 6; ++line) {
        EXPECT_GT(lit[line], 2500) << "line " << line;
    }
}

TEST_F(CreditsImageTest, FieldLiesBetweenZeroAndTheCoveredValue) {
    const auto [low, high] = std::minmax_element(field().begin(), field().end());
    // Running sums of sevenths leave rounding residues of a few 1e-7 where the sum returns to 0.
    EXPECT_GE(*low, -1e-6f);
    EXPECT_LE(*high, coveredValue + 1e-6f);
    EXPECT_GT(*high, 0.1f);
    std::printf("field range: %.9g ... %.9g\n", *low, *high);
}

TEST_F(CreditsImageTest, EveryLineHasGlyphsInTheWindowTheVolumePassReads) {
    for (int line = 0; line < 6; ++line) {
        const Window window = reachable(line);
        int above = 0;
        for (int y = window.top; y < window.bottom; ++y) {
            for (int x = 0; x < window.right; ++x) {
                above += field()[y * creditsWidth + x] > 0.02f ? 1 : 0;
            }
        }
        std::printf("line %d: %d texels above 0.02 in rows %d..%d, columns 0..%d\n", line, above,
                    window.top, window.bottom - 1, window.right - 1);
        EXPECT_GT(above, 10000) << "line " << line;
    }
}

TEST_F(CreditsImageTest, EveryLineEndsInsideTheWindowTheVolumePassReads) {
    for (int line = 0; line < 6; ++line) {
        const Window window = reachable(line);
        int beyond = 0;
        for (int y = window.top; y < window.bottom; ++y) {
            for (int x = window.right; x < creditsWidth; ++x) {
                beyond += field()[y * creditsWidth + x] > 0.02f ? 1 : 0;
            }
        }
        EXPECT_EQ(beyond, 0) << "line " << line << " runs past column " << window.right - 1;
    }
}

TEST_F(CreditsImageTest, BandEdgesStayBelowWhatTheSurfaceNoiseCanLift) {
    // The volume pass clamps to a band's first and last rows and repeats them over the rest of the
    // slice; its noise lowers the field by up to 0.015, so these rows must stay under 0.005.
    for (int line = 0; line < 6; ++line) {
        const Window window = reachable(line);
        for (int y : {window.top - 1, window.top, window.bottom - 1, window.bottom}) {
            float highest = 0.0f;
            for (int x = 0; x < window.right; ++x) {
                highest = std::max(highest, field()[y * creditsWidth + x]);
            }
            EXPECT_LT(highest, 0.005f) << "line " << line << ", row " << y;
        }
    }
}

TEST_F(CreditsImageTest, FieldIsTheSoftenedGreenMask) {
    std::vector<float> expected =
        greenMask(image().bgra.data(), image().width, image().height, image().stride);
    softenMask(expected, image().width, image().height);
    EXPECT_TRUE(expected == field());
}

TEST(CreditsPainter, DrawsNothingWithoutAFont) {
    const CreditsImage image = paintCredits(std::nullopt);
    ASSERT_EQ(image.bgra.size(), 10000u * 1000u);
    for (std::size_t i = 0; i < image.bgra.size(); i += 4) {
        ASSERT_EQ(image.bgra[i + 1], 0) << i;
    }
}

class TextUploadTest : public GlTest {};

TEST_F(TextUploadTest, ReplacesTheTextureWithTheFieldAsR32F) {
    Texture2D texture(ImageKind::Colour, creditsWidth, creditsHeight);
    glActiveTexture(GL_TEXTURE3);
    const TextRasterizer rasterizer;
    rasterizer.rasterizeCredits(texture);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));

    GLint active = 0;
    GLint bound = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(active, GL_TEXTURE0);
    EXPECT_EQ(static_cast<GLuint>(bound), texture.id());

    GLint format = 0;
    GLint width = 0;
    GLint height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    EXPECT_EQ(format, GL_R32F);
    EXPECT_EQ(width, creditsWidth);
    EXPECT_EQ(height, creditsHeight);

    // Row 0 of the field, the top of the first line, is texture row 0.
    std::vector<float> texels(static_cast<std::size_t>(creditsWidth) * creditsHeight, -1.0f);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RED, GL_FLOAT, texels.data());
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
    EXPECT_TRUE(texels == creditsField(paintCredits()));
}

} // namespace
