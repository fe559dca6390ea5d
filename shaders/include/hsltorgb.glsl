// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "hsltorgb.glsl".
// Hue in degrees (x), saturation (y), lightness (z) to RGB; L - S/2 is the offset, not L - C/2.

vec3 hslSector(float sector, vec3 hsl) {
    float chroma = (1.0 - abs(2.0 * hsl.z - 1.0)) * hsl.y;
    float second = chroma * (1.0 - abs(mod(sector, 2.0) - 1.0));
    vec3 rgb;
    if (sector < 1.0) {
        rgb = vec3(chroma, second, 0.0);
    } else if (sector < 2.0) {
        rgb = vec3(second, chroma, 0.0);
    } else if (sector < 3.0) {
        rgb = vec3(0.0, chroma, second);
    } else if (sector < 4.0) {
        rgb = vec3(0.0, second, chroma);
    } else if (sector < 5.0) {
        rgb = vec3(second, 0.0, chroma);
    } else {
        rgb = vec3(chroma, 0.0, second);
    }
    return rgb + (hsl.z - 0.5 * hsl.y);
}

// Negative hues fall into the first sector, hues of 360 and more into the last.
vec3 hsltorgb(vec3 hsl) {
    return hslSector(hsl.x / 60.0, hsl);
}

// The hue wraps around the circle: 360 gives the colour of 0.
vec3 hsltorgbWrapped(vec3 hsl) {
    return hslSector(fract(hsl.x / 360.0) * 6.0, hsl);
}
