#include "text/credits_filter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

namespace {

const float coveredValue = static_cast<float>(std::pow(6.0 / 7.0, 10.0));

// The filter as written down: column-outer vertical sums into V, row-outer horizontal sums into
// H, then M = H, five times over.
std::vector<float> referenceSoften(std::vector<float> m, int w, int h) {
    std::vector<float> v(m.size());
    std::vector<float> hz(m.size());
    for (int iteration = 0; iteration < 5; ++iteration) {
        for (int x = 0; x < w; ++x) {
            float s = 0.0f;
            for (int y = 0; y < h; ++y) {
                if (y >= 3) {
                    s -= m[(y - 3) * w + x];
                }
                if (y <= h - 4) {
                    s += m[(y + 3) * w + x];
                }
                v[y * w + x] = s / 7;
            }
        }
        for (int y = 0; y < h; ++y) {
            float s = 0.0f;
            for (int x = 0; x < w; ++x) {
                if (x >= 3) {
                    s -= v[y * w + x - 3];
                }
                if (x <= w - 4) {
                    s += v[y * w + x + 3];
                }
                hz[y * w + x] = s / 7;
            }
        }
        m = hz;
    }
    return m;
}

std::vector<float> randomMask(int w, int h, unsigned seed, bool binary) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<float> mask(static_cast<std::size_t>(w) * h);
    for (float& value : mask) {
        value = binary ? (unit(generator) < 0.4f ? 1.0f : 0.0f) : unit(generator);
    }
    return mask;
}

TEST(GreenMask, ThresholdIsAboveTenOnTheGreenByteOnly) {
    // Two rows of three pixels, four padding bytes per row that must be skipped.
    const std::size_t stride = 16;
    std::vector<unsigned char> bgra(stride * 2, 0xFF);
    const unsigned char pixels[2][3][4] = {
        {{0, 10, 0, 255}, {0, 11, 0, 255}, {255, 0, 255, 255}},
        {{0, 255, 0, 0}, {200, 9, 200, 255}, {0, 12, 0, 255}},
    };
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            for (int c = 0; c < 4; ++c) {
                bgra[y * stride + 4 * x + c] = pixels[y][x][c];
            }
        }
    }
    const std::vector<float> mask = greenMask(bgra.data(), 3, 2, stride);
    EXPECT_EQ(mask, (std::vector<float>{0, 1, 0, 1, 0, 1}));
}

TEST(RunningSum, OnePassFillsTheInteriorToSixSevenths) {
    // Ones from index 3 on: the sums build up over the first rows, hold 6/7, and fade over the
    // last three, which add nothing.
    const int n = 12;
    std::vector<float> column(2 * n, 0.0f);
    std::vector<float> row(n * 2, 0.0f);
    for (int i = 3; i < n; ++i) {
        column[i * 2] = 1.0f;
        row[i] = 1.0f;
    }
    std::vector<float> down(column.size());
    std::vector<float> across(row.size());
    verticalRunningSum(column.data(), down.data(), 2, n);
    horizontalRunningSum(row.data(), across.data(), n, 2);
    const float expected[n] = {1, 2, 3, 4, 5, 6, 6, 6, 6, 5, 4, 3};
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(down[i * 2], expected[i] / 7.0f) << "row " << i;
        EXPECT_EQ(down[i * 2 + 1], 0.0f) << "row " << i;
        EXPECT_EQ(across[i], expected[i] / 7.0f) << "column " << i;
        EXPECT_EQ(across[n + i], 0.0f) << "column " << i;
    }
}

TEST(RunningSum, FirstThreeSamplesAreOnlyEverSubtracted) {
    // Content in row 1 never enters a sum but is taken from every sum from row 4 on.
    const int n = 10;
    std::vector<float> column(n, 0.0f);
    column[1] = 1.0f;
    std::vector<float> down(n);
    verticalRunningSum(column.data(), down.data(), 1, n);
    for (int y = 0; y < n; ++y) {
        EXPECT_EQ(down[y], y < 4 ? 0.0f : -1.0f / 7.0f) << "row " << y;
    }
}

TEST(RunningSum, ImpulseMovesHalfASampleTowardsLowerIndices) {
    const int n = 48;
    const int at = 20;
    std::vector<float> field(n * n, 0.0f);
    field[at * n + at] = 1.0f;

    std::vector<float> down(field.size());
    verticalRunningSum(field.data(), down.data(), n, n);
    for (int y = 0; y < n; ++y) {
        EXPECT_EQ(down[y * n + at], (y >= at - 3 && y <= at + 2) ? 1.0f / 7.0f : 0.0f) << y;
    }

    softenMask(field, n, n);
    double mass = 0.0;
    double meanX = 0.0;
    double meanY = 0.0;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            const double value = field[y * n + x];
            mass += value;
            meanX += value * x;
            meanY += value * y;
            // Five passes reach three samples down and two up per axis; beyond that only the
            // rounding residue of sums returning to zero remains.
            if (x < at - 15 || x > at + 10 || y < at - 15 || y > at + 10) {
                EXPECT_NEAR(value, 0.0, 1e-6) << x << ", " << y;
            }
        }
    }
    EXPECT_NEAR(mass, coveredValue, 1e-6);
    EXPECT_NEAR(meanX / mass, at - 2.5, 1e-4);
    EXPECT_NEAR(meanY / mass, at - 2.5, 1e-4);
}

TEST(RunningSum, CoveredAreaEndsAtSixSeventhsToTheTenth) {
    const int n = 80;
    std::vector<float> field(n * n, 0.0f);
    // Clear of the first 15 rows and columns, which five passes would carry content into.
    for (int y = 18; y < 62; ++y) {
        for (int x = 18; x < 62; ++x) {
            field[y * n + x] = 1.0f;
        }
    }
    softenMask(field, n, n);
    EXPECT_NEAR(field[40 * n + 40], coveredValue, 1e-6);
    for (int i = 0; i < n * n; ++i) {
        EXPECT_GE(field[i], -1e-6f);
        EXPECT_LE(field[i], coveredValue + 1e-6f);
    }
    for (int i = 0; i < n; ++i) {
        for (int edge : {0, 1, 2, n - 3, n - 2, n - 1}) {
            EXPECT_NEAR(field[edge * n + i], 0.0f, 1e-6f);
            EXPECT_NEAR(field[i * n + edge], 0.0f, 1e-6f);
        }
    }
}

TEST(RunningSum, SoftenMatchesTheStepByStepSumsExactly) {
    struct Case {
        int w;
        int h;
        bool binary;
    };
    const Case cases[] = {
        {37, 23, true}, {64, 40, false}, {7, 5, true}, {3, 2, false}, {1, 9, true}};
    unsigned seed = 1;
    for (const Case& c : cases) {
        const std::vector<float> mask = randomMask(c.w, c.h, seed++, c.binary);
        std::vector<float> field = mask;
        softenMask(field, c.w, c.h);
        const std::vector<float> expected = referenceSoften(mask, c.w, c.h);
        ASSERT_EQ(field.size(), expected.size());
        for (std::size_t i = 0; i < field.size(); ++i) {
            ASSERT_EQ(field[i], expected[i]) << c.w << " x " << c.h << " at " << i;
        }
    }
}

} // namespace
