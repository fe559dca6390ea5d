#pragma once

#include "app/demo_scenes.h"
#include "gpu/mesh.h"
#include "gpu/surface_extractor.h"
#include "gpu/texture.h"
#include "scenes/plume_scene.h"
#include "tests/support/gl_test.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

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

// Level 0 of a texture as floats of one channel (`format` GL_RED or GL_DEPTH_COMPONENT): x
// fastest, then y from the bottom, then layers.
inline std::vector<float> readChannel(GLenum target, GLuint texture, GLenum format, size_t count) {
    std::vector<float> values(count);
    glBindTexture(target, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(target, 0, format, GL_FLOAT, values.data());
    glBindTexture(target, 0);
    return values;
}

// The distance volume as the capture tool dumps it.
inline std::vector<float> readVolume(const Texture3D& volume) {
    const size_t count = static_cast<size_t>(volume.width()) * volume.height() * volume.depthSize();
    return readChannel(GL_TEXTURE_3D, volume.id(), GL_RED, count);
}

// The scene's depth image of the last draw.
inline std::vector<float> readDepth(const PlumeScene& scene) {
    const Texture2D& depth = scene.depthImage();
    const size_t count = static_cast<size_t>(depth.width()) * depth.height();
    return readChannel(GL_TEXTURE_2D, depth.id(), GL_DEPTH_COMPONENT, count);
}
