// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "camera.glsl".
// The camera convention: pos, dir = (yaw, pitch), project = (2h/w, 2, z scale, z offset).

// Rotates a pair (a, b) by `angle` as v *= pairRotation(angle): (a cos + b sin, -a sin + b cos).
mat2 pairRotation(float angle) {
    return mat2(cos(angle), sin(angle), -sin(angle), cos(angle));
}

// World point to the camera's frame, for passes that also need it (sizes, fades): p.z < 0 in front.
vec3 worldToView(vec3 world, vec3 pos, vec2 dir) {
    vec3 p = world - pos;
    p.xz *= pairRotation(dir.x);
    p.zy *= pairRotation(dir.y);
    return p;
}

// A point in the camera's frame to clip space.
vec4 viewToClip(vec3 p, vec4 project) {
    return vec4(p.x * project.x, p.y * project.y, p.z * project.z + project.w, -p.z);
}

// World point to clip space for passes that draw geometry.
vec4 worldToClip(vec3 world, vec3 pos, vec2 dir, vec4 project) {
    return viewToClip(worldToView(world, pos, dir), project);
}

// View ray through a full-screen quad corner (in NDC), z mirrored; focal is 2.0 to match project.
vec3 viewRay(vec2 corner, vec2 dir, float aspect, float focal) {
    vec3 d = vec3(corner.x * aspect, corner.y, focal);
    d.zy *= pairRotation(dir.y);
    d.xz *= pairRotation(dir.x);
    return d;
}
