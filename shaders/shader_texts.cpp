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
    const auto found = std::ranges::find(resources, id, &EmbeddedText::id);
    if (found == resources.end()) {
        throw std::runtime_error("shader resource " + std::to_string(id) + " is missing");
    }
    return found->text;
}

std::string_view ShaderTexts::helper(std::string_view name) const {
    const auto found = std::ranges::find(helpers, name, &EmbeddedText::name);
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
    std::ranges::sort(ids);
    return ids;
}
