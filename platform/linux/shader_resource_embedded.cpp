#include "shaders/shader_resource.h"
#include "shaders/shader_texts.h"

// Linux carries the texts as byte arrays compiled into the binary.
std::string_view shaderResource(int id) {
    return shaderTexts().resource(id);
}
