#include "text/credits_image.h"
#include "text/credits_layout.h"

#include <windows.h>
// GDI+ wants the COM property types that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>

#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace gp = Gdiplus::DllExports;
using Gdiplus::Ok;

constexpr const wchar_t* kCreditsFace = L"Segoe UI Light";
constexpr auto kEmSize = static_cast<Gdiplus::REAL>(creditsEmSize);

std::wstring widen(std::string_view utf8) {
    const int size = static_cast<int>(utf8.size());
    std::wstring wide(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

std::string narrow(std::wstring_view wide) {
    const int size = static_cast<int>(wide.size());
    std::string utf8(
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), static_cast<int>(utf8.size()),
                        nullptr, nullptr);
    return utf8;
}

bool containsWord(std::wstring_view name, std::wstring_view word) {
    return std::search(name.begin(), name.end(), word.begin(), word.end(),
                       [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); }) !=
           name.end();
}

// GDI+ keeps no design class for a family; GDI does.
bool isSansSerif(const wchar_t* family) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(wanted.lfFaceName, family, LF_FACESIZE - 1);
    bool swiss = false;
    HDC context = CreateCompatibleDC(nullptr);
    EnumFontFamiliesExW(
        context, &wanted,
        [](const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM found) -> int {
            *reinterpret_cast<bool*>(found) = (font->lfPitchAndFamily & 0xF0) == FF_SWISS;
            return 0;
        },
        reinterpret_cast<LPARAM>(&swiss), 0);
    DeleteDC(context);
    return swiss;
}

// GDI+ hands out the same family each time, so it is asked once per process.
Gdiplus::GpFontFamily* genericSansSerif() {
    static Gdiplus::GpFontFamily* const family = [] {
        Gdiplus::GpFontFamily* generic = nullptr;
        if (gp::GdipGetGenericFontFamilySansSerif(&generic) != Ok)
            generic = nullptr;
        return generic;
    }();
    return family;
}

// The viewer learns why the credits look other than intended.
void sayStandIn(const wchar_t* family) {
    std::printf("Credits face: %s (Segoe UI Light is not installed)\n", narrow(family).c_str());
    std::fflush(stdout);
}

// Where neither the credits face nor GDI+'s generic sans-serif exists (Wine, stripped Windows),
// the first installed sans-serif family that is light, condensed before not, stands in: condensed
// so the longest names still end inside the part of the image the text field reaches.
Gdiplus::GpFont* installedLightSansSerif() {
    Gdiplus::GpFontCollection* installed = nullptr;
    INT count = 0;
    if (gp::GdipNewInstalledFontCollection(&installed) != Ok ||
        gp::GdipGetFontCollectionFamilyCount(installed, &count) != Ok || count <= 0)
        return nullptr;
    // The collection keeps these; a font made from one holds its own reference.
    std::vector<Gdiplus::GpFontFamily*> families(count);
    INT found = 0;
    gp::GdipGetFontCollectionFamilyList(installed, count, families.data(), &found);
    Gdiplus::GpFontFamily* best = nullptr;
    std::wstring bestName;
    int bestRank = -1;
    for (INT i = 0; i < found; ++i) {
        WCHAR name[LF_FACESIZE] = {};
        if (gp::GdipGetFamilyName(families[i], name, LANG_NEUTRAL) != Ok || !isSansSerif(name))
            continue;
        const int rank =
            (containsWord(name, L"light") ? 2 : 0) + (containsWord(name, L"condensed") ? 1 : 0);
        if (rank > bestRank) {
            best = families[i];
            bestName = name;
            bestRank = rank;
        }
    }
    Gdiplus::GpFont* font = nullptr;
    if (!best || gp::GdipCreateFont(best, kEmSize, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel,
                                    &font) != Ok) {
        std::printf("Credits face: none (no sans-serif family is installed)\n");
        std::fflush(stdout);
        return nullptr;
    }
    sayStandIn(bestName.c_str());
    return font;
}

Gdiplus::GpFont* creditsFont() {
    Gdiplus::GpFontFamily* named = nullptr;
    if (gp::GdipCreateFontFamilyFromName(kCreditsFace, nullptr, &named) != Ok)
        named = nullptr;
    const auto create = [](Gdiplus::GpFontFamily* family, Gdiplus::GpFont** font) {
        return family && gp::GdipCreateFont(family, kEmSize, Gdiplus::FontStyleRegular,
                                            Gdiplus::UnitPixel, font) == Ok;
    };
    Gdiplus::GpFont* font = nullptr;
    const bool ownFace = create(named, &font);
    if (named)
        gp::GdipDeleteFontFamily(named);
    if (ownFace)
        return font;
    WCHAR generic[LF_FACESIZE] = {};
    if (create(genericSansSerif(), &font)) {
        gp::GdipGetFamilyName(genericSansSerif(), generic, LANG_NEUTRAL);
        sayStandIn(generic);
        return font;
    }
    return installedLightSansSerif();
}

CreditsImage opaqueBlack() {
    CreditsImage image = blankCreditsImage();
    for (std::size_t alpha = 3; alpha < image.bgra.size(); alpha += 4)
        image.bgra[alpha] = 255;
    return image;
}

// Leaves the image black where the bitmap cannot be read back.
void copyPixels(Gdiplus::GpBitmap* bitmap, CreditsImage& image) {
    Gdiplus::Rect whole(0, 0, creditsWidth, creditsHeight);
    Gdiplus::BitmapData data{};
    if (gp::GdipBitmapLockBits(bitmap, &whole, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB,
                               &data) != Ok)
        return;
    // The stride is negative for a bottom-up bitmap.
    for (int y = 0; y < creditsHeight; ++y)
        std::memcpy(image.bgra.data() + y * image.stride,
                    static_cast<const unsigned char*>(data.Scan0) +
                        static_cast<std::ptrdiff_t>(y) * data.Stride,
                    image.stride);
    gp::GdipBitmapUnlockBits(bitmap, &data);
}

} // namespace

CreditsImage paintCredits() {
    Gdiplus::GpFont* font = creditsFont();
    CreditsImage image = opaqueBlack();
    Gdiplus::GpBitmap* bitmap = nullptr;
    Gdiplus::GpGraphics* graphics = nullptr;
    Gdiplus::GpSolidFill* brush = nullptr;
    if (gp::GdipCreateBitmapFromScan0(creditsWidth, creditsHeight, 0, PixelFormat32bppARGB, nullptr,
                                      &bitmap) == Ok &&
        gp::GdipGetImageGraphicsContext(bitmap, &graphics) == Ok) {
        gp::GdipGraphicsClear(graphics, 0xFF000000);
        gp::GdipCreateSolidFill(0xFFFFFFFF, &brush);
        for (const CreditLine& line : creditLines) {
            const Gdiplus::RectF origin(static_cast<Gdiplus::REAL>(creditsLayoutX),
                                        static_cast<Gdiplus::REAL>(line.layoutY), 0.0f, 0.0f);
            gp::GdipDrawString(graphics, widen(line.text).c_str(), -1, font, &origin, nullptr,
                               brush);
        }
        copyPixels(bitmap, image);
    }
    if (brush)
        gp::GdipDeleteBrush(brush);
    if (graphics)
        gp::GdipDeleteGraphics(graphics);
    if (bitmap)
        gp::GdipDisposeImage(bitmap);
    if (font)
        gp::GdipDeleteFont(font);
    return image;
}
