#include "platform/linux/credits_font.h"
#include "tests/support/credits_reference.h"
#include "text/credits_filter.h"
#include "text/credits_image.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

TEST(CreditsPainter, EachLineIsItsTextAtItsOriginAndEmSizeInItsOwnBand) {
    testing::internal::CaptureStdout();
    ASSERT_TRUE(creditsFont() && std::filesystem::exists(creditsFont()->path));
    // A light sans-serif stands in for a missing Segoe UI Light, and is named.
    const std::string printed = testing::internal::GetCapturedStdout();
    const bool named = printed.starts_with("Credits face: ") &&
                       printed.ends_with(" (Segoe UI Light is not installed)\n") &&
                       printed.find("Light") < printed.find('(');
    EXPECT_TRUE(findFontFamily("Segoe UI Light") ? printed.empty() : named) << printed;
    const CreditsImage image = paintCredits();
    ASSERT_EQ(image.bgra.size(), 2500u * 1000u * 4u);
    // Each line's lit box (left, top, right, bottom) in the rows the text-volume pass reads for
    // line o, 150 o + 40 ... 150 o + 190; lit pixels elsewhere or in the filter's margin stray.
    std::vector<std::array<int, 4>> seen(6, {9999, 9999, 0, 0});
    int stray = 0;
    for (int y = 0; y < 1000; ++y)
        for (int x = 0; x < 2500; ++x) {
            const int line = (y - 40) / 150;
            if (image.bgra[image.stride * y + 4 * x + 1] <= 10 ||
                ((y < 40 || x < 15 || line > 5) && ++stray))
                continue;
            auto& box = seen[line];
            box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x + 1),
                   std::max(box[3], y + 1)};
        }
    EXPECT_EQ(stray, 0);
    // Where cairo puts each text's ink in the credits face at 130 pixels, unhinted.
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FILE,
                       reinterpret_cast<const FcChar8*>(creditsFont()->path.c_str()));
    FcPatternAddInteger(pattern, FC_INDEX, creditsFont()->index);
    cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(pattern);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* context = cairo_create(surface);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(context, options);
    cairo_set_font_face(context, face);
    cairo_set_font_size(context, 130.0);
    cairo_font_extents_t font{};
    cairo_font_extents(context, &font);
    const char* texts[6] = {"code:", "Korvex", "music:", "Ulmara", "Drannig", "Velkorrin"};
    for (int line = 0; line < 6; ++line) {
        cairo_text_extents_t ink{};
        cairo_text_extents(context, texts[line], &ink);
        // GDI+ starts a string 1/6 em right of its layout x, and its line box at the layout y.
        const double x = 10.0 + 130.0 / 6.0 + ink.x_bearing,
                     y = 10 + 150 * line + font.ascent + ink.y_bearing;
        // Anti-aliased edges below the mask's threshold shrink the lit box by up to a pixel.
        const std::array<double, 4> inkBox = {x, y, x + ink.width, y + ink.height};
        for (int side = 0; side < 4; ++side)
            EXPECT_NEAR(seen[line][side], inkBox[side], 1.5) << texts[line] << side;
    }
    cairo_font_options_destroy(options);
    cairo_destroy(context);
    cairo_surface_destroy(surface);
    cairo_font_face_destroy(face);
    FcPatternDestroy(pattern);
}

TEST(CreditsFilter, MaskIsTheGreenByteAboveTenAndTheSumsAreTheReferenceExactly) {
    // Two rows of three blue, green, red, alpha pixels, each followed by four bytes of padding.
    const std::vector<unsigned char> bgra = {0,   10,  0,  255, 0,  11,  0,   255, 255, 0,   255,
                                             255, 99,  99, 99,  99, 0,   255, 0,   0,   200, 9,
                                             200, 255, 0,  12,  0,  255, 99,  99,  99,  99};
    EXPECT_EQ(greenMask(bgra.data(), 3, 2, 16), (std::vector<float>{0, 1, 0, 1, 0, 1}));
    std::mt19937 generator(1);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (const auto& [w, h] : {std::pair{37, 23}, {64, 40}, {7, 5}, {3, 2}, {1, 9}, {9, 1}}) {
        std::vector<float> mask(static_cast<size_t>(w) * h);
        for (float& value : mask)
            value = w > 7 ? unit(generator) : float(unit(generator) < 0.4f);
        std::vector<float> field = mask;
        softenMask(field, w, h);
        EXPECT_EQ(field, softenReference(mask, w, h)) << w << " x " << h;
    }
}

} // namespace
