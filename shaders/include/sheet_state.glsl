// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "sheet_state.glsl".
// The particle sheet's state texel: xyz = position on the 6 x 3.5 x 0.2 sheet, w = phase (w < 0
// idle countdown, w >= 0 push direction plus 2 pi per remaining turn).

const float sheetPi = 3.141592;
// Texels per side of the state textures.
const float sheetStateSize = 256.0;
// A particle the wind has carried past this x is parked here: never moved, reborn or drawn.
const float sheetGone = 1.0e4;

// A point of the sheet from four hash values in [0, 1).
vec3 sheetPoint(vec4 r) {
    return vec3((r.x - 0.5) * 6.0, (r.y - 0.5) * 3.5, (r.z - 0.5) * 0.2);
}

// Whole turns left on a pushed particle's counter.
float sheetTurns(float w) {
    return floor(w / (2.0 * sheetPi));
}
