// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "over_sky.glsl".
// A scene image over the sky with film grain `grain` (the dither) that fades on bright colours:
// where nothing was drawn (depth 1) the sky with half the grain, where a dust mote was drawn
// (alpha below 1) its colour faded into the sky by its alpha, solid surfaces (alpha 1) as drawn.

vec4 overSky(vec4 scene, float depth, vec3 sky, float grain) {
    float brightness = length(scene.rgb);
    float k = (1.0 - brightness * brightness * brightness) * grain;
    vec3 colour = scene.rgb;
    if (depth == 1.0) {
        colour = sky;
        k *= 0.5;
    }
    if (scene.a < 1.0 && depth < 1.0) {
        colour = mix(colour, sky, scene.a);
    }
    return vec4(colour + 0.04 * k, 1.0);
}
