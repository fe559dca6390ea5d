#pragma once

// A scene of the timeline: built once before the music starts, then updated and drawn at the
// music time t with the frame's camera (yaw and pitch, then position).
class Scene {
  public:
    virtual ~Scene() = default;
    virtual void update(double t) = 0;
    virtual void draw(double t, double dirX, double dirY, double posX, double posY,
                      double posZ) = 0;
};
