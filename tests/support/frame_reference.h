#pragma once

#include "app/camera.h"

#include <array>
#include <vector>

// Double-precision references of what the scenes' screen passes compute, and the frame read-back.

struct Rgb {
    double r, g, b;
};

using Ray = std::array<double, 3>;

// The shaders' hsltorgb, hue in degrees clamped to the first and last sectors; offset L - S/2.
Rgb hslToRgb(double hue, double s, double l);

// The view ray (cx aspect, cy, focal) at device (cx, cy), turned by the pitch, then the yaw.
Ray viewRayReference(double cx, double cy, double aspect, double focal, double yaw, double pitch);

// The geometry passes' transform: world point to clip space seen by `camera` through `project`.
std::array<double, 4> worldToClipReference(const Ray& world, const Camera& camera,
                                           const ProjectVector& project);

// Its inverse: the world point drawn at normalised device (x, y) with window depth `depth`.
Ray worldPointReference(double ndcX, double ndcY, double depth, const Camera& camera,
                        const ProjectVector& project);

// 0.5 plus `contrast` times the cosine between v and (1, 1, 1).
double facingLightReference(const Ray& v, double contrast);

// The normalised device coordinate of the centre of pixel `index` of `size` pixels.
double pixelCentre(int index, int size);

// Whether an 8-bit pixel is `reference` plus one grain in [0, maxGrain] shared by its channels.
bool matchesWithGrain(const std::array<unsigned char, 4>& pixel, const Rgb& reference,
                      double maxGrain);

// The RGBA8 pixels of the window's framebuffer, rows from the bottom.
std::vector<std::array<unsigned char, 4>> readWindow(int width, int height);
