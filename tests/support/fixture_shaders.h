#pragma once

#include "shaders/shader_texts.h"

// Texts under tests/support/shaders/, embedded by the same build step as the demo's own.
const ShaderTexts& fixtureShaderTexts();
