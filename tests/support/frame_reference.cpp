#include "tests/support/frame_reference.h"

#include "platform/gl.h"

#include <algorithm>
#include <cmath>

namespace {

// The shaders' hslSector: the six branches over the hue sector, then the offset L - S/2.
Rgb hslFromSector(double sector, double s, double l) {
    const double c = (1.0 - std::fabs(2.0 * l - 1.0)) * s;
    const double x = c * (1.0 - std::fabs(sector - 2.0 * std::floor(sector / 2.0) - 1.0));
    const int branch = std::clamp(static_cast<int>(std::floor(sector)), 0, 5);
    const Rgb sectors[6] = {{c, x, 0}, {x, c, 0}, {0, c, x}, {0, x, c}, {x, 0, c}, {c, 0, x}};
    const Rgb& rgb = sectors[branch];
    const double offset = l - 0.5 * s;
    return {rgb.r + offset, rgb.g + offset, rgb.b + offset};
}

// The shaders' (a, b) *= pairRotation(angle): (a cos + b sin, -a sin + b cos).
void rotatePairReference(double& a, double& b, double angle) {
    const double turnedA = a * std::cos(angle) + b * std::sin(angle);
    b = -a * std::sin(angle) + b * std::cos(angle);
    a = turnedA;
}

} // namespace

Rgb hslToRgb(double hue, double s, double l) {
    return hslFromSector(hue / 60.0, s, l);
}

Ray viewRayReference(double cx, double cy, double aspect, double focal, double yaw, double pitch) {
    Ray ray = {cx * aspect, cy, focal};
    rotatePairReference(ray[2], ray[1], pitch);
    rotatePairReference(ray[0], ray[2], yaw);
    return ray;
}

std::array<double, 4> worldToClipReference(const Ray& world, const Camera& camera,
                                           const ProjectVector& project) {
    double x = world[0] - camera.pos.x, y = world[1] - camera.pos.y, z = world[2] - camera.pos.z;
    rotatePairReference(x, z, camera.dir.x);
    rotatePairReference(z, y, camera.dir.y);
    return {x * project.x, y * project.y, z * project.z + project.w, -z};
}

Ray worldPointReference(double ndcX, double ndcY, double depth, const Camera& camera,
                        const ProjectVector& project) {
    double z = -project.w / (2.0 * depth - 1.0 + project.z);
    double x = -ndcX * z / project.x, y = -ndcY * z / project.y;
    // The rotations undone in reverse order.
    rotatePairReference(z, y, -camera.dir.y);
    rotatePairReference(x, z, -camera.dir.x);
    return {x + camera.pos.x, y + camera.pos.y, z + camera.pos.z};
}

double facingLightReference(const Ray& v, double contrast) {
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return 0.5 + contrast * (v[0] + v[1] + v[2]) / (length * std::sqrt(3.0));
}

double pixelCentre(int index, int size) {
    return (index + 0.5) / size * 2.0 - 1.0;
}

bool matchesWithGrain(const std::array<unsigned char, 4>& pixel, const Rgb& reference,
                      double maxGrain) {
    // llvmpipe rounds to 8 bits at about .7 of a step, not .5: allow a whole step.
    constexpr double quantum = 1.0 / 255.0;
    const double channels[3] = {reference.r, reference.g, reference.b};
    double lowest = 1.0, highest = -1.0;
    for (size_t c = 0; c < 3; ++c) {
        const double value = pixel[c] / 255.0, expected = channels[c];
        if (value < std::clamp(expected, 0.0, 1.0) - quantum ||
            value > std::clamp(expected + maxGrain, 0.0, 1.0) + quantum)
            return false;
        // A channel clamped at 0 or 1 says nothing about the grain.
        if (expected >= 0.0 && expected + maxGrain <= 1.0) {
            lowest = std::min(lowest, value - expected);
            highest = std::max(highest, value - expected);
        }
    }
    return highest - lowest <= 2.0 * quantum;
}

std::vector<std::array<unsigned char, 4>> readWindow(int width, int height) {
    std::vector<std::array<unsigned char, 4>> pixels(static_cast<size_t>(width) * height);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}
