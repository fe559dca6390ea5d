// Text field: one credits line at a time, every 10 s from t = 137, extruded into a slab 0.04
// thick, revealed and hidden by a rippled diagonal wipe and roughened by noise; negative inside.
#include "layered_pass.glsl"

#ifdef fragmentcompile
#include "prl.glsl"

uniform sampler2D text;

layout (location=0) out float outvalue;

void main() {
    vec3 p = fragmentIn.ppos - 0.5;
    float line = floor((t - 137.0) * 0.1);
    // Lines 1, 4 and 5 stand in the y-z plane; line 5 sits higher and further back.
    if ((line > 3.5 && line < 5.5) || (line > 0.5 && line < 1.5)) {
        p.xz = p.zx;
    }
    if (line > 4.5 && line < 5.5) {
        p.y += 0.25;
        p.z -= 0.25;
    }
    // Lines 1 to 3 run along +x, the others along -x; the last two are drawn larger.
    float f = (line > 1.0 && line < 4.0) || (line > 0.5 && line < 1.5) ? 1.0 : 0.0;
    float scale = line > 4.5 ? 1.25 : 3.0;
    float u = (0.5 - p.x * (1.0 - 2.0 * f)) / scale;
    float v = (0.5 - p.y + 0.15 * line * scale) / scale;
    // Keep to the band of the text image that holds this line (its rows are 150 pixels apart).
    v = clamp(v, line / 100.0 * 15.0 + 0.04, (line + 1.0) / 100.0 * 15.0 + 0.04);
    float k = texture(text, vec2(0.5 * u, v)).x;

    float phase = fract((t - 137.0) * 0.1);
    float wipe = 0.008 * (sin(36.0 * p.x) + sin(36.0 * p.y) - 5.0 * p.x - 5.0 * p.y -
                          10.0 * sin((1.4 * phase - 0.2) * 3.141592));
    float noise = prl(vec4(30.0 * p.x, 30.0 * p.y, 30.0 * p.z, -0.1 + 0.25 * t * 103.0 / 60.0));
    outvalue = 0.03 * noise + max(abs(p.z) - 0.02, max(0.02 - k, wipe));
}
#endif
