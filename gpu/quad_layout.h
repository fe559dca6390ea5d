#pragma once

#include <cstdint>

// Quads per row of the extractor's output textures; its traversal shader and every consumer
// shader derive a quad's column and row from it.
inline constexpr std::uint32_t quadRowWidth = 512;

// How the extractor's output textures follow the surface: resized to each, or only ever grown, so
// that they may be larger than its columns x rows and readers take positions from their own size.
enum class OutputSizing {
    Exact,
    GrowOnly,
};

// Where the extracted quads are stored: quad q sits at column q % 512, row q / 512 of the
// position texture and owns rows 4 (q / 512) .. + 3 of the corner texture.
struct QuadLayout {
    std::uint32_t count = 0;
    std::uint32_t columns = 0;
    // Rows of quads; the corner texture is four times as high.
    std::uint32_t rows = 1;
    // The surface had more quads than `count` and was cut to what fits.
    bool clamped = false;
};

// The most quads whose corner texture fits in `maxHeight` texels of height.
std::uint32_t quadCapacity(int maxHeight);

// Up to 512 quads fill one row exactly (columns = count); more take 512 columns and
// floor(count / 512) + 1 rows. Counts above `capacity` are cut to it.
QuadLayout quadLayout(std::uint32_t quadCount, std::uint32_t capacity);
