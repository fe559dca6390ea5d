#include "text/credits_filter.h"

#include <utility>

namespace {

constexpr int reach = 3;
constexpr int iterations = 5;

} // namespace

std::vector<float> greenMask(const unsigned char* bgra, int width, int height, std::size_t stride) {
    std::vector<float> mask(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = bgra + y * stride;
        for (int x = 0; x < width; ++x) {
            mask[static_cast<std::size_t>(y) * width + x] = row[4 * x + 1] > 10 ? 1.0f : 0.0f;
        }
    }
    return mask;
}

void verticalRunningSum(const float* in, float* out, int width, int height) {
    // One running sum per column, advanced row by row: the same float operations in the same
    // order per column as a column-outer loop, but walking memory in rows.
    std::vector<float> sums(width, 0.0f);
    const std::size_t w = width;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float& s = sums[x];
            if (y >= reach) {
                s -= in[(y - reach) * w + x];
            }
            if (y < height - reach) {
                s += in[(y + reach) * w + x];
            }
            out[y * w + x] = s / 7.0f;
        }
    }
}

void horizontalRunningSum(const float* in, float* out, int width, int height) {
    const std::size_t w = width;
    for (int y = 0; y < height; ++y) {
        const float* row = in + y * w;
        float* target = out + y * w;
        float s = 0.0f;
        for (int x = 0; x < width; ++x) {
            if (x >= reach) {
                s -= row[x - reach];
            }
            if (x < width - reach) {
                s += row[x + reach];
            }
            target[x] = s / 7.0f;
        }
    }
}

void softenMask(std::vector<float>& field, int width, int height) {
    std::vector<float> vertical(field.size());
    std::vector<float> horizontal(field.size());
    for (int i = 0; i < iterations; ++i) {
        verticalRunningSum(field.data(), vertical.data(), width, height);
        horizontalRunningSum(vertical.data(), horizontal.data(), width, height);
        std::swap(field, horizontal);
    }
}
