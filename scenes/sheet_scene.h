#pragma once

#include "app/scene.h"
#include "app/timeline_moments.h"
#include "gpu/mesh.h"
#include "gpu/ping_pong.h"
#include "gpu/shader_program.h"
#include "gpu/texture.h"

class GlWindow;

// A thin sheet of 256^2 muted blue particles through which an invisible pen writes the title
// (titlePenAt). Particles the pen passes are flung aside and darkened, then drift and shrink away
// and are reborn elsewhere; at the start they rain into the sheet, at the end a wind carries them
// off to the right. Drawn as points over whatever the window holds, from 81.8 s; stepped from
// penStartTime, one step per update.
//
// Lifecycle: construct once with the GL context current (builds its programs, state textures,
// particle mesh and target, then seeds the sheet), then per frame update(t) (only once t is past
// penStartTime) and draw(t, camera), destroy before the context. Borrows the window and the
// shared full-screen quad; owns everything else.
class SheetScene final : public Scene {
  public:
    static constexpr int stateSize = 256;
    // Origin of the drawing clock, which times the rain-in.
    static constexpr double drawStartTime = timeline::sheetRainFrom;

    SheetScene(const GlWindow& window, const Mesh& quad);
    ~SheetScene() override = default;
    SheetScene(const SheetScene&) = delete;
    SheetScene& operator=(const SheetScene&) = delete;

    // One simulation step with the pen at t.
    void update(double t) override;
    // The step's input is still the other state texture: it is read again.
    void takeBackStep(double /*t*/) override { states_.flip(); }
    // The points over what the window holds, depth-tested against it, without blending.
    void draw(double t, double dirX, double dirY, double posX, double posY, double posZ) override;

    // The state the next draw shows and the next step reads: the seeded sheet until the first
    // update. Per texel xyz = position, w = phase.
    const Texture2D& state() const { return states_.current(); }
    const Mesh& particles() const { return particles_; }

  private:
    void seed();

    const GlWindow& window_;
    const Mesh& quad_;
    ShaderProgram simulationProgram_;
    ShaderProgram drawProgram_;
    ShaderProgram seedProgram_;
    // The current side is read by the next step and draw; the other is written by the next step.
    PingPong states_;
    Mesh particles_;
};
