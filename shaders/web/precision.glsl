// GLSL ES 3.00 has no default precision for floats and samplers; the desktop texts assume full
// precision everywhere.
precision highp float;
precision highp int;
precision highp sampler2D;
precision highp sampler3D;
precision highp usampler3D;
