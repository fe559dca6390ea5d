#include "app/demo_scenes.h"

#include "scenes/shaft_scene.h"

#include <epoxy/gl.h>

void setFixedGlState() {
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_PROGRAM_POINT_SIZE);
}

DemoScenes::DemoScenes(const GlWindow& window, SharedGpu& shared)
    : shaft_(std::make_unique<ShaftScene>(window, shared.extractor, shared.quad)) {
    set_.shaft = shaft_.get();
}

DemoScenes::~DemoScenes() = default;

bool DemoScenes::complete() const {
    return set_.shaft && set_.plume && set_.finale && set_.sheet;
}
