#pragma once

#include <optional>

class RenderTarget;

enum class DepthTest {
    Off, // neither tested nor written: the pass covers what it covers whatever depth is there
    LessOrEqual,
};

enum class Culling {
    Off,
    BackFaces, // counter-clockwise faces are the front
};

enum class BlendFactor {
    One,
    SourceAlpha,
    OneMinusSourceAlpha,
};

// Blending on, source * `source` + destination * `destination`.
struct Blend {
    BlendFactor source;
    BlendFactor destination;
};

// What a pass clears its colour outputs to before it draws.
enum class ColourClear {
    Keep,
    Zero,         // float outputs to (0, 0, 0, 0)
    ZeroUnsigned, // unsigned integer outputs to 0
};

// The window's own framebuffer as a pass's target.
inline constexpr const RenderTarget* windowFramebuffer = nullptr;

// Everything a pass relies on besides its program and textures, in the manner of a pipeline with
// its pass action: beginPass sets all of it, so no pass depends on what the one before left.
// Point sizes from the vertex stage are not here: they are fixed for the whole run.
struct PassState {
    const RenderTarget* target = windowFramebuffer;
    // The viewport, from the origin.
    int width = 0;
    int height = 0;
    // Colour slots 0 .. drawBuffers - 1 of `target`, each attached; the window has one.
    int drawBuffers = 1;
    DepthTest depthTest = DepthTest::LessOrEqual;
    bool depthWrite = true;
    // Off while empty.
    std::optional<Blend> blend = std::nullopt;
    Culling culling = Culling::BackFaces;
    ColourClear clearColour = ColourClear::Keep;
    // Clears depth to 1, the far plane, whatever `depthWrite` says.
    bool clearDepth = false;
};

// Binds the target with its viewport and draw buffers, clears what the state names and sets the
// rest. Throws std::invalid_argument for a negative size or draw buffers the target does not have
// attached.
void beginPass(const PassState& state);

// What no pass changes, set once after the context is made: point sizes from the vertex stage,
// so that a sprite of size zero or less is simply not drawn, back faces culled and the depth test
// on with GL_LEQUAL.
void setFixedGlState();
