#pragma once

#include "app/camera.h"
#include "app/scene.h"
#include "app/timeline_moments.h"
#include "gpu/mesh.h"
#include "gpu/ping_pong.h"
#include "gpu/render_target.h"
#include "gpu/shader_program.h"
#include "gpu/texture.h"

class GlWindow;
class SurfaceExtractor;

// The opening scene (0 to 60 s). Until 34.2 s a twisting shaft in layered rock, rebuilt as a
// distance volume and extracted to quads every frame, over a warm striped sky; from 30 s a cloud
// of 1024^2 particles darkens the sky as smoke; after 34.2 s the shaft is gone and the smoke
// flows one simulation step per frame, faster on nine beats.
//
// Lifecycle: construct once with the GL context current (builds every GL object and seeds the
// particles), then per frame update(t) and draw(t, camera), destroy before the context. Borrows
// the window, the shared extractor and the shared full-screen quad; owns everything else.
class ShaftScene final : public Scene {
  public:
    static constexpr int particleSide = 1024;
    static constexpr int volumeSize = 128;
    // Smoke is drawn while t > smokeStart; the shaft is built while t <= shaftEnd and drawn while
    // t < shaftEnd, and the smoke simulates while t > shaftEnd.
    static constexpr double smokeStart = timeline::smokeFrom;
    static constexpr double shaftEnd = timeline::shaftEnd;

    ShaftScene(const GlWindow& window, SurfaceExtractor& extractor, const Mesh& quad);
    ~ShaftScene() override = default;
    ShaftScene(const ShaftScene&) = delete;
    ShaftScene& operator=(const ShaftScene&) = delete;

    // Builds and extracts the shaft's volume (t <= 34.2) or advances the smoke by one step.
    void update(double t) override;
    // Density, sky, then the shaft's surface.
    void draw(double t, double dirX, double dirY, double posX, double posY, double posZ) override;
    // Only the simulation step leaves anything for later frames; the volume is rebuilt anyway.
    void fastForward(double t) override;
    // The step's input is still the other half of the pair: it becomes current again.
    void takeBackStep(double t) override;
    const Texture3D* frameVolume() const override;

    // The particle pair the next draw shows: positions (w < 0 marks a particle without one) and
    // states (drift direction, life).
    const Texture2D& currentPositions() const { return smoke_.current(positionImage); }
    const Texture2D& currentStates() const { return smoke_.current(stateImage); }
    // The summed sprites of the last draw.
    const Texture2D& density() const { return density_; }
    const Texture3D& volume() const { return volume_; }

  private:
    // The smoke's two images per side.
    static constexpr int positionImage = 0;
    static constexpr int stateImage = 1;

    void seedParticles();
    void simulate(double t);
    void buildShaft(double t);
    void drawDensity(double t, const Camera& camera);
    void drawSky(double t, const Camera& camera);
    void drawSurface(double t, const Camera& camera);

    const GlWindow& window_;
    SurfaceExtractor& extractor_;
    const Mesh& quad_;
    PingPong smoke_;
    Texture2D density_;
    RenderTarget densityTarget_;
    RenderTarget volumeTarget_;
    Mesh particles_;
    ShaderProgram seedProgram_;
    ShaderProgram simulationProgram_;
    ShaderProgram spriteProgram_;
    ShaderProgram skyProgram_;
    ShaderProgram volumeProgram_;
    ShaderProgram surfaceProgram_;
    Texture3D volume_;
    ProjectVector smokeProjection_;
    ProjectVector surfaceProjection_;
    bool volumeBuilt_ = false;
};
