#pragma once

class Texture3D;

// A scene of the timeline: built once before the music starts (from the window, and the shared
// surface extractor and full-screen quad where it uses them), then updated and drawn at the music
// time t with the frame's camera (yaw and pitch, then position).
class Scene {
  public:
    virtual ~Scene() = default;
    virtual void update(double t) = 0;
    virtual void draw(double t, double dirX, double dirY, double posX, double posY,
                      double posZ) = 0;

    // Leaves behind what update(t) leaves for later frames (a simulation step), skipping work
    // the next frame rebuilds anyway; renders at a moment without playing every frame before it.
    virtual void fastForward(double t) { update(t); }
    // Undoes what the last update(t) left for later frames, so that a frame rendered between two
    // frames of the clock leaves later frames as they would have been without it.
    virtual void takeBackStep(double /*t*/) {}

    // The distance volume the last update built and extracted, or null when it built none.
    virtual const Texture3D* frameVolume() const { return nullptr; }
};
