#include "scenes/plume_scene.h"

#include "app/gl_window.h"
#include "gpu/layered_pass.h"
#include "gpu/pass_state.h"
#include "gpu/surface_extractor.h"
#include "scenes/crt_random.h"
#include "scenes/dust_cloud.h"
#include "scenes/pass_setup.h"

#include "platform/gl.h"

#include <vector>

namespace {

// The corner texture and the volume sit on units of their own, clear of the extractor's unit 0.
constexpr int cornerUnit = 3;
constexpr int volumeUnit = 1;
constexpr int colourUnit = 0;
constexpr int depthUnit = 1;

Mesh dustMesh(CrtRandom& random) {
    const std::vector<float> positions =
        scatterDust(random, PlumeScene::dustPoints, PlumeScene::dustSpan);
    Mesh mesh;
    mesh.setVertices(positions.data(), PlumeScene::dustPoints, 3);
    return mesh;
}

Camera cameraOf(double dirX, double dirY, double posX, double posY, double posZ) {
    Camera camera;
    camera.dir = {dirX, dirY};
    camera.pos = {posX, posY, posZ};
    return camera;
}

} // namespace

PlumeScene::PlumeScene(const GlWindow& window, SurfaceExtractor& extractor, const Mesh& quad,
                       CrtRandom& random)
    : window_(window), extractor_(extractor), quad_(quad),
      colour_(ImageKind::Colour, window.width(), window.height()),
      depth_(ImageKind::Depth, window.width(), window.height()),
      volume_(VolumeKind::Distance, volumeSize, volumeSize, volumeSize),
      volumeProgram_(ShaderId::PlumeField, ShaderFlags::HasGeometry),
      surfaceProgram_(ShaderId::PlumeSurface), compositeProgram_(ShaderId::PlumeComposite),
      dustProgram_(ShaderId::Dust), dust_(dustMesh(random)),
      surfaceProjection_(project(window.width(), window.height(), DepthRange::Near0_01Far5)),
      dustProjection_(project(window.width(), window.height(), DepthRange::Near0_01Far50)) {
    volumeTarget_.attachLayers(0, volume_, 0);
    sceneTarget_.attach(0, &colour_);
    sceneTarget_.attachDepth(&depth_);
}

void PlumeScene::update(double t) {
    volumeProgram_.bind();
    volumeProgram_.setFloat("t", t);
    runLayeredPass(volumeTarget_, volumeProgram_, quad_, volumeSize);
    extractor_.extract(volume_);
    volumeBuilt_ = true;
}

const Texture3D* PlumeScene::frameVolume() const {
    return volumeBuilt_ ? &volume_ : nullptr;
}

void PlumeScene::draw(double t, double dirX, double dirY, double posX, double posY, double posZ) {
    const Camera camera = cameraOf(dirX, dirY, posX, posY, posZ);
    drawSurface(camera);
    drawDust(t, camera);
    composite(t, camera);
}

// The quads of this frame's extract into the scene images, which start empty: (0, 0, 0, 0) at
// depth 1.
void PlumeScene::drawSurface(const Camera& camera) {
    beginPass({.target = &sceneTarget_,
               .width = window_.width(),
               .height = window_.height(),
               .depthTest = DepthTest::LessOrEqual,
               .clearColour = ColourClear::Zero,
               .clearDepth = true});
    bindTexture(volumeUnit, GL_TEXTURE_3D, volume_.id());
    surfaceProgram_.bind();
    setCamera(surfaceProgram_, camera);
    surfaceProgram_.setInt("sdf", volumeUnit);
    setProject(surfaceProgram_, surfaceProjection_);
    extractor_.drawQuads(surfaceProgram_, cornerUnit);
}

// Over the surface, without blending: alpha carries a mote's fade to the composite.
void PlumeScene::drawDust(double t, const Camera& camera) {
    beginPass({.target = &sceneTarget_,
               .width = window_.width(),
               .height = window_.height(),
               .depthTest = DepthTest::LessOrEqual});
    dustProgram_.bind();
    dustProgram_.setFloat("t", t);
    setCamera(dustProgram_, camera);
    setProject(dustProgram_, dustProjection_);
    dust_.draw(GL_POINTS);
}

void PlumeScene::composite(double t, const Camera& camera) {
    // No depth test: the window's old depth must hide none of it.
    beginPass({.target = windowFramebuffer,
               .width = window_.width(),
               .height = window_.height(),
               .depthTest = DepthTest::Off});
    bindTexture(colourUnit, GL_TEXTURE_2D, colour_.id());
    bindTexture(depthUnit, GL_TEXTURE_2D, depth_.id());
    compositeProgram_.bind();
    compositeProgram_.setInt("color", colourUnit);
    compositeProgram_.setInt("depth", depthUnit);
    compositeProgram_.setFloat("t", t);
    setViewRay(compositeProgram_, camera, window_);
    quad_.draw(GL_TRIANGLES);
}
