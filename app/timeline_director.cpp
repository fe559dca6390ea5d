#include "app/timeline_director.h"

#include "app/camera_paths.h"
#include "app/timeline_moments.h"

#include "platform/gl.h"

namespace {

// The last window: the finale, with the sheet drawn over it until its end.
void planFinale(float t, FramePlan& plan) {
    const double td = t;
    plan.camera = fadingOrbit(t);
    plan.steps = {FrameStep::Clear, FrameStep::Finish};
    if (td > timeline::sheetEnd)
        plan.camera = finaleOrbit(t);
    plan.steps.insert(plan.steps.end(),
                      {FrameStep::Finish, FrameStep::FinaleUpdate, FrameStep::Finish,
                       FrameStep::FinaleDraw, FrameStep::Finish});
    if (td < timeline::sheetEnd) {
        if (td > timeline::penFrom)
            plan.steps.push_back(FrameStep::SheetUpdate);
        plan.steps.insert(plan.steps.end(),
                          {FrameStep::Finish, FrameStep::SheetDraw, FrameStep::Finish});
    }
}

} // namespace

Scene* sceneOf(FrameStep step, SceneSet& scenes) {
    switch (step) {
    case FrameStep::ShaftUpdate:
    case FrameStep::ShaftDraw:
        return scenes.shaft;
    case FrameStep::PlumeUpdate:
    case FrameStep::PlumeDraw:
        return scenes.plume;
    case FrameStep::FinaleUpdate:
    case FrameStep::FinaleDraw:
        return scenes.finale;
    case FrameStep::SheetUpdate:
    case FrameStep::SheetDraw:
        return scenes.sheet;
    case FrameStep::Clear:
    case FrameStep::Finish:
        break;
    }
    return nullptr;
}

bool isUpdate(FrameStep step) {
    return step == FrameStep::ShaftUpdate || step == FrameStep::PlumeUpdate ||
           step == FrameStep::FinaleUpdate || step == FrameStep::SheetUpdate;
}

std::string_view stepName(FrameStep step) {
    switch (step) {
    case FrameStep::ShaftUpdate:
        return "shaft.update";
    case FrameStep::ShaftDraw:
        return "shaft.draw";
    case FrameStep::PlumeUpdate:
        return "plume.update";
    case FrameStep::PlumeDraw:
        return "plume.draw";
    case FrameStep::FinaleUpdate:
        return "finale.update";
    case FrameStep::FinaleDraw:
        return "finale.draw";
    case FrameStep::SheetUpdate:
        return "sheet.update";
    case FrameStep::SheetDraw:
        return "sheet.draw";
    case FrameStep::Clear:
        return "clear";
    case FrameStep::Finish:
        return "finish";
    }
    return "";
}

bool isSceneCall(FrameStep step) {
    return step != FrameStep::Clear && step != FrameStep::Finish;
}

FramePlan TimelineDirector::plan(float t) {
    FramePlan plan;
    if (t < timeline::asFloat(timeline::plumeFrom)) {
        openingPath(t, camera_);
        plan.steps = {FrameStep::ShaftUpdate, FrameStep::ShaftDraw};
    } else if (t < timeline::asFloat(timeline::finaleFrom)) {
        camera_ = t >= timeline::asFloat(timeline::plumeOrbitFrom) ? cutOrbit(t) : risePath(t);
        plan.steps = {FrameStep::PlumeUpdate, FrameStep::PlumeDraw};
    } else if (static_cast<double>(t) >= timeline::finaleFrom) {
        planFinale(t, plan);
        camera_ = plan.camera;
    }
    plan.camera = camera_;
    return plan;
}

void TimelineDirector::run(float t, SceneSet& scenes) {
    runFrame(plan(t), t, scenes);
}

void TimelineDirector::fastForward(float t, SceneSet& scenes) {
    for (FrameStep step : plan(t).steps) {
        Scene* scene = sceneOf(step, scenes);
        if (scene && isUpdate(step))
            scene->fastForward(t);
    }
}

void runFrame(const FramePlan& plan, float t, SceneSet& scenes) {
    const Camera& camera = plan.camera;
    for (FrameStep step : plan.steps) {
        if (step == FrameStep::Clear) {
            // Whatever target the last pass drew to, the frame starts from the window.
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        } else if (step == FrameStep::Finish) {
            glFinish();
        } else if (Scene* scene = sceneOf(step, scenes)) {
            if (isUpdate(step))
                scene->update(t);
            else
                scene->draw(t, camera.dir.x, camera.dir.y, camera.pos.x, camera.pos.y,
                            camera.pos.z);
        }
    }
}
