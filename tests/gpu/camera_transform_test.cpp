#include "app/camera.h"
#include "gpu/mesh.h"
#include "gpu/render_target.h"
#include "shaders/shader_resource.h"
#include "shaders/shader_texts.h"
#include "tests/support/frame_reference.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace {

using Vec3 = std::array<double, 3>;

std::array<double, 4> worldToClip(const Vec3& world, const Camera& camera, const ProjectVector& p) {
    double x = world[0] - camera.pos.x, y = world[1] - camera.pos.y, z = world[2] - camera.pos.z;
    rotatePairReference(x, z, camera.dir.x);
    rotatePairReference(z, y, camera.dir.y);
    return {x * p.x, y * p.y, z * p.z + p.w, -z};
}

Vec3 normalized(const Vec3& v) {
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return {v[0] / length, v[1] / length, v[2] / length};
}

std::string cameraText(const char* passes) {
    return std::string(shaderTexts().helper("camera.glsl")) +
           "\nuniform vec3 pos;\nuniform vec2 dir;\nuniform vec4 project;\nuniform float "
           "aspect;\n" +
           passes;
}

void setCamera(const ShaderProgram& program, const Camera& camera, const ProjectVector& p,
               float aspectRatio) {
    program.bind();
    program.setVec2("dir", camera.dir.x, camera.dir.y);
    program.setVec3("pos", camera.pos.x, camera.pos.y, camera.pos.z);
    program.setVec4("project", p.x, p.y, p.z, p.w);
    program.setFloat("aspect", aspectRatio);
}

class CameraTransformTest : public GlTest {
  protected:
    static constexpr int width = 96;
    static constexpr int height = 54;

    // clip-space positions of `points` under `camera`, computed on the GPU.
    static std::vector<Float4> clipOnGpu(const std::vector<Float4>& points, const Camera& camera,
                                         const ProjectVector& p) {
        return evaluateOnGpu(cameraText(""), "worldToClip(x.xyz, pos, dir, project)", points,
                             [&](const ShaderProgram& program) {
                                 setCamera(program, camera, p, aspect(width, height));
                             });
    }
};

TEST_F(CameraTransformTest, OriginSeenFromTheRestCameraIsCentredAtItsDepth) {
    const Camera rest;
    const ProjectVector p = project(width, height, DepthRange::Near0_01Far50);
    const Float4 clip = clipOnGpu({Float4{0.0f, 0.0f, 0.0f, 0.0f}}, rest, p).front();
    EXPECT_EQ(clip[0], 0.0f);
    EXPECT_EQ(clip[1], 0.0f);
    EXPECT_EQ(clip[3], 3.0f);
    EXPECT_NEAR(clip[2] / clip[3], (-3.0f * p.z + p.w) / 3.0f, 1e-6f);
}

TEST_F(CameraTransformTest, YawAndPitchTurnTheViewAsDescribed) {
    const ProjectVector p = project(width, height, DepthRange::Near0_01Far5);
    Camera turned;
    turned.pos = {0.0, 0.0, 0.0};
    turned.dir = {std::numbers::pi / 2.0, 0.0};
    const Float4 side = clipOnGpu({Float4{1.0f, 0.0f, 0.0f, 0.0f}}, turned, p).front();
    EXPECT_NEAR(side[0] / side[3], 0.0f, 1e-6f);
    EXPECT_NEAR(side[1] / side[3], 0.0f, 1e-6f);
    EXPECT_NEAR(side[3], 1.0f, 1e-6f); // in front, at distance 1

    Camera tilted;
    tilted.pos = {0.0, 0.0, 0.0};
    tilted.dir = {0.0, 0.3};
    const Float4 ahead = clipOnGpu({Float4{0.0f, 0.0f, -1.0f, 0.0f}}, tilted, p).front();
    // Tilting down moves what is straight ahead up the screen.
    EXPECT_NEAR(ahead[0], 0.0f, 1e-6f);
    EXPECT_NEAR(ahead[1] / ahead[3], 2.0f * std::tan(0.3f), 1e-5f);
}

TEST_F(CameraTransformTest, DepthSpansNearToFarPlanes) {
    Camera camera;
    camera.pos = {0.0, 0.0, 0.0};
    const ProjectVector p = project(width, height, DepthRange::Near0_1Far500);
    const auto clip =
        clipOnGpu({Float4{0.0f, 0.0f, -0.1f, 0.0f}, Float4{0.0f, 0.0f, -500.0f, 0.0f}}, camera, p);
    EXPECT_NEAR(clip[0][2] / clip[0][3], -1.0f, 1e-4f);
    EXPECT_NEAR(clip[1][2] / clip[1][3], 1.0f, 1e-4f);
}

TEST_F(CameraTransformTest, AimedCameraCentresItsTarget) {
    const Vec3 eye{5.0, 2.0, -1.0}, target{-1.0, 4.0, -5.0};
    const double dx = target[0] - eye[0], dy = target[1] - eye[1], dz = target[2] - eye[2];
    Camera camera;
    camera.pos = {eye[0], eye[1], eye[2]};
    camera.dir = {std::atan2(dx, -dz), -std::atan2(dy, std::sqrt(dx * dx + dz * dz))};
    const ProjectVector p = project(width, height, DepthRange::Near0_1Far500);
    const Float4 clip = clipOnGpu({Float4{-1.0f, 4.0f, -5.0f, 0.0f}}, camera, p).front();
    EXPECT_NEAR(clip[0] / clip[3], 0.0f, 1e-5f);
    EXPECT_NEAR(clip[1] / clip[3], 0.0f, 1e-5f);
    EXPECT_NEAR(clip[3], std::sqrt(dx * dx + dy * dy + dz * dz), 1e-4);
}

TEST_F(CameraTransformTest, GeometryTransformMatchesTheCpuReference) {
    Camera camera;
    camera.pos = {0.3, -0.2, 2.5};
    camera.dir = {0.4, -0.25};
    const ProjectVector p = project(width, height, DepthRange::Near0_01Far50);
    std::vector<Float4> points;
    for (int i = 0; i < 64; ++i) {
        const float f = static_cast<float>(i);
        points.push_back({std::sin(f) * 3.0f, std::cos(f * 1.3f) * 2.0f, -f * 0.2f, 0.0f});
    }
    const auto clip = clipOnGpu(points, camera, p);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto expected = worldToClip({points[i][0], points[i][1], points[i][2]}, camera, p);
        for (std::size_t c = 0; c < 4; ++c) {
            EXPECT_NEAR(clip[i][c], expected[c], 1e-4 * (1.0 + std::fabs(expected[c])))
                << i << " " << c;
        }
    }
}

// Draws single points with the geometry transform and reads the view-ray pass at the pixel each
// lands on: both must describe the same direction from the camera.
TEST_F(CameraTransformTest, GeometryPassAndViewRayPassAgree) {
    const BuiltProgram points = buildCapturingOutput(cameraText(R"(
#ifdef vertexcompile
layout (location=0) in vec3 world;
void main() { gl_Position = worldToClip(world, pos, dir, project); }
#endif
#ifdef fragmentcompile
layout (location=0) out vec4 colour;
void main() { colour = vec4(1.0); }
#endif
)"),
                                                     "points");
    const BuiltProgram rays = buildCapturingOutput(cameraText(R"(
#ifdef vertexcompile
layout (location=0) in vec2 corner;
out vec3 ray;
void main() { ray = viewRay(corner, dir, aspect, 2.0); gl_Position = vec4(corner, 0.0, 1.0); }
#endif
#ifdef fragmentcompile
in vec3 ray;
layout (location=0) out vec4 colour;
void main() { colour = vec4(normalize(ray), 1.0); }
#endif
)"),
                                                   "rays");
    ASSERT_TRUE(linked(points.program)) << points.printed;
    ASSERT_TRUE(linked(rays.program)) << rays.printed;

    const Texture2D pointImage(ImageKind::Colour, width, height);
    const Texture2D rayImage(ImageKind::Colour, width, height);
    RenderTarget pointTarget, rayTarget;
    pointTarget.attach(0, &pointImage);
    rayTarget.attach(0, &rayImage);
    const ProjectVector p = project(width, height, DepthRange::Near0_01Far50);
    const float aspectRatio = aspect(width, height);
    const Mesh quad(MeshShape::FullScreenQuad);

    int checked = 0;
    for (const auto& [camera, world] : std::vector<std::pair<Camera, Vec3>>{
             {Camera{{0.3, -0.2, 2.5}, {0.4, -0.25}}, {0.9, 0.1, 0.5}},
             {Camera{{0.3, -0.2, 2.5}, {0.4, -0.25}}, {1.0, -0.7, -1.0}},
             {Camera{{0.0, 0.0, 3.0}, {0.0, 0.0}}, {0.0, 0.0, 0.0}},
             {Camera{{0.0, 0.0, 3.0}, {0.0, 0.0}}, {1.5, 0.9, -0.5}},
             {Camera{{-2.0, 1.0, 0.0}, {-1.2, 0.5}}, {-5.0, -1.0, -1.5}},
             {Camera{{4.0, 3.0, -2.0}, {2.6, 0.35}}, {4.5, 2.0, 1.2}}}) {
        const auto clip = worldToClip(world, camera, p);
        ASSERT_GT(clip[3], 0.0);
        const double ndcX = clip[0] / clip[3], ndcY = clip[1] / clip[3];
        ASSERT_LT(std::fabs(ndcX), 0.9);
        ASSERT_LT(std::fabs(ndcY), 0.9);

        pointTarget.bind(width, height);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        setCamera(points.program, camera, p, aspectRatio);
        Mesh point;
        const std::array<float, 3> vertex{static_cast<float>(world[0]),
                                          static_cast<float>(world[1]),
                                          static_cast<float>(world[2])};
        point.setVertices(vertex.data(), 1, 3);
        point.draw(GL_POINTS);

        rayTarget.bind(width, height);
        setCamera(rays.program, camera, p, aspectRatio);
        quad.draw(GL_TRIANGLES);

        const std::vector<Float4> lit = readColour(pointImage);
        const std::vector<Float4> directions = readColour(rayImage);
        int litCount = 0;
        for (int index = 0; index < width * height; ++index) {
            if (lit[static_cast<std::size_t>(index)][3] == 0.0f) {
                continue;
            }
            ++litCount;
            const int column = index % width, row = index / width;
            // The pixel the CPU expects, within the rasteriser's half-pixel rounding.
            EXPECT_NEAR(column + 0.5, (ndcX + 1.0) * 0.5 * width, 0.51);
            EXPECT_NEAR(row + 0.5, (ndcY + 1.0) * 0.5 * height, 0.51);

            const Float4& ray = directions[static_cast<std::size_t>(index)];
            // Exactly the view ray through this pixel's centre...
            const Vec3 centre = normalized(viewRayReference(
                (column + 0.5) * 2.0 / width - 1.0, (row + 0.5) * 2.0 / height - 1.0, aspectRatio,
                2.0, camera.dir.x, camera.dir.y));
            // ...and, within a pixel, the direction to the point with z mirrored.
            const Vec3 toPoint = normalized(
                {world[0] - camera.pos.x, world[1] - camera.pos.y, -(world[2] - camera.pos.z)});
            const double pixelAngle = 2.0 / height / 2.0;
            for (std::size_t c = 0; c < 3; ++c) {
                EXPECT_NEAR(ray[c], centre[c], 1e-5) << c;
                EXPECT_NEAR(ray[c], toPoint[c], pixelAngle) << c;
            }
        }
        EXPECT_EQ(litCount, 1);
        checked += litCount;
    }
    EXPECT_EQ(checked, 6);
    EXPECT_EQ(glErrorFlag(), static_cast<unsigned>(GL_NO_ERROR));
}

} // namespace
