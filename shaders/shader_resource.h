#pragma once

#include "shaders/shader_texts.h"

#include <string_view>

// The program texts of this executable: shaders/<id>.glsl, embedded at build time and looked up
// by their integer id (102 to 127).
const ShaderTexts& shaderTexts();

// The text of resource `id`; throws std::runtime_error "shader resource N is missing" so that a
// build lacking a text fails at start-up with the id named.
std::string_view shaderResource(int id);
