// Cell classification: instance i reads slice i of the volume and writes pyramid layer size - i,
// so layer L holds voxel slice size - L; instance 0 (layer size) lies outside and emits nothing.
#define LAYER_OF(instance) (int(size) - (instance))
#define LAYER_Z(instance) ((float(instance) + 0.5) / size)
#include "layered_pass.glsl"

#ifdef fragmentcompile
uniform sampler3D tex;

layout (location=0) out uint outcount;

void main() {
    // Cells sit at voxel centres, so plain fetches return exactly what filtered samples would.
    ivec3 voxel = ivec3(floor(fragmentIn.ppos * size));
    // Voxels in the planes x = 0, y = 0, z = 0 have no lower neighbours.
    if (any(equal(voxel, ivec3(0)))) {
        outcount = 0u;
        return;
    }
    float self = texelFetch(tex, voxel, 0).r;
    float vx = texelFetch(tex, voxel - ivec3(1, 0, 0), 0).r;
    float vy = texelFetch(tex, voxel - ivec3(0, 1, 0), 0).r;
    float vz = texelFetch(tex, voxel - ivec3(0, 0, 1), 0).r;
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
