#pragma once

#include "app/timeline_director.h"

// Plays the timeline without a clock: the frames the demo shows at a steady 60 frames per second
// from t = 0, for rendering any moment exactly as a viewer would have seen it.
class OfflineTimeline {
  public:
    explicit OfflineTimeline(SceneSet& scenes) : scenes_(scenes) {}

    // The music time of the next frame at 60 frames per second.
    float next() const { return next_; }

    // Plays every frame before t without drawing: only what later frames depend on is done.
    // Frames already played stay played: time never goes back.
    void fastForwardTo(float t);
    // Renders the whole frame at t (after every frame before it); when t is the next frame it
    // counts as played, otherwise its simulation steps are taken back, so that frames rendered
    // between the clock's frames change no later frame.
    // Returns what the frame did.
    FramePlan render(float t);

  private:
    SceneSet& scenes_;
    TimelineDirector director_;
    float next_ = 0.0f;
};
