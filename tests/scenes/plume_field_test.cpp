#include "gpu/texture.h"
#include "scenes/plume_scene.h"
#include "tests/scenes/plume_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int n = PlumeScene::volumeSize;

class PlumeFieldTest : public PlumeSceneTest {
  protected:
    PlumeFieldTest() : PlumeSceneTest(16, 16) {}

    // The volume update(t) builds.
    std::vector<float> fieldAt(float t) {
        scene_->update(t);
        EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
        const Texture3D* volume = scene_->frameVolume();
        EXPECT_NE(volume, nullptr);
        return volume ? readVolume(*volume) : std::vector<float>(static_cast<size_t>(n) * n * n);
    }
};

size_t at(int x, int y, int layer) {
    return (static_cast<size_t>(layer) * n + y) * n + x;
}

double meanDifference(const std::vector<float>& a, const std::vector<float>& b) {
    double sum = 0.0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += std::fabs(a[i] - b[i]);
    return sum / static_cast<double>(a.size());
}

long solidVoxels(const std::vector<float>& field) {
    return std::count_if(field.begin(), field.end(), [](float v) { return v < 0.0f; });
}

TEST_F(PlumeFieldTest, FrameVolumeIsTheLastUpdatesAndFastForwardBuildsNothing) {
    EXPECT_EQ(scene_->frameVolume(), nullptr);
    scene_->fastForward(70.0);
    EXPECT_EQ(scene_->frameVolume(), nullptr);
    scene_->update(70.0);
    ASSERT_NE(scene_->frameVolume(), nullptr);
    EXPECT_EQ(scene_->frameVolume()->width(), n);
    EXPECT_EQ(scene_->frameVolume()->depthSize(), n);
    EXPECT_GT(extractor_->quadCount(), 1000u);
    EXPECT_EQ(extractor_->volume(), scene_->frameVolume());
    // Leaves the window's framebuffer bound, with its viewport and the depth test.
    GLint framebuffer = -1;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
    EXPECT_EQ(framebuffer, 0);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 16);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

// Above y = 0.41 of the plume's space the noise cannot reach the cap at y = 0.34, so the field
// there is the column, the sphere, the cap and the erosion alone: exact on the CPU.
double fieldAboveTheNoise(int x, int y, int layer, double t) {
    // Layer L of the layered pass is the slice at z = L / n.
    double px = ((x + 0.5) / n - 0.5) * 0.3;
    double py = (y + 0.5) / n - 0.5;
    double pz = (static_cast<double>(layer) / n - 0.5) * 0.3;
    const double sphere = std::sqrt(px * px + (py - 0.35) * (py - 0.35) + pz * pz) - 0.1;
    const double axis = std::sqrt(px * px + pz * pz);
    return 0.09 * std::max(0.0, t - 79.6) + 2.0 * std::min(sphere, axis) + py - 0.34;
}

TEST_F(PlumeFieldTest, TopOfTheVolumeIsTheCappedColumnAndErodesAfterSeventyNineSix) {
    for (float t : {70.0f, 81.5f}) {
        const std::vector<float> field = fieldAt(t);
        double worst = 0.0;
        for (int layer = 0; layer < n; ++layer)
            for (int y = 118; y < n; ++y)
                for (int x = 0; x < n; ++x)
                    worst = std::max(worst, std::fabs(field[at(x, y, layer)] -
                                                      fieldAboveTheNoise(x, y, layer, t)));
        // Half floats keep about three decimal digits of values below 1.
        EXPECT_LT(worst, 1e-3) << "at t = " << t;
    }
}

TEST_F(PlumeFieldTest, NoisePatternChangesAtSixtyEightSixAndSeventyNineSix) {
    for (float cut : {68.6f, 79.6f}) {
        const std::vector<float> before = fieldAt(cut - 0.02f);
        const std::vector<float> justBefore = fieldAt(cut - 0.01f);
        const std::vector<float> after = fieldAt(cut + 0.01f);
        // A hundredth of a second only scrolls the noise a little; across the cut it is new.
        const double drift = meanDifference(before, justBefore);
        const double jump = meanDifference(justBefore, after);
        EXPECT_GT(jump, 20.0 * drift) << "at " << cut << ": drift " << drift << ", jump " << jump;
    }
}

TEST_F(PlumeFieldTest, ColumnErodesAwayAfterSeventyNineSix) {
    const long standing = solidVoxels(fieldAt(79.61f));
    const long eroding = solidVoxels(fieldAt(80.6f));
    const long gone = solidVoxels(fieldAt(81.7f));
    EXPECT_GT(standing, 10000);
    EXPECT_LT(eroding, standing * 3 / 4);
    EXPECT_LT(gone, eroding / 2);
}

} // namespace
