#include "scenes/sheet_scene.h"

#include "app/camera.h"
#include "app/gl_window.h"
#include "gpu/pass_state.h"
#include "gpu/texel_centres.h"
#include "scenes/pass_setup.h"
#include "scenes/sheet_pen.h"

#include "platform/gl.h"

SheetScene::SheetScene(const GlWindow& window, const Mesh& quad)
    : window_(window), quad_(quad), simulationProgram_(ShaderId::SheetStep),
      drawProgram_(ShaderId::SheetPoints), seedProgram_(ShaderId::SheetSeed),
      states_(stateSize, stateSize), particles_(texelCentreMesh(stateSize)) {
    seed();
}

void SheetScene::seed() {
    beginPass(states_.seedPass());
    seedProgram_.bind();
    quad_.draw(GL_TRIANGLES);
}

void SheetScene::update(double t) {
    beginPass(states_.stepPass());
    bindTexture(0, GL_TEXTURE_2D, states_.current().id());
    const SheetPen pen = titlePenAt(t);
    simulationProgram_.bind();
    simulationProgram_.setInt("tex", 0);
    simulationProgram_.setFloat("t", static_cast<float>(t - penStartTime));
    simulationProgram_.setVec2("pushpos", pen.posX, pen.posY);
    simulationProgram_.setVec2("pushdir", pen.dirX, pen.dirY);
    quad_.draw(GL_TRIANGLES);
    states_.flip();
}

void SheetScene::draw(double t, double dirX, double dirY, double posX, double posY, double posZ) {
    beginPass({.target = windowFramebuffer,
               .width = window_.width(),
               .height = window_.height(),
               .depthTest = DepthTest::LessOrEqual});
    drawProgram_.bind();
    bindTexture(0, GL_TEXTURE_2D, states_.current().id());
    drawProgram_.setInt("tex", 0);
    setCamera(drawProgram_, Camera{{posX, posY, posZ}, {dirX, dirY}});
    setProject(drawProgram_, project(window_.width(), window_.height(), DepthRange::Near0_1Far500));
    drawProgram_.setFloat("t", static_cast<float>(t) - static_cast<float>(drawStartTime));
    particles_.draw(GL_POINTS);
}
