#include "shaders/shader_resource.h"
#include "shaders/shader_texts.h"

// Without program resources (Linux) the texts are byte arrays compiled into the binary.
std::string_view shaderResource(int id) {
    return shaderTexts().resource(id);
}
