// Shared helper: both forms of layered_pass.glsl pull it in with #include "layer_routing.glsl".
// The uniforms "size" (layers of the target) and "t", and the routing of instance i to layer
// LAYER_OF(i) at depth LAYER_Z(i): by default layer i at i / size; a text may #define either.

uniform float size;
uniform float t;

#ifndef LAYER_OF
#define LAYER_OF(instance) (instance)
#endif
#ifndef LAYER_Z
#define LAYER_Z(instance) (float(instance) / size)
#endif
