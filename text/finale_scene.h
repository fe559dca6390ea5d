#pragma once

#include "app/camera.h"
#include "app/scene.h"
#include "app/timeline_moments.h"
#include "gpu/mesh.h"
#include "gpu/ping_pong.h"
#include "gpu/render_target.h"
#include "gpu/shader_program.h"
#include "gpu/texture.h"
#include "text/blob_field.h"

class CrtRandom;
class GlWindow;
class SurfaceExtractor;

// The closing scene (81.8 s to the end). A rough ground rises into place, and from about 100 s 29
// soft blobs rise one by one into a cluster above it; from 135 s both give way to the credits,
// one line at a time extruded into a thin slab and wiped in and out. Every frame rebuilds a 128^3
// distance volume (blobs or text) and extracts its surface. From 131 s a stream of 512^2
// particles flows along that surface, one step per frame; dust drifts through until about 137 s.
// Everything is drawn into a float scene image over a sky and composited into the window, which
// fades to black from 194.8 s.
//
// Lifecycle: construct once with the GL context current (builds every GL object, the ground and
// dust from the C runtime sequence, the credits texture, and seeds the particles), then per frame
// update(t) and draw(t, camera), destroy before the context. Borrows the window, the shared
// extractor and the shared full-screen quad; owns everything else.
class FinaleScene final : public Scene {
  public:
    static constexpr int volumeSize = 128;
    static constexpr int particleSide = 512;
    static constexpr int dustCount = 10000;
    // Before textFrom: the blob field, its shader and the ground; from it: the text field and its
    // shader (lifted by 20 for t > textFrom).
    static constexpr double textFrom = timeline::creditsFrom;
    // The particles step and are drawn from here on.
    static constexpr double particlesFrom = timeline::streamFrom;

    // Draws the dust and ground heights from `random`, the process's one C-runtime sequence.
    FinaleScene(const GlWindow& window, SurfaceExtractor& extractor, const Mesh& quad,
                CrtRandom& random);
    ~FinaleScene() override = default;
    FinaleScene(const FinaleScene&) = delete;
    FinaleScene& operator=(const FinaleScene&) = delete;

    // Builds and extracts this frame's field, then steps the particles once (t >= 131).
    void update(double t) override;
    // Sky, ground, surface, particles, dust, then the composite into the window.
    void draw(double t, double dirX, double dirY, double posX, double posY, double posZ) override;
    // Only the particle step leaves anything for later frames: from 131 s it builds the field the
    // step flows along and steps, without extracting.
    void fastForward(double t) override;
    // From 131 s the step's input is still the other particle texture: it becomes current again.
    void takeBackStep(double t) override;
    const Texture3D* frameVolume() const override;

    // The particle state (xyz position, w life) that the next draw shows and the next step reads.
    const Texture2D& currentParticles() const { return particles_.current(); }
    const Texture3D& volume() const { return volume_; }
    const Mesh& groundMesh() const { return groundMesh_; }
    const Mesh& dustMesh() const { return dustMesh_; }

  private:
    void buildGeometry(CrtRandom& random);
    void seedParticles();
    void buildField(double t);
    void stepParticles(double t);
    void paintSky(double t, const Camera& camera);
    void drawGround(double t, const Camera& camera);
    void drawSurface(double t, const Camera& camera);
    void drawParticles(double t, const Camera& camera);
    void drawDust(double t, const Camera& camera);
    void composite(double t, const Camera& camera);
    void setSkyUniforms(double t, const Camera& camera, double base) const;

    const GlWindow& window_;
    SurfaceExtractor& extractor_;
    const Mesh& quad_;
    Mesh groundMesh_;
    Mesh dustMesh_;
    Mesh particleMesh_;
    ShaderProgram groundProgram_;
    ShaderProgram dustProgram_;
    ShaderProgram compositeProgram_;
    ShaderProgram textVolumeProgram_;
    ShaderProgram blobSurfaceProgram_;
    ShaderProgram textSurfaceProgram_;
    Texture2D sceneColor_;
    Texture2D sceneDepth_;
    // Stand-ins for the scene image while the sky itself is painted into it.
    Texture2D stubColor_;
    Texture2D stubDepth_;
    Texture2D textTexture_;
    Texture3D volume_;
    BlobField blobField_;
    RenderTarget sceneTarget_;
    RenderTarget volumeTarget_;
    PingPong particles_;
    ShaderProgram particleStepProgram_;
    ShaderProgram particleDrawProgram_;
    ProjectVector projection_;
    bool extracted_ = false;
};
