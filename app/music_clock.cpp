#include "app/music_clock.h"

float catchUp(float t, const std::function<double()>& position) {
    while (position() > static_cast<double>(t))
        t += kFrameStep;
    return t;
}
