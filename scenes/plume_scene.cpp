#include "scenes/plume_scene.h"

#include "app/gl_window.h"
#include "gpu/layered_pass.h"
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
    // Needs: no depth test and no blending, so every texel of every layer is written once.
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    volumeProgram_.bind();
    volumeProgram_.setFloat("t", t);
    runLayeredPass(volumeTarget_, volumeProgram_, quad_, volumeSize);
    extractor_.extract(volume_);
    volumeBuilt_ = true;
    glEnable(GL_DEPTH_TEST);
    bindWindow(window_);
}

const Texture3D* PlumeScene::frameVolume() const {
    return volumeBuilt_ ? &volume_ : nullptr;
}

void PlumeScene::draw(double t, double dirX, double dirY, double posX, double posY, double posZ) {
    const Camera camera = cameraOf(dirX, dirY, posX, posY, posZ);
    // Needs: blending off for every pass; alpha carries the dust's fade to the composite.
    glDisable(GL_BLEND);
    sceneTarget_.bind(window_.width(), window_.height());
    // The clear colour is shared state; empty pixels must be (0, 0, 0, 0) at depth 1 whatever it
    // is.
    const GLfloat noColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    const GLfloat farDepth = 1.0f;
    glDepthMask(GL_TRUE);
    glClearBufferfv(GL_COLOR, 0, noColour);
    glClearBufferfv(GL_DEPTH, 0, &farDepth);
    drawSurface(camera);
    drawDust(t, camera);
    composite(t, camera);
}

// The quads of this frame's extract into the scene images.
void PlumeScene::drawSurface(const Camera& camera) {
    // Needs: the scene target bound; depth test on with GL_LEQUAL and back faces culled (the
    // start-up state).
    glEnable(GL_DEPTH_TEST);
    bindTexture(volumeUnit, GL_TEXTURE_3D, volume_.id());
    surfaceProgram_.bind();
    setCamera(surfaceProgram_, camera);
    surfaceProgram_.setInt("sdf", volumeUnit);
    setProject(surfaceProgram_, surfaceProjection_);
    extractor_.drawQuads(surfaceProgram_, cornerUnit);
}

void PlumeScene::drawDust(double t, const Camera& camera) {
    // Needs: depth test on (still on from the surface pass), sizes from the shader.
    glEnable(GL_PROGRAM_POINT_SIZE);
    dustProgram_.bind();
    dustProgram_.setFloat("t", t);
    setCamera(dustProgram_, camera);
    setProject(dustProgram_, dustProjection_);
    dust_.draw(GL_POINTS);
}

void PlumeScene::composite(double t, const Camera& camera) {
    bindWindow(window_);
    bindTexture(colourUnit, GL_TEXTURE_2D, colour_.id());
    bindTexture(depthUnit, GL_TEXTURE_2D, depth_.id());
    compositeProgram_.bind();
    compositeProgram_.setInt("color", colourUnit);
    compositeProgram_.setInt("depth", depthUnit);
    compositeProgram_.setFloat("t", t);
    setViewRay(compositeProgram_, camera, window_);
    // The full-screen pass must not be hidden by the window's old depth.
    glDisable(GL_DEPTH_TEST);
    quad_.draw(GL_TRIANGLES);
    glEnable(GL_DEPTH_TEST);
}
