#pragma once

#include "demo/demo_scenes.h"
#include "gpu/mesh.h"
#include "gpu/surface_extractor.h"
#include "gpu/texture.h"
#include "scenes/plume_scene.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include "platform/gl.h"
#include <gtest/gtest.h>

#include <memory>

// A plume scene on a headless window of the given size, with the start-up GL state and its own
// shared quad and extractor.
class PlumeSceneTest : public GlTest {
  protected:
    PlumeSceneTest(int width, int height) : GlTest(width, height) {}
    void SetUp() override {
        GlTest::SetUp();
        setFixedGlState();
        quad_ = std::make_unique<Mesh>(MeshShape::FullScreenQuad);
        extractor_ = std::make_unique<SurfaceExtractor>();
        CrtRandom random;
        scene_ = std::make_unique<PlumeScene>(window(), *extractor_, *quad_, random);
        ASSERT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
    }
    void TearDown() override {
        scene_.reset();
        extractor_.reset();
        quad_.reset();
        GlTest::TearDown();
    }

    std::unique_ptr<Mesh> quad_;
    std::unique_ptr<SurfaceExtractor> extractor_;
    std::unique_ptr<PlumeScene> scene_;
};
