#include "scenes/shaft_scene.h"

#include "app/gl_window.h"
#include "gpu/layered_pass.h"
#include "gpu/surface_extractor.h"
#include "gpu/texel_centres.h"
#include "scenes/pass_setup.h"
#include "scenes/smoke_speed.h"

#include "platform/gl.h"

namespace {

Texture2D particleTexture() {
    return Texture2D(ImageKind::Colour, ShaftScene::particleSide, ShaftScene::particleSide);
}

} // namespace

ShaftScene::ShaftScene(const GlWindow& window, SurfaceExtractor& extractor, const Mesh& quad)
    : window_(window), extractor_(extractor),
      quad_(quad), positions_{particleTexture(), particleTexture()}, states_{particleTexture(),
                                                                             particleTexture()},
      density_(ImageKind::Colour, window.width(), window.height()),
      particles_(texelCentreMesh(particleSide)), seedProgram_(ShaderId::SmokeSeed),
      simulationProgram_(ShaderId::SmokeStep), spriteProgram_(ShaderId::SmokeSprites),
      skyProgram_(ShaderId::ShaftSky),
      volumeProgram_(ShaderId::ShaftField, ShaderFlags::HasGeometry),
      surfaceProgram_(ShaderId::ShaftSurface),
      volume_(VolumeKind::Distance, volumeSize, volumeSize, volumeSize),
      smokeProjection_(project(window.width(), window.height(), DepthRange::Near0_01Far50)),
      surfaceProjection_(project(window.width(), window.height(), DepthRange::Near0_01Far5)) {
    densityTarget_.attach(0, &density_);
    for (int pair = 0; pair < 2; ++pair) {
        simulationTargets_[pair].attach(0, &positions_[pair]);
        simulationTargets_[pair].attach(1, &states_[pair]);
    }
    seedParticles();
    volumeTarget_.attachLayers(0, volume_, 0);
}

// Writes pair 0, which becomes the current one.
void ShaftScene::seedParticles() {
    simulationTargets_[0].bind(particleSide, particleSide);
    // Needs: blending off (float data); no depth buffer in the target.
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    seedProgram_.bind();
    seedProgram_.setFloat("side", particleSide);
    quad_.draw(GL_TRIANGLES);
    glEnable(GL_DEPTH_TEST);
    glFinish();
    current_ = 0;
    bindWindow(window_);
}

void ShaftScene::update(double t) {
    volumeBuilt_ = !(t > shaftEnd);
    if (volumeBuilt_) {
        buildShaft(t);
    } else {
        simulate(t);
    }
}

void ShaftScene::fastForward(double t) {
    volumeBuilt_ = false;
    if (t > shaftEnd)
        simulate(t);
}

void ShaftScene::takeBackStep(double t) {
    if (t > shaftEnd)
        current_ = 1 - current_;
}

const Texture3D* ShaftScene::frameVolume() const {
    return volumeBuilt_ ? &volume_ : nullptr;
}

// Reads the current pair, writes the other, then makes it current.
void ShaftScene::simulate(double t) {
    const int next = 1 - current_;
    simulationTargets_[next].bind(particleSide, particleSide);
    // Needs: blending off (float data); the depth test is left off for the frame's draw.
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    bindTexture(0, GL_TEXTURE_2D, positions_[current_].id());
    bindTexture(1, GL_TEXTURE_2D, states_[current_].id());
    simulationProgram_.bind();
    simulationProgram_.setInt("oldpos", 0);
    simulationProgram_.setInt("oldcol", 1);
    simulationProgram_.setFloat("t", t);
    simulationProgram_.setFloat("speed", smokeSpeed(t));
    quad_.draw(GL_TRIANGLES);
    current_ = next;
    // A stray clear between update and draw must not reach the particles.
    bindWindow(window_);
}

void ShaftScene::buildShaft(double t) {
    // Needs: blending off (every texel is written once); the target has no depth buffer.
    glDisable(GL_BLEND);
    volumeProgram_.bind();
    volumeProgram_.setFloat("t", t);
    runLayeredPass(volumeTarget_, volumeProgram_, quad_, volumeSize);
    // Leaves the volume bound on unit 1, where the surface pass reads it.
    extractor_.extract(volume_);
    glEnable(GL_DEPTH_TEST);
    bindWindow(window_);
}

void ShaftScene::draw(double t, double dirX, double dirY, double posX, double posY, double posZ) {
    Camera camera;
    camera.dir = {dirX, dirY};
    camera.pos = {posX, posY, posZ};
    clearDensity();
    if (t > smokeStart)
        drawSprites(camera);
    drawSky(t, camera);
    if (t < shaftEnd)
        drawSurface(t, camera);
}

// Leaves the density target bound.
void ShaftScene::clearDensity() {
    densityTarget_.bind(window_.width(), window_.height());
    // The clear colour is shared state; the density must start from zero whatever it is.
    const GLfloat zero[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glClearBufferfv(GL_COLOR, 0, zero);
}

// Sums the sprites of every particle into the density texture.
void ShaftScene::drawSprites(const Camera& camera) {
    // Needs: the density target bound, additive blending, no depth test, sizes from the shader.
    glEnable(GL_PROGRAM_POINT_SIZE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    bindTexture(0, GL_TEXTURE_2D, positions_[current_].id());
    spriteProgram_.bind();
    spriteProgram_.setInt("postex", 0);
    setCamera(spriteProgram_, camera);
    setProject(spriteProgram_, smokeProjection_);
    particles_.draw(GL_POINTS);
    glDisable(GL_BLEND);
}

void ShaftScene::drawSky(double t, const Camera& camera) {
    bindWindow(window_);
    // Needs: blending off; no depth test, so last frame's depth cannot hide any of the sky.
    glDisable(GL_DEPTH_TEST);
    bindTexture(0, GL_TEXTURE_2D, density_.id());
    skyProgram_.bind();
    skyProgram_.setInt("tex", 0);
    setViewRay(skyProgram_, camera, window_);
    skyProgram_.setFloat("t", t);
    quad_.draw(GL_TRIANGLES);
    glEnable(GL_DEPTH_TEST);
}

// Draws the quads of this frame's extract over the sky.
void ShaftScene::drawSurface(double t, const Camera& camera) {
    // Needs: the window's framebuffer, depth test on with GL_LEQUAL, back faces culled.
    glClear(GL_DEPTH_BUFFER_BIT);
    surfaceProgram_.bind();
    bindTexture(1, GL_TEXTURE_3D, volume_.id());
    setCamera(surfaceProgram_, camera);
    surfaceProgram_.setInt("sdf", 1);
    surfaceProgram_.setFloat("t", t);
    setProject(surfaceProgram_, surfaceProjection_);
    extractor_.drawQuads(surfaceProgram_, 0);
}
