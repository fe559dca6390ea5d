// Cell classification: instance i reads slice i of the volume and writes pyramid layer size - i,
// so layer L holds voxel slice size - L; instance 0 (layer size) lies outside and emits nothing.
#define LAYER_OF(instance) (int(size) - (instance))
#define LAYER_Z(instance) ((float(instance) + 0.5) / size)
#include "layered_pass.glsl"
#include "surface_cells.glsl"

#ifdef fragmentcompile
uniform sampler3D tex;

in VertexData {
    vec3 ppos;
} fragmentIn;

layout (location=0) out uint outcount;

float f(vec3 p) {
    return texture(tex, p).r;
}

void main() {
    float h = 1.0 / size;
    vec3 p = texelCentre(fragmentIn.ppos, size);
    // Voxels in the planes x = 0, y = 0, z = 0 have no lower neighbours.
    if (p.x - h < 0.0 || p.y - h < 0.0 || p.z - h < 0.0) {
        outcount = 0u;
        return;
    }
    float self = f(p);
    float vx = f(p - vec3(h, 0.0, 0.0));
    float vy = f(p - vec3(0.0, h, 0.0));
    float vz = f(p - vec3(0.0, 0.0, h));
    uint code = 0u;
    code |= sign(self) != sign(vx) ? 1u : 0u;
    code |= sign(self) != sign(vy) ? 2u : 0u;
    code |= sign(self) != sign(vz) ? 4u : 0u;
    code |= self > vx ? 8u : 0u;
    code |= self < vy ? 16u : 0u;
    code |= self < vz ? 32u : 0u;
    outcount = code;
}
#endif
