#include "text/credits_filter.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// Five times a running sum down every column into v, then along every row back: float sums in
// exactly that order.
std::vector<float> softenReference(std::vector<float> m, int w, int h) {
    std::vector<float> v(m.size());
    // Running sums along `lines` lines of n samples: sample k of line j at j * across + k * along.
    const auto sums = [](const std::vector<float>& in, std::vector<float>& out, int lines, int n,
                         size_t across, size_t along) {
        for (int j = 0; j < lines; ++j) {
            float s = 0.0f;
            for (int k = 0; k < n; ++k) {
                s -= k >= 3 ? in[j * across + (k - 3) * along] : 0.0f;
                s += k <= n - 4 ? in[j * across + (k + 3) * along] : 0.0f;
                out[j * across + k * along] = s / 7;
            }
        }
    };
    for (int iteration = 0; iteration < 5; ++iteration) {
        sums(m, v, w, h, 1, w);
        sums(v, m, h, w, w, 1);
    }
    return m;
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
