#include "shaders/shader_resource.h"

// Defined in the source that embed_shaders.cmake generates from shaders/*.glsl.
extern const ShaderTexts embeddedShaderTexts;

const ShaderTexts& shaderTexts() {
    return embeddedShaderTexts;
}

std::string_view shaderResource(int id) {
    return embeddedShaderTexts.resource(id);
}
