#pragma once

#include "shaders/shader_id.h"

#include <span>
#include <string_view>
#include <vector>

// One embedded GLSL text: a program resource (id > 0) or a shared helper (id 0), with every
// #include line already replaced by the helper it names.
struct EmbeddedText {
    int id;
    std::string_view name;
    std::string_view text;
};

// A set of texts embedded at build time by shaders/embed_shaders.cmake.
struct ShaderTexts {
    std::span<const EmbeddedText> resources;
    std::span<const EmbeddedText> helpers;

    // Throws std::runtime_error "shader resource N is missing" when no text has that id.
    std::string_view resource(int id) const;
    std::string_view resource(ShaderId id) const { return resource(resourceId(id)); }
    // A shared helper by file name ("hsltorgb.glsl"); throws std::runtime_error when absent.
    std::string_view helper(std::string_view name) const;
    // The ids present, ascending.
    std::vector<int> ids() const;
};

// Every text embedded into this binary at build time: the program resources and the shared helpers.
const ShaderTexts& shaderTexts();
