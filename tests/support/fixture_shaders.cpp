#include "tests/support/fixture_shaders.h"

// Generated from tests/support/shaders/*.glsl by shaders/embed_shaders.cmake.
extern const ShaderTexts embeddedFixtureTexts;

const ShaderTexts& fixtureShaderTexts() {
    return embeddedFixtureTexts;
}
