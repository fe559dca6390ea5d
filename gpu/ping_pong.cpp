#include "gpu/ping_pong.h"

#include <stdexcept>
#include <string>

PingPong::PingPong(int width, int height, int images) : width_(width), height_(height) {
    // More images than colour slots are refused by attach.
    if (images < 1)
        throw std::invalid_argument("a ping-pong side holds at least one image, not " +
                                    std::to_string(images));
    for (int side = 0; side < 2; ++side) {
        for (int image = 0; image < images; ++image)
            sides_[side].emplace_back(ImageKind::Colour, width, height);
        for (int image = 0; image < images; ++image)
            targets_[side].attach(image, &sides_[side][static_cast<std::size_t>(image)]);
    }
}

const Texture2D& PingPong::current(int image) const {
    return sides_[current_].at(static_cast<std::size_t>(image));
}

PassState PingPong::stepPass() const {
    return passOnto(1 - current_);
}

PassState PingPong::seedPass() const {
    return passOnto(current_);
}

PassState PingPong::passOnto(int side) const {
    return {.target = &targets_[side],
            .width = width_,
            .height = height_,
            .drawBuffers = static_cast<int>(sides_[side].size()),
            .depthTest = DepthTest::Off};
}
