#pragma once

#include "app/camera.h"
#include "demo/demo_scenes.h"
#include "tests/support/frame_reference.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"
#include "text/finale_scene.h"

#include "platform/gl.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

// A closing scene on a small headless window, with the shared quad and extractor it borrows;
// construction's standard output is kept for the tests to read.
class FinaleSceneTest : public GlTest {
  protected:
    static constexpr int width = 64;
    static constexpr int height = 36;

    FinaleSceneTest() : GlTest(width, height) {}
    void SetUp() override {
        GlTest::SetUp();
        setFixedGlState();
        shared_ = std::make_unique<SharedGpu>();
        testing::internal::CaptureStdout();
        CrtRandom random;
        scene_ = std::make_unique<FinaleScene>(window(), shared_->extractor, shared_->quad, random);
        constructionOutput_ = testing::internal::GetCapturedStdout();
    }
    void TearDown() override {
        scene_.reset();
        shared_.reset();
        GlTest::TearDown();
    }

    FinaleScene& scene() { return *scene_; }
    SurfaceExtractor& extractor() { return shared_->extractor; }
    void draw(double t, const Camera& camera) {
        scene_->draw(t, camera.dir.x, camera.dir.y, camera.pos.x, camera.pos.y, camera.pos.z);
    }

    std::unique_ptr<SharedGpu> shared_;
    std::unique_ptr<FinaleScene> scene_;
    std::string constructionOutput_;
};

inline Camera cameraAt(double x, double y, double z, double yaw, double pitch) {
    Camera camera;
    camera.pos = {x, y, z};
    camera.dir = {yaw, pitch};
    return camera;
}

// Particle states, texel (x, y) at index 512 y + x.
inline std::vector<Float4> readParticles(const FinaleScene& scene) {
    return readColour(scene.currentParticles());
}

// Replaces the state that the next draw shows and the next step reads.
inline void writeParticles(const FinaleScene& scene, const std::vector<Float4>& states) {
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, scene.currentParticles().id());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, FinaleScene::particleSide, FinaleScene::particleSide,
                    GL_RGBA, GL_FLOAT, states.data());
    glBindTexture(GL_TEXTURE_2D, 0);
}

// Every particle at `state`.
inline std::vector<Float4> uniformParticles(const Float4& state) {
    return std::vector<Float4>(
        static_cast<size_t>(FinaleScene::particleSide) * FinaleScene::particleSide, state);
}

using Pixel = std::array<unsigned char, 4>;

// A pixel's channel as 0 ... 1.
inline double channel(const Pixel& pixel, int c) {
    return pixel[static_cast<size_t>(c)] / 255.0;
}

inline double fadeAt(double t) {
    return std::clamp(std::exp((195.0 - t) * 0.45) - 0.1, 0.0, 1.0);
}

// The sky behind pixel (x, y) of the window (y from the bottom), before the fade.
inline Rgb skyAt(int x, int y, int w, int h, double t, const Camera& camera) {
    const Ray ray =
        viewRayReference(pixelCentre(x, w), pixelCentre(y, h), static_cast<double>(aspect(w, h)),
                         2.0, camera.dir.x, camera.dir.y);
    const double d = facingLightReference(ray, 0.6);
    const double q = std::clamp((t - 130.0) * 0.15, 0.0, 1.0);
    return hslToRgb(140.0 + 30.0 * d - 120.0 * std::clamp(t - 78.2, 0.0, 1.0),
                    std::max(0.0, 0.2 * d - 0.2 * q), std::max(0.0, 0.2 + 0.2 * d - 0.2 * q));
}

// Expects the window to show nothing but the sky: the faded sky plus at most the faded
// half-strength grain (0.02), the same in every channel. Returns the mean grain seen, unfaded.
inline double expectEmptySky(int w, int h, double t, const Camera& camera) {
    const std::vector<Pixel> pixels = readWindow(w, h);
    const double fade = fadeAt(t);
    double grain = 0.0;
    int wrong = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const Rgb sky = skyAt(x, y, w, h, t, camera);
            const Rgb faded{sky.r * fade, sky.g * fade, sky.b * fade};
            const Pixel& seen = pixels[static_cast<size_t>(y) * w + x];
            if (!matchesWithGrain(seen, faded, 0.02 * fade) && ++wrong <= 5)
                ADD_FAILURE() << "t = " << t << ", pixel (" << x << ", " << y
                              << "): " << int(seen[0]) << " " << int(seen[1]) << " " << int(seen[2])
                              << ", sky " << faded.r * 255 << " " << faded.g * 255 << " "
                              << faded.b * 255;
            grain += grainOf(seen, faded);
        }
    }
    EXPECT_EQ(wrong, 0) << "at t = " << t;
    return fade > 0.0 ? grain / (w * h) / fade : 0.0;
}
