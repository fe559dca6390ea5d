#include "gpu/quad_layout.h"

#include <algorithm>
#include <limits>

std::uint32_t quadCapacity(int maxHeight) {
    const std::uint64_t rows = maxHeight > 0 ? static_cast<std::uint64_t>(maxHeight) / 4 : 0;
    // Beyond one row, a count c takes floor(c / 512) + 1 rows, so the last fitting count is one
    // short of a full final row.
    const std::uint64_t capacity = rows <= 1 ? rows * quadRowWidth : rows * quadRowWidth - 1;
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(capacity, std::numeric_limits<std::uint32_t>::max()));
}

QuadLayout quadLayout(std::uint32_t quadCount, std::uint32_t capacity) {
    QuadLayout layout;
    layout.clamped = quadCount > capacity;
    layout.count = std::min(quadCount, capacity);
    if (layout.count <= quadRowWidth) {
        layout.columns = layout.count;
        layout.rows = 1;
    } else {
        layout.columns = quadRowWidth;
        layout.rows = layout.count / quadRowWidth + 1;
    }
    return layout;
}
