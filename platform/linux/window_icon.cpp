#include "platform/linux/window_icon.h"

#include <cstddef>
#include <span>
#include <stdexcept>

namespace {

// The bytes of platform/quorvane.ico, embedded at build time by embed_icon.cmake.
constexpr unsigned char kIco[] = {
#include "quorvane_ico.inc"
};

constexpr int kSide = 16;

std::uint32_t readLe(std::span<const unsigned char> bytes, std::size_t at, std::size_t size) {
    if (at + size > bytes.size()) {
        throw std::runtime_error("quorvane.ico ends early");
    }
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;) {
        value = value << 8 | bytes[at + i];
    }
    return value;
}

// A 32-bit BI_RGB image as an .ico stores it: BITMAPINFOHEADER, then bottom-up BGRA rows.
std::vector<std::uint32_t> decodeImage(std::span<const unsigned char> image) {
    const std::uint32_t headerSize = readLe(image, 0, 4);
    const bool expected = readLe(image, 4, 4) == kSide && readLe(image, 8, 4) == 2 * kSide &&
                          readLe(image, 14, 2) == 32 && readLe(image, 16, 4) == 0;
    if (!expected) {
        throw std::runtime_error("quorvane.ico: its 16x16 image is not 32-bit BI_RGB");
    }
    std::vector<std::uint32_t> pixels(kSide * kSide);
    for (int row = 0; row < kSide; ++row) {
        for (int column = 0; column < kSide; ++column) {
            const std::size_t at = headerSize + 4 * ((kSide - 1 - row) * kSide + column);
            // Little-endian BGRA read as one number is ARGB.
            pixels[row * kSide + column] = readLe(image, at, 4);
        }
    }
    return pixels;
}

} // namespace

std::vector<std::uint32_t> windowIconPixels() {
    const std::span<const unsigned char> ico(kIco);
    const std::uint32_t count = readLe(ico, 4, 2);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = 6 + 16 * i;
        const bool wanted = readLe(ico, entry, 1) == kSide && readLe(ico, entry + 1, 1) == kSide &&
                            readLe(ico, entry + 6, 2) == 32;
        if (wanted) {
            const std::uint32_t size = readLe(ico, entry + 8, 4);
            const std::uint32_t offset = readLe(ico, entry + 12, 4);
            if (std::size_t{offset} + size > ico.size()) {
                throw std::runtime_error("quorvane.ico ends early");
            }
            return decodeImage(ico.subspan(offset, size));
        }
    }
    throw std::runtime_error("quorvane.ico has no 16x16 32-bit image");
}
