#include "app/camera.h"
#include "scenes/pass_setup.h"
#include "shaders/shader_texts.h"
#include "tests/support/frame_reference.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace {

class CameraTransformTest : public GlTest {};

constexpr int width = 96;
constexpr int height = 54;

// By x.w: 0 the clip position of point x.xyz, 1 the view ray through corner x.xy, 2 the view ray
// through the pixel where point x.xyz lands.
const std::string functions = std::string(shaderTexts().helper("camera.glsl")) + R"(
uniform vec3 pos;
uniform vec2 dir;
uniform vec4 project;
uniform float aspect;
vec4 probe(vec4 x) {
    vec4 c = worldToClip(x.xyz, pos, dir, project);
    vec2 corner = x.w == 1.0 ? x.xy : c.xy / c.w;
    vec3 ray = viewRay(corner, dir, aspect, 2.0);
    return x.w == 0.0 ? c : vec4(x.w == 2.0 ? normalize(ray) : ray, 0.0);
}
)";

TEST_F(CameraTransformTest, GeometryAndViewRayTransformsAgreeWithTheConvention) {
    const double pi = std::numbers::pi, any = NAN;
    // A camera at (5, 2, -1) aimed at (-1, 4, -5) by the convention's formula.
    const double dx = -6.0, dy = 2.0, dz = -4.0;
    const Camera aimed{{5, 2, -1}, {std::atan2(dx, -dz), -std::atan2(dy, std::hypot(dx, dz))}};
    const ProjectVector far50 = project(width, height, DepthRange::Near0_01Far50);
    using enum DepthRange;
    struct Row {
        Camera camera;
        DepthRange range;
        Ray point;
        std::array<double, 3> ndc; // where the named cases must land, `any` elsewhere
    };
    const std::vector<Row> rows = {
        // The origin seen from the rest camera: centred, at the depth its distance gives.
        {Camera{}, Near0_01Far50, {0, 0, 0}, {0, 0, (-3 * far50.z + far50.w) / 3}},
        // Yaw pi/2 looks along +x; pitch 0.3 moves what is straight ahead up the screen.
        {Camera{{0, 0, 0}, {pi / 2, 0}}, Near0_01Far5, {1, 0, 0}, {0, 0, any}},
        {Camera{{0, 0, 0}, {0, 0.3}}, Near0_01Far5, {0, 0, -1}, {0, 2 * std::tan(0.3), any}},
        // Depth runs from -1 at the near plane to +1 at the far plane.
        {Camera{{0, 0, 0}, {0, 0}}, Near0_1Far500, {0, 0, -0.1}, {0, 0, -1}},
        {Camera{{0, 0, 0}, {0, 0}}, Near0_1Far500, {0, 0, -500}, {0, 0, 1}},
        {aimed, Near0_1Far500, {-1, 4, -5}, {0, 0, any}},
        {Camera{{0.3, -0.2, 2.5}, {0.4, -0.25}}, Near0_01Far50, {0.9, 0.1, 0.5}, {any, any, any}},
        {Camera{{4, 3, -2}, {2.6, 0.35}}, Near0_01Far50, {4.5, 2, 1.2}, {any, any, any}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows.data());
        const ProjectVector p = project(width, height, row.range);
        const Float4 point = {float(row.point[0]), float(row.point[1]), float(row.point[2]), 0};
        const std::vector<Float4> probes = {
            point, {0.5f, -0.25f, 0, 1}, {point[0], point[1], point[2], 2}};
        const std::vector<Float4> r =
            evaluateOnGpu(functions, "probe(x)", probes, [&](const ShaderProgram& program) {
                setCamera(program, row.camera);
                setProject(program, p);
                program.setFloat("aspect", aspect(width, height));
            });
        const auto clip = worldToClipReference(row.point, row.camera, p);
        const Ray ray = viewRayReference(0.5, -0.25, aspect(width, height), 2.0, row.camera.dir.x,
                                         row.camera.dir.y);
        // Where a point is drawn, the view ray is the direction to it with z mirrored.
        const Ray toPoint = {row.point[0] - row.camera.pos.x, row.point[1] - row.camera.pos.y,
                             row.camera.pos.z - row.point[2]};
        const double distance = std::hypot(toPoint[0], toPoint[1], toPoint[2]);
        for (size_t c = 0; c < 4; ++c) {
            EXPECT_NEAR(r[0][c], clip[c], 1e-4 * (1.0 + std::fabs(clip[c]))) << c;
            if (c < 3) {
                EXPECT_NEAR(r[1][c], ray[c], 1e-5) << c;
                EXPECT_NEAR(r[2][c], toPoint[c] / distance, 1e-5) << c;
                EXPECT_TRUE(std::isnan(row.ndc[c]) ||
                            std::fabs(r[0][c] / r[0][3] - row.ndc[c]) < 1e-5)
                    << c;
            }
        }
    }
}

} // namespace
