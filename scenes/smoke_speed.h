#pragma once

// The smoke's speed factor at music time t (seconds): 1, with nine bursts on the beats from
// 34.2 s to 50.9 s, each jumping to 4.84 times its scale and falling along a parabola to 1 by its
// end. Evaluated in double precision, rounded to float after each burst.
float smokeSpeed(double t);
