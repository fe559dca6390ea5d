#pragma once

#include <array>

// The moments of the timeline, in seconds of music. Code that compares the float clock in single
// precision casts the moment, which gives the same float the literal would; the shaders keep
// their own copies inside their formulas.
namespace timeline {

// The scene windows: the shaft from 0 s, then the plume, then the closing scene to the end.
inline constexpr double plumeFrom = 60.0;
inline constexpr double finaleFrom = 81.8;
inline constexpr double end = 200.0;

// The opening camera's turning settles over five seconds from here; later it moves forward.
inline constexpr double openingSettles = 28.0;
inline constexpr double openingAdvances = 51.0;
// Smoke shows from smokeFrom; the shaft is built until shaftEnd, when the smoke starts to move.
inline constexpr double smokeFrom = 30.0;
inline constexpr double shaftEnd = 34.2;
// The beats on which the moving smoke bursts.
inline constexpr std::array<double, 8> smokeBursts{36.3,  38.5,  40.6,  42.9,
                                                   44.95, 47.15, 49.25, 50.5};
// The shaft's sky turns to the plume's cool grey from here.
inline constexpr double skyCools = 55.0;

// The plume's camera rises until plumeOrbitFrom, then orbits, cut forward on these beats.
inline constexpr double plumeOrbitFrom = 68.6;
inline constexpr std::array<double, 5> plumeCuts{70.6, 73.25, 75.5, 77.6, 79.6};

// The sheet rains in on a clock from sheetRainFrom, the pen writes from penFrom, and the sheet is
// drawn over the closing scene until sheetEnd.
inline constexpr double sheetRainFrom = 84.3;
inline constexpr double penFrom = 85.9;
inline constexpr double sheetEnd = 104.5;

// The closing orbit is cut on these beats, then shrinks into the rest camera over five seconds
// from shrinkFrom; from sheetEnd it blends into a wide orbit whose target, then eye, rise.
inline constexpr std::array<double, 5> finaleCuts{83.8, penFrom, 87.9, 90.45, 92.65};
inline constexpr double shrinkFrom = 95.0;
inline constexpr double targetRises = 130.0;
inline constexpr double cameraRises = 132.0;

// The particle stream flows from streamFrom; the credits replace the blobs from creditsFrom and
// show one line every ten seconds from firstCreditLine; the picture fades out from fadeOut.
inline constexpr double streamFrom = 131.0;
inline constexpr double creditsFrom = 135.0;
inline constexpr double firstCreditLine = 137.0;
inline constexpr double fadeOut = 195.0;

// A moment as the float the clock's single-precision comparisons and sums use.
constexpr float asFloat(double moment) {
    return static_cast<float>(moment);
}

} // namespace timeline
