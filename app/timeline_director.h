#pragma once

#include "app/camera.h"
#include "app/scene.h"

#include <string_view>
#include <vector>

// One step of a frame, in the order the director runs them.
enum class FrameStep {
    ShaftUpdate,
    ShaftDraw,
    PlumeUpdate,
    PlumeDraw,
    FinaleUpdate,
    FinaleDraw,
    SheetUpdate,
    SheetDraw,
    Clear,  // glClear of the window's colour and depth
    Finish, // glFinish
};

// "shaft.update", ... for scene calls; "clear" and "finish" for the GL actions.
std::string_view stepName(FrameStep step);
bool isSceneCall(FrameStep step);
bool isUpdate(FrameStep step);

// What one frame at music time t does: the camera it is drawn with and its steps.
struct FramePlan {
    Camera camera;
    std::vector<FrameStep> steps;
};

// The scenes a frame may call; one that does not exist (yet) is skipped.
struct SceneSet {
    Scene* shaft = nullptr;
    Scene* plume = nullptr;
    Scene* finale = nullptr;
    Scene* sheet = nullptr;
};

// The choreography: which scenes play at t, with which camera. Its only state is the camera,
// kept from one frame to the next because the opening path writes it only in part.
class TimelineDirector {
  public:
    FramePlan plan(float t);
    // Plans the frame at t and runs it on the scenes.
    void run(float t, SceneSet& scenes);
    // Plans the frame at t and only fast-forwards its scene updates: no drawing, no GL actions.
    void fastForward(float t, SceneSet& scenes);

    const Camera& camera() const { return camera_; }

  private:
    Camera camera_;
};

// The scene a step calls, or null for the GL actions and for a scene that does not exist.
Scene* sceneOf(FrameStep step, SceneSet& scenes);

// Runs the steps of a plan in order: scene calls with the plan's camera, and the GL actions.
void runFrame(const FramePlan& plan, float t, SceneSet& scenes);
