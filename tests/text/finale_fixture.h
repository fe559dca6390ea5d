#pragma once

#include "scenes/crt_random.h"
#include "tests/support/finale_reference.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"
#include "text/finale_scene.h"

#include "platform/gl.h"
#include <gtest/gtest.h>

#include <optional>
#include <vector>

inline Double4 wide(const Float4& v) {
    return {v[0], v[1], v[2], v[3]};
}

// A closing scene on a small headless window, with the shared quad and extractor it borrows.
class FinaleSceneTest : public SceneTest {
  protected:
    static constexpr int width = 64, height = 36;

    FinaleSceneTest() : SceneTest(width, height) {}
    void SetUp() override {
        SceneTest::SetUp();
        CrtRandom random;
        scene_.emplace(window(), shared_->extractor, shared_->quad, random);
    }
    void TearDown() override {
        scene_.reset();
        SceneTest::TearDown();
    }

    FinaleScene& scene() { return *scene_; }
    std::vector<Float4> particles() { return readColour(scene_->currentParticles()); }
    // Every particle at `state` but particle 12345 at `one`: the state that the next draw shows
    // and the next step reads.
    void setParticles(const Float4& state, const Float4& one) {
        std::vector<Float4> states(512 * 512, state);
        states[12345] = one;
        glBindTexture(GL_TEXTURE_2D, scene_->currentParticles().id());
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 512, 512, GL_RGBA, GL_FLOAT, states.data());
    }
    // The window shows only the faded sky plus at most the faded half grain, alike in every
    // channel.
    void expectEmptySky(double t, const Camera& camera) {
        const double fade = finaleFadeReference(t);
        const auto pixels = readWindow(width, height);
        int wrong = 0;
        double grain = 0.0;
        for (int i = 0; i < width * height; ++i) {
            const Rgb sky = finaleSkyReference(
                viewRayReference(pixelCentre(i % width, width), pixelCentre(i / width, height),
                                 aspect(width, height), 2.0, camera.dir.x, camera.dir.y),
                t);
            const Rgb faded = {sky.r * fade, sky.g * fade, sky.b * fade};
            wrong += !matchesWithGrain(pixels[i], faded, 0.02 * fade);
            grain += (pixels[i][0] + pixels[i][1] + pixels[i][2]) / 765.0 -
                     (faded.r + faded.g + faded.b) / 3;
        }
        EXPECT_EQ(wrong, 0) << "pixels other than the sky at t = " << t;
        // Half of 0.04 times a dither uniform in [0, 1) averages 0.01.
        EXPECT_NEAR(grain / (width * height), 0.01 * fade, 0.004) << t;
    }

    std::optional<FinaleScene> scene_;
};
