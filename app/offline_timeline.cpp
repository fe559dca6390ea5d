#include "app/offline_timeline.h"

#include "app/music_clock.h"

void OfflineTimeline::fastForwardTo(float t) {
    for (; next_ < t; next_ += kFrameStep)
        director_.fastForward(next_, scenes_);
}

FramePlan OfflineTimeline::render(float t) {
    fastForwardTo(t);
    FramePlan plan = director_.plan(t);
    runFrame(plan, t, scenes_);
    if (t == next_) {
        next_ += kFrameStep;
        return plan;
    }
    for (FrameStep step : plan.steps) {
        Scene* scene = isUpdate(step) ? sceneOf(step, scenes_) : nullptr;
        if (scene)
            scene->takeBackStep(t);
    }
    return plan;
}
