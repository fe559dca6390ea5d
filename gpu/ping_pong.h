#pragma once

#include "gpu/pass_state.h"
#include "gpu/render_target.h"
#include "gpu/texture.h"

#include <array>
#include <vector>

// A simulation's state as two sides of `images` float colour images each: a step reads the
// current side and writes the other, then flip() makes the written side current. Each side has
// a target of its own with image k at colour slot k, so no step re-attaches. Owns its textures
// and targets; move-only.
class PingPong {
  public:
    // Side 0 is current until the first flip.
    PingPong(int width, int height, int images = 1);

    // Image k of the current side: the last one written, which the next step reads.
    const Texture2D& current(int image = 0) const;
    // Writes every image of the other side, without depth test or blending: the state is float
    // data written once per texel.
    PassState stepPass() const;
    // The same onto the current side, for seeding it.
    PassState seedPass() const;
    // The side the last step wrote becomes current; flipping again takes that step back.
    void flip() { current_ = 1 - current_; }

  private:
    PassState passOnto(int side) const;

    int width_;
    int height_;
    std::array<std::vector<Texture2D>, 2> sides_;
    std::array<RenderTarget, 2> targets_;
    int current_ = 0;
};
