#include "text/finale_scene.h"

#include "app/gl_window.h"
#include "gpu/layered_pass.h"
#include "gpu/pass_state.h"
#include "gpu/surface_extractor.h"
#include "gpu/texel_centres.h"
#include "scenes/crt_random.h"
#include "scenes/dust_cloud.h"
#include "scenes/pass_setup.h"
#include "text/credits_layout.h"
#include "text/finale_geometry.h"
#include "text/text_rasterizer.h"

#include "platform/gl.h"

#include <array>
#include <vector>

namespace {

constexpr float dustSpan = 40.0f;
constexpr int stubSide = 10;

// Never rendered to; zero contents make the sky pass read "nothing drawn here".
Texture2D stubTexture(ImageKind kind) {
    static const std::array<float, stubSide * stubSide * 4> zeros{};
    return Texture2D(kind, stubSide, stubSide, zeros.data());
}

} // namespace

FinaleScene::FinaleScene(const GlWindow& window, SurfaceExtractor& extractor, const Mesh& quad,
                         CrtRandom& random)
    : window_(window), extractor_(extractor), quad_(quad),
      particleMesh_(texelCentreMesh(particleSide)), groundProgram_(ShaderId::Ground),
      dustProgram_(ShaderId::Dust), compositeProgram_(ShaderId::FinaleComposite),
      textVolumeProgram_(ShaderId::TextField, ShaderFlags::HasGeometry),
      blobSurfaceProgram_(ShaderId::BlobSurface), textSurfaceProgram_(ShaderId::TextSurface),
      sceneColor_(ImageKind::Colour, window.width(), window.height()),
      sceneDepth_(ImageKind::Depth, window.width(), window.height()),
      stubColor_(stubTexture(ImageKind::Colour)), stubDepth_(stubTexture(ImageKind::Depth)),
      textTexture_(ImageKind::Colour, creditsWidth, creditsHeight),
      volume_(VolumeKind::Distance, volumeSize, volumeSize, volumeSize, 1, VolumeWrap::ClampToEdge),
      blobField_(quad), particles_(particleSide, particleSide),
      particleStepProgram_(ShaderId::StreamStep), particleDrawProgram_(ShaderId::StreamSprites),
      projection_(project(window.width(), window.height(), DepthRange::Near0_1Far500)) {
    sceneTarget_.attach(0, &sceneColor_);
    sceneTarget_.attachDepth(&sceneDepth_);
    buildGeometry(random);
    TextRasterizer().rasterizeCredits(textTexture_);
    seedParticles();
    volumeTarget_.attachLayers(0, volume_, 0);
}

void FinaleScene::buildGeometry(CrtRandom& random) {
    // The dust takes the next 30,000 values of the sequence, the ground the 4,225 after them.
    const std::vector<float> dust = scatterDust(random, dustCount, dustSpan);
    dustMesh_.setVertices(dust.data(), dustCount, 3);

    const std::vector<float> ground = groundVertices(groundHeights(random));
    constexpr std::array<int, 2> positionAndNormal{3, 3};
    groundMesh_.setVertices(ground.data(), groundVertexCount, positionAndNormal);
}

void FinaleScene::seedParticles() {
    beginPass(particles_.seedPass());
    const ShaderProgram seedProgram(ShaderId::StreamSeed);
    seedProgram.bind();
    quad_.draw(GL_TRIANGLES);
}

void FinaleScene::update(double t) {
    buildField(t);
    extractor_.extract(volume_);
    extracted_ = true;
    if (t >= particlesFrom) {
        stepParticles(t);
    }
}

void FinaleScene::fastForward(double t) {
    if (t < particlesFrom) {
        return;
    }
    buildField(t);
    extracted_ = false;
    stepParticles(t);
}

void FinaleScene::takeBackStep(double t) {
    if (t >= particlesFrom)
        particles_.flip();
}

const Texture3D* FinaleScene::frameVolume() const {
    return extracted_ ? &volume_ : nullptr;
}

void FinaleScene::buildField(double t) {
    if (t < textFrom) {
        blobField_.build(t, volumeTarget_, volumeSize);
        return;
    }
    textVolumeProgram_.bind();
    textVolumeProgram_.setFloat("t", t);
    bindTexture(0, GL_TEXTURE_2D, textTexture_.id());
    textVolumeProgram_.setInt("text", 0);
    runLayeredPass(volumeTarget_, textVolumeProgram_, quad_, volumeSize);
}

// Reads the current state, writes the other, then makes it current.
void FinaleScene::stepParticles(double t) {
    beginPass(particles_.stepPass());
    bindTexture(0, GL_TEXTURE_2D, particles_.current().id());
    bindTexture(1, GL_TEXTURE_3D, volume_.id());
    particleStepProgram_.bind();
    particleStepProgram_.setInt("tex", 0);
    particleStepProgram_.setInt("sdf", 1);
    particleStepProgram_.setFloat("t", t);
    quad_.draw(GL_TRIANGLES);
    particles_.flip();
}

void FinaleScene::draw(double t, double dirX, double dirY, double posX, double posY, double posZ) {
    Camera camera;
    camera.dir = {dirX, dirY};
    camera.pos = {posX, posY, posZ};
    paintSky(t, camera);
    if (t < textFrom) {
        drawGround(t, camera);
    }
    drawSurface(t, camera);
    if (t >= particlesFrom) {
        drawParticles(t, camera);
    }
    drawDust(t, camera);
    composite(t, camera);
}

void FinaleScene::setSkyUniforms(double t, const Camera& camera, double base) const {
    compositeProgram_.bind();
    compositeProgram_.setInt("color", 0);
    compositeProgram_.setInt("depth", 1);
    compositeProgram_.setFloat("t", t);
    compositeProgram_.setFloat("base", base);
    setViewRay(compositeProgram_, camera, window_);
}

// Fills the whole scene image with the sky, without depth test so that every pixel takes it; the
// depth starts at the far plane for the passes after it.
void FinaleScene::paintSky(double t, const Camera& camera) {
    beginPass({.target = &sceneTarget_,
               .width = window_.width(),
               .height = window_.height(),
               .depthTest = DepthTest::Off,
               .clearDepth = true});
    bindTexture(0, GL_TEXTURE_2D, stubColor_.id());
    bindTexture(1, GL_TEXTURE_2D, stubDepth_.id());
    setSkyUniforms(t, camera, 1.0);
    quad_.draw(GL_TRIANGLES);
}

void FinaleScene::drawGround(double t, const Camera& camera) {
    beginPass({.target = &sceneTarget_,
               .width = window_.width(),
               .height = window_.height(),
               .depthTest = DepthTest::LessOrEqual});
    groundProgram_.bind();
    groundProgram_.setFloat("t", t);
    setCamera(groundProgram_, camera);
    setProject(groundProgram_, projection_);
    groundMesh_.draw(GL_TRIANGLES);
}

// The quads the extractor produced from this frame's field.
void FinaleScene::drawSurface(double t, const Camera& camera) {
    beginPass({.target = &sceneTarget_,
               .width = window_.width(),
               .height = window_.height(),
               .depthTest = DepthTest::LessOrEqual});
    bindTexture(0, GL_TEXTURE_3D, volume_.id());
    const ShaderProgram& program = t < textFrom ? blobSurfaceProgram_ : textSurfaceProgram_;
    program.bind();
    setCamera(program, camera);
    program.setInt("sdf", 0);
    program.setFloat("t", t);
    setProject(program, projection_);
    extractor_.drawQuads(program, 1);
}

// Added up by alpha, as the scene image is float.
void FinaleScene::drawParticles(double t, const Camera& camera) {
    beginPass({.target = &sceneTarget_,
               .width = window_.width(),
               .height = window_.height(),
               .depthTest = DepthTest::LessOrEqual,
               .blend = Blend{BlendFactor::SourceAlpha, BlendFactor::One}});
    bindTexture(2, GL_TEXTURE_2D, particles_.current().id());
    particleDrawProgram_.bind();
    setCamera(particleDrawProgram_, camera);
    particleDrawProgram_.setInt("tex", 2);
    particleDrawProgram_.setInt("sdf", 0);
    particleDrawProgram_.setFloat("t", t);
    setProject(particleDrawProgram_, projection_);
    particleMesh_.draw(GL_POINTS);
}

void FinaleScene::drawDust(double t, const Camera& camera) {
    beginPass({.target = &sceneTarget_,
               .width = window_.width(),
               .height = window_.height(),
               .depthTest = DepthTest::LessOrEqual,
               .blend = Blend{BlendFactor::OneMinusSourceAlpha, BlendFactor::One}});
    dustProgram_.bind();
    dustProgram_.setFloat("t", t);
    setCamera(dustProgram_, camera);
    setProject(dustProgram_, projection_);
    dustMesh_.draw(GL_POINTS);
}

// Replaces every window pixel.
void FinaleScene::composite(double t, const Camera& camera) {
    beginPass({.target = windowFramebuffer,
               .width = window_.width(),
               .height = window_.height(),
               .depthTest = DepthTest::Off});
    bindTexture(0, GL_TEXTURE_2D, sceneColor_.id());
    bindTexture(1, GL_TEXTURE_2D, sceneDepth_.id());
    setSkyUniforms(t, camera, 0.0);
    quad_.draw(GL_TRIANGLES);
}
