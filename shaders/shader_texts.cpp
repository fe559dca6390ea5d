#include "shaders/shader_texts.h"

#include <algorithm>
#include <stdexcept>
#include <string>

// Defined in the source that embed_shaders.cmake generates from shaders/*.glsl.
extern const ShaderTexts embeddedShaderTexts;

const ShaderTexts& shaderTexts() {
    return embeddedShaderTexts;
}

std::string_view ShaderTexts::resource(int id) const {
    // Classic algorithms: the web build's C++ library has no range algorithms yet.
    const auto found = std::find_if(resources.begin(), resources.end(),
                                    [id](const EmbeddedText& text) { return text.id == id; });
    if (found == resources.end()) {
        throw std::runtime_error("shader resource " + std::to_string(id) + " is missing");
    }
    return found->text;
}

std::string_view ShaderTexts::helper(std::string_view name) const {
    const auto found = std::find_if(helpers.begin(), helpers.end(),
                                    [name](const EmbeddedText& text) { return text.name == name; });
    if (found == helpers.end()) {
        throw std::runtime_error("shader helper " + std::string(name) + " is missing");
    }
    return found->text;
}

std::vector<int> ShaderTexts::ids() const {
    std::vector<int> ids;
    for (const EmbeddedText& text : resources) {
        ids.push_back(text.id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}
