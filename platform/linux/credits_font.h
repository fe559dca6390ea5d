#pragma once

#include "text/credits_image.h"

#include <optional>
#include <string>

// A font file chosen through fontconfig.
struct FontFile {
    std::string path;
    int index = 0; // face index inside the file
    std::string family;
    std::string style;
};

// The face whose family is exactly `family` (case-insensitive), or nothing when no installed font
// carries that family name.
std::optional<FontFile> findFontFamily(const std::string& family);

// The light sans-serif face that stands in for a missing credits face: Open Sans Condensed Light
// where it is installed, else the face fontconfig matches for a light, condensed sans-serif.
// Nothing only when fontconfig finds no font at all.
std::optional<FontFile> lightSansSerif();

// The credits face: "Segoe UI Light" when installed, else lightSansSerif(). Resolved once per
// process.
const std::optional<FontFile>& creditsFont();

// The credits painted with cairo in `font`, or opaque black without text when there is none.
CreditsImage paintCredits(const std::optional<FontFile>& font);
