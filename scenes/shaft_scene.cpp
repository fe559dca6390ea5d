#include "scenes/shaft_scene.h"

#include "app/gl_window.h"
#include "gpu/layered_pass.h"
#include "gpu/pass_state.h"
#include "gpu/surface_extractor.h"
#include "gpu/texel_centres.h"
#include "scenes/pass_setup.h"
#include "scenes/smoke_speed.h"

#include "platform/gl.h"

ShaftScene::ShaftScene(const GlWindow& window, SurfaceExtractor& extractor, const Mesh& quad)
    : window_(window), extractor_(extractor), quad_(quad), smoke_(particleSide, particleSide, 2),
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
    seedParticles();
    volumeTarget_.attachLayers(0, volume_, 0);
}

void ShaftScene::seedParticles() {
    beginPass(smoke_.seedPass());
    seedProgram_.bind();
    seedProgram_.setFloat("side", particleSide);
    quad_.draw(GL_TRIANGLES);
    glFinish();
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
        smoke_.flip();
}

const Texture3D* ShaftScene::frameVolume() const {
    return volumeBuilt_ ? &volume_ : nullptr;
}

// Reads the current side, writes the other, then makes it current.
void ShaftScene::simulate(double t) {
    beginPass(smoke_.stepPass());
    bindTexture(0, GL_TEXTURE_2D, smoke_.current(positionImage).id());
    bindTexture(1, GL_TEXTURE_2D, smoke_.current(stateImage).id());
    simulationProgram_.bind();
    simulationProgram_.setInt("oldpos", 0);
    simulationProgram_.setInt("oldcol", 1);
    simulationProgram_.setFloat("t", t);
    simulationProgram_.setFloat("speed", smokeSpeed(t));
    quad_.draw(GL_TRIANGLES);
    smoke_.flip();
}

void ShaftScene::buildShaft(double t) {
    volumeProgram_.bind();
    volumeProgram_.setFloat("t", t);
    runLayeredPass(volumeTarget_, volumeProgram_, quad_, volumeSize);
    extractor_.extract(volume_);
}

void ShaftScene::draw(double t, double dirX, double dirY, double posX, double posY, double posZ) {
    Camera camera;
    camera.dir = {dirX, dirY};
    camera.pos = {posX, posY, posZ};
    drawDensity(t, camera);
    drawSky(t, camera);
    if (t < shaftEnd)
        drawSurface(t, camera);
}

// The density starts from zero every frame; once the smoke shows, the sprites of every particle
// add up in it.
void ShaftScene::drawDensity(double t, const Camera& camera) {
    beginPass({.target = &densityTarget_,
               .width = window_.width(),
               .height = window_.height(),
               .depthTest = DepthTest::Off,
               .blend = Blend{BlendFactor::SourceAlpha, BlendFactor::One},
               .clearColour = ColourClear::Zero});
    if (!(t > smokeStart))
        return;
    bindTexture(0, GL_TEXTURE_2D, smoke_.current(positionImage).id());
    spriteProgram_.bind();
    spriteProgram_.setInt("postex", 0);
    setCamera(spriteProgram_, camera);
    setProject(spriteProgram_, smokeProjection_);
    particles_.draw(GL_POINTS);
}

void ShaftScene::drawSky(double t, const Camera& camera) {
    // No depth test, so that last frame's depth hides none of the sky.
    beginPass({.target = windowFramebuffer,
               .width = window_.width(),
               .height = window_.height(),
               .depthTest = DepthTest::Off});
    bindTexture(0, GL_TEXTURE_2D, density_.id());
    skyProgram_.bind();
    skyProgram_.setInt("tex", 0);
    setViewRay(skyProgram_, camera, window_);
    skyProgram_.setFloat("t", t);
    quad_.draw(GL_TRIANGLES);
}

// Draws the quads of this frame's extract over the sky.
void ShaftScene::drawSurface(double t, const Camera& camera) {
    beginPass({.target = windowFramebuffer,
               .width = window_.width(),
               .height = window_.height(),
               .depthTest = DepthTest::LessOrEqual,
               .clearDepth = true});
    surfaceProgram_.bind();
    bindTexture(1, GL_TEXTURE_3D, volume_.id());
    setCamera(surfaceProgram_, camera);
    surfaceProgram_.setInt("sdf", 1);
    surfaceProgram_.setFloat("t", t);
    setProject(surfaceProgram_, surfaceProjection_);
    extractor_.drawQuads(surfaceProgram_, 0);
}
