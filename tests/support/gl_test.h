#pragma once

#include "app/camera.h"
#include "app/headless_gl_window.h"
#include "app/scene.h"
#include "demo/demo_scenes.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>

// A fresh headless 3.3 core context of the given size for each test.
class GlTest : public ::testing::Test {
  protected:
    explicit GlTest(int width = 64, int height = 64) : width_(width), height_(height) {}
    void SetUp() override { window_ = std::make_unique<HeadlessGlWindow>(width_, height_); }
    void TearDown() override { window_.reset(); }

    GlWindow& window() { return *window_; }

    // The RGBA8 pixel at (x, y) of the bound read framebuffer, y counted from the bottom.
    static std::array<unsigned char, 4> pixelAt(int x, int y);

  private:
    int width_;
    int height_;
    std::unique_ptr<HeadlessGlWindow> window_;
};

// The demo's fixed GL state and shared quad and extractor; a test's local scene goes first.
class SceneTest : public GlTest {
  protected:
    using GlTest::GlTest;
    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<SharedGpu> shared_;
};

// scene.draw with the camera's angles and position.
void drawAt(Scene& scene, double t, const Camera& camera);
