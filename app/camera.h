#pragma once

// The camera every scene shares: a position and two view angles, sent to the shaders as the
// uniforms "pos" and "dir" (see shaders/include/camera.glsl for the transforms that use them).
struct Camera {
    struct Position {
        double x = 0.0;
        double y = 0.0;
        double z = 3.0;
    };
    struct Angles {
        double x = 0.0; // yaw: 0 looks along -z, positive turns towards +x
        double y = 0.0; // pitch: positive tilts the view downwards
    };
    Position pos; // starts as the rest camera (0, 0, 3)
    Angles dir;
};

// Near and far planes of the three projections the scenes use.
enum class DepthRange {
    Near0_01Far50,
    Near0_01Far5,
    Near0_1Far500,
};

// The uniform "project": (2 h / w, 2, -(f + n) / (f - n), -2 f n / (f - n)), each a 32-bit float.
struct ProjectVector {
    float x;
    float y;
    float z;
    float w;
};

ProjectVector project(int width, int height, DepthRange range);

// The uniform "aspect" of full-screen view-ray passes: width / height in 32-bit floats.
float aspect(int width, int height);
