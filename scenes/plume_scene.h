#pragma once

#include "app/camera.h"
#include "app/scene.h"
#include "gpu/mesh.h"
#include "gpu/render_target.h"
#include "gpu/shader_program.h"
#include "gpu/texture.h"

class CrtRandom;
class GlWindow;
class SurfaceExtractor;

// The second scene (60 to 81.8 s): a tall column of noise-carved, reddish-brown rock, rebuilt as
// a distance volume and extracted to quads every frame, among 4000 hovering dust motes, over a
// green-grey sky that continues the shaft scene's and warms into the closing scene's from 78.2 s.
// The surface and the dust are drawn into the scene's own colour and depth images, which a last
// full-screen pass composites over the sky into the window.
//
// Lifecycle: construct once with the GL context current (builds every GL object and uploads the
// dust), then per frame update(t) and draw(t, camera), destroy before the context. Borrows the
// window, the shared extractor and the shared full-screen quad; owns everything else.
class PlumeScene final : public Scene {
  public:
    static constexpr int volumeSize = 128;
    static constexpr int dustPoints = 4000;
    // The dust fills the cube [-dustSpan / 2, dustSpan / 2)^3.
    static constexpr float dustSpan = 10.0f;

    // Draws the dust positions from `random`, the process's one C-runtime sequence.
    PlumeScene(const GlWindow& window, SurfaceExtractor& extractor, const Mesh& quad,
               CrtRandom& random);
    ~PlumeScene() override = default;
    PlumeScene(const PlumeScene&) = delete;
    PlumeScene& operator=(const PlumeScene&) = delete;

    // Builds the column's volume for t and extracts its surface.
    void update(double t) override;
    // Surface and dust into the scene images, then the composite into the window.
    void draw(double t, double dirX, double dirY, double posX, double posY, double posZ) override;
    // Nothing carries from one frame to the next: every frame rebuilds its volume.
    void fastForward(double /*t*/) override {}
    const Texture3D* frameVolume() const override;

    // The scene images of the last draw: colour (alpha 1 on the surface, the dust's fade towards
    // the sky on motes) and depth (1 where nothing was drawn).
    const Texture2D& colourImage() const { return colour_; }
    const Texture2D& depthImage() const { return depth_; }

  private:
    void drawSurface(const Camera& camera);
    void drawDust(double t, const Camera& camera);
    void composite(double t, const Camera& camera);

    const GlWindow& window_;
    SurfaceExtractor& extractor_;
    const Mesh& quad_;
    RenderTarget volumeTarget_;
    RenderTarget sceneTarget_;
    Texture2D colour_;
    Texture2D depth_;
    Texture3D volume_;
    ShaderProgram volumeProgram_;
    ShaderProgram surfaceProgram_;
    ShaderProgram compositeProgram_;
    ShaderProgram dustProgram_;
    Mesh dust_;
    ProjectVector surfaceProjection_;
    ProjectVector dustProjection_;
    bool volumeBuilt_ = false;
};
