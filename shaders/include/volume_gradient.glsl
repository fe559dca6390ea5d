// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "volume_gradient.glsl".
// Central differences of a distance volume about p, with its own step along each axis; the
// surface shaders scale them into a normal for volumes squeezed in the world.

vec3 centralDifferences(sampler3D volume, vec3 p, vec3 step) {
    return vec3(texture(volume, p + vec3(step.x, 0.0, 0.0)).r -
                    texture(volume, p - vec3(step.x, 0.0, 0.0)).r,
                texture(volume, p + vec3(0.0, step.y, 0.0)).r -
                    texture(volume, p - vec3(0.0, step.y, 0.0)).r,
                texture(volume, p + vec3(0.0, 0.0, step.z)).r -
                    texture(volume, p - vec3(0.0, 0.0, step.z)).r);
}
