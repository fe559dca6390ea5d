#include "text/credits_image.h"
#include "text/credits_layout.h"

#include <emscripten.h>

#include <cstdio>
#include <string>

namespace {

// Opens a black 2500 x 1000 Canvas 2D for the credits in "Segoe UI Light" where the machine has
// it, else in the light face shipped beside the page; prints the face line for the stand-in.
// A face is installed when text in it measures otherwise than in both generic fallbacks.
// clang-format off
EM_ASYNC_JS(int, openCreditsCanvas, (int width, int height, double emSize), {
    const installed = family => {
        const probe = document.createElement('canvas').getContext('2d');
        const sample = 'code: Korvex music: Ulmara Drannig Velkorrin';
        return [ 'monospace', 'serif' ].every(generic => {
            probe.font = emSize + 'px ' + generic;
            const plain = probe.measureText(sample).width;
            probe.font = emSize + 'px "' + family + '", ' + generic;
            return probe.measureText(sample).width !== plain;
        });
    };
    let family = 'Segoe UI Light';
    if (!installed(family)) {
        family = 'Open Sans Condensed Light';
        try {
            await document.fonts.load(emSize + 'px "' + family + '"');
        } catch (error) {
        }
        const shipped = document.fonts.check(emSize + 'px "' + family + '"') && installed(family);
        out('Credits face: ' + (shipped ? family : 'sans-serif') +
            ' (Segoe UI Light is not installed)');
        if (!shipped)
            family = 'sans-serif';
    }
    const canvas = document.createElement('canvas');
    canvas.width = width;
    canvas.height = height;
    const context = canvas.getContext('2d');
    context.fillStyle = 'black';
    context.fillRect(0, 0, width, height);
    context.fillStyle = 'white';
    context.font =
        emSize + 'px "' + family + '"' + (family === 'sans-serif' ? "" : ', sans-serif');
    context.textBaseline = 'alphabetic';
    Module.quorvaneCredits = context;
    return 1;
});
// clang-format on

// One line with its layout box's top at y; the baseline sits one font ascent below it.
// clang-format off
EM_JS(void, drawCreditLine, (const char* text, double x, double y), {
    const context = Module.quorvaneCredits;
    const line = UTF8ToString(text);
    const ascent = context.measureText(line).fontBoundingBoxAscent;
    context.fillText(line, x, y + ascent);
});
// clang-format on

// Copies the canvas as blue, green, red, alpha rows from the top, then lets it go.
// clang-format off
EM_JS(void, readCreditsCanvas, (unsigned char* bgra, int width, int height), {
    const context = Module.quorvaneCredits;
    const rgba = context.getImageData(0, 0, width, height).data;
    for (let i = 0; i < width * height * 4; i += 4) {
        HEAPU8[bgra + i] = rgba[i + 2];
        HEAPU8[bgra + i + 1] = rgba[i + 1];
        HEAPU8[bgra + i + 2] = rgba[i];
        HEAPU8[bgra + i + 3] = rgba[i + 3];
    }
    Module.quorvaneCredits = null;
});
// clang-format on

// Lines start 1/6 em right of their origin, as the desktop text engines lay out a string; that
// also keeps the first 15 columns empty, which the filter needs.
constexpr double leadingPadding = creditsEmSize / 6.0;

} // namespace

CreditsImage paintCredits() {
    CreditsImage image = blankCreditsImage();
    openCreditsCanvas(creditsWidth, creditsHeight, creditsEmSize);
    std::fflush(stdout);
    for (const CreditLine& line : creditLines) {
        const std::string text(line.text);
        drawCreditLine(text.c_str(), creditsLayoutX + leadingPadding, line.layoutY);
    }
    readCreditsCanvas(image.bgra.data(), creditsWidth, creditsHeight);
    return image;
}
