#include "scenes/crt_random.h"

int CrtRandom::next() {
    // Unsigned arithmetic wraps modulo 2^32 exactly as the runtime's 32-bit state does.
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFFu);
}
