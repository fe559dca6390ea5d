#include "scenes/sheet_scene.h"

#include "app/camera.h"
#include "app/gl_window.h"
#include "gpu/texel_centres.h"
#include "scenes/pass_setup.h"
#include "scenes/sheet_pen.h"

#include "platform/gl.h"

SheetScene::SheetScene(const GlWindow& window, const Mesh& quad)
    : window_(window), quad_(quad), simulationProgram_(ShaderId::SheetStep),
      drawProgram_(ShaderId::SheetPoints),
      seedProgram_(ShaderId::SheetSeed), states_{Texture2D(ImageKind::Colour, stateSize, stateSize),
                                                 Texture2D(ImageKind::Colour, stateSize,
                                                           stateSize)},
      particles_(texelCentreMesh(stateSize)) {
    seed();
}

void SheetScene::seed() {
    target_.attach(0, &states_[0]);
    target_.bind(stateSize, stateSize);
    seedProgram_.bind();
    glDisable(GL_DEPTH_TEST);
    quad_.draw(GL_TRIANGLES);
    glEnable(GL_DEPTH_TEST);
    read_ = 0;
    bindWindow(window_);
}

void SheetScene::update(double t) {
    const int write = 1 - read_;
    target_.attach(0, &states_[write]);
    target_.bind(stateSize, stateSize);

    bindTexture(0, GL_TEXTURE_2D, states_[read_].id());
    const SheetPen pen = titlePenAt(t);
    simulationProgram_.bind();
    simulationProgram_.setInt("tex", 0);
    simulationProgram_.setFloat("t", static_cast<float>(t - penStartTime));
    simulationProgram_.setVec2("pushpos", pen.posX, pen.posY);
    simulationProgram_.setVec2("pushdir", pen.dirX, pen.dirY);

    glDisable(GL_DEPTH_TEST);
    quad_.draw(GL_TRIANGLES);
    glEnable(GL_DEPTH_TEST);
    bindWindow(window_);
    read_ = write;
}

void SheetScene::draw(double t, double dirX, double dirY, double posX, double posY, double posZ) {
    drawProgram_.bind();
    bindTexture(0, GL_TEXTURE_2D, states_[read_].id());
    drawProgram_.setInt("tex", 0);
    setCamera(drawProgram_, Camera{{posX, posY, posZ}, {dirX, dirY}});
    setProject(drawProgram_, project(window_.width(), window_.height(), DepthRange::Near0_1Far500));
    drawProgram_.setFloat("t", static_cast<float>(t) - static_cast<float>(drawStartTime));
    particles_.draw(GL_POINTS);
}
