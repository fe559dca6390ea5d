#include "tests/support/finale_reference.h"
#include "text/credits_filter.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

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
