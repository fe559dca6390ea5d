#pragma once

#include <string_view>

// The text of program resource `id` (102 to 127, and 130) stored in this executable, every #include
// already expanded at build time; throws std::runtime_error "shader resource N is missing" so
// that a build lacking a text fails at start-up with the id named.
std::string_view shaderResource(int id);
