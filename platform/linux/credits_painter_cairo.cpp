#include "platform/linux/credits_font.h"
#include "text/credits_image.h"
#include "text/credits_layout.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <bit>
#include <cstring>
#include <memory>
#include <string>

// Cairo's ARGB32 pixels are native-endian words; only little-endian stores them as B, G, R, A.
static_assert(std::endian::native == std::endian::little);

namespace {

struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextDeleter {
    void operator()(cairo_t* context) const { cairo_destroy(context); }
};
struct FaceDeleter {
    void operator()(cairo_font_face_t* face) const { cairo_font_face_destroy(face); }
};
struct OptionsDeleter {
    void operator()(cairo_font_options_t* options) const { cairo_font_options_destroy(options); }
};

// Lines start 1/6 em right of their origin, as GDI+ lays out a string by default; that also keeps
// glyphs without a left bearing clear of the first 15 columns, which the filter needs empty.
constexpr double leadingPadding = creditsEmSize / 6.0;

std::unique_ptr<cairo_font_face_t, FaceDeleter> openFace(const FontFile& font) {
    // Cairo keeps what it needs of the pattern.
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FILE, reinterpret_cast<const FcChar8*>(font.path.c_str()));
    FcPatternAddInteger(pattern, FC_INDEX, font.index);
    std::unique_ptr<cairo_font_face_t, FaceDeleter> face(
        cairo_ft_font_face_create_for_pattern(pattern));
    FcPatternDestroy(pattern);
    return face;
}

void drawLines(cairo_t* context, const FontFile& font) {
    const auto face = openFace(font);
    if (cairo_font_face_status(face.get()) != CAIRO_STATUS_SUCCESS) {
        return;
    }
    cairo_set_font_face(context, face.get());
    cairo_set_font_size(context, creditsEmSize);
    // Grey anti-aliasing and unhinted outlines: the same image whatever the desktop's settings.
    std::unique_ptr<cairo_font_options_t, OptionsDeleter> options(cairo_font_options_create());
    cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(context, options.get());

    cairo_font_extents_t extents{};
    cairo_font_extents(context, &extents);
    cairo_set_source_rgba(context, 1.0, 1.0, 1.0, 1.0);
    for (const CreditLine& line : creditLines) {
        const std::string text(line.text);
        cairo_move_to(context, creditsLayoutX + leadingPadding, line.layoutY + extents.ascent);
        cairo_show_text(context, text.c_str());
    }
}

} // namespace

CreditsImage paintCredits(const std::optional<FontFile>& font) {
    CreditsImage image = blankCreditsImage();

    std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, creditsWidth, creditsHeight));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        return image;
    }
    std::unique_ptr<cairo_t, ContextDeleter> context(cairo_create(surface.get()));
    cairo_set_source_rgba(context.get(), 0.0, 0.0, 0.0, 1.0);
    cairo_paint(context.get());
    if (font) {
        drawLines(context.get(), *font);
    }
    cairo_surface_flush(surface.get());

    const unsigned char* pixels = cairo_image_surface_get_data(surface.get());
    const auto stride = static_cast<std::size_t>(cairo_image_surface_get_stride(surface.get()));
    for (int y = 0; y < creditsHeight; ++y) {
        std::memcpy(image.bgra.data() + y * image.stride, pixels + y * stride, image.stride);
    }
    return image;
}

CreditsImage paintCredits() {
    return paintCredits(creditsFont());
}
