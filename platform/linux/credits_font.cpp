#include "platform/linux/credits_font.h"

#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <memory>

namespace {

struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

const FcChar8* fc(const char* text) {
    return reinterpret_cast<const FcChar8*>(text);
}

std::string stringAt(const FcPattern* pattern, const char* object, int n = 0) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, n, &value) != FcResultMatch) {
        return {};
    }
    return reinterpret_cast<const char*>(value);
}

Pattern bestMatch(FcPattern* request) {
    FcConfigSubstitute(nullptr, request, FcMatchPattern);
    FcDefaultSubstitute(request);
    FcResult result = FcResultNoMatch;
    return Pattern(FcFontMatch(nullptr, request, &result));
}

std::optional<FontFile> fontFile(const FcPattern* match) {
    const std::string path = stringAt(match, FC_FILE);
    if (path.empty()) {
        return std::nullopt;
    }
    FontFile file{path, 0, stringAt(match, FC_FAMILY), stringAt(match, FC_STYLE)};
    FcPatternGetInteger(match, FC_INDEX, 0, &file.index);
    return file;
}

} // namespace

std::optional<FontFile> findFontFamily(const std::string& family) {
    Pattern request(FcPatternCreate());
    FcPatternAddString(request.get(), FC_FAMILY, fc(family.c_str()));
    const Pattern match = bestMatch(request.get());
    if (!match) {
        return std::nullopt;
    }
    // fontconfig always offers some font; only a face that carries the name itself counts.
    FcChar8* name = nullptr;
    for (int n = 0; FcPatternGetString(match.get(), FC_FAMILY, n, &name) == FcResultMatch; ++n) {
        if (FcStrCmpIgnoreCase(name, fc(family.c_str())) == 0) {
            std::optional<FontFile> file = fontFile(match.get());
            if (file) {
                file->family = reinterpret_cast<const char*>(name);
            }
            return file;
        }
    }
    return std::nullopt;
}

std::optional<FontFile> lightSansSerif() {
    Pattern request(FcPatternCreate());
    // Open Sans shares Segoe UI's proportions; the generic family catches machines without it.
    // Condensed, so that the longest names end inside the sixth of the image the field can reach.
    FcPatternAddString(request.get(), FC_FAMILY, fc("Open Sans"));
    FcPatternAddString(request.get(), FC_FAMILY, fc("sans-serif"));
    FcPatternAddInteger(request.get(), FC_WEIGHT, FC_WEIGHT_LIGHT);
    FcPatternAddInteger(request.get(), FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddInteger(request.get(), FC_WIDTH, FC_WIDTH_CONDENSED);
    const Pattern match = bestMatch(request.get());
    if (!match) {
        return std::nullopt;
    }
    return fontFile(match.get());
}

const std::optional<FontFile>& creditsFont() {
    static const std::optional<FontFile> font = [] {
        std::optional<FontFile> named = findFontFamily("Segoe UI Light");
        if (named)
            return named;
        // The viewer learns why the credits look other than intended.
        std::optional<FontFile> standIn = lightSansSerif();
        if (standIn) {
            const std::string style = standIn->style.empty() ? "" : " " + standIn->style;
            std::printf("Credits face: %s%s (Segoe UI Light is not installed)\n",
                        standIn->family.c_str(), style.c_str());
        } else
            std::printf("Credits face: none (no sans-serif family is installed)\n");
        std::fflush(stdout);
        return standIn;
    }();
    return font;
}
