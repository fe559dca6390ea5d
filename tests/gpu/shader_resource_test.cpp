#include "gpu/shader_program.h"
#include "shaders/shader_resource.h"
#include "shaders/shader_texts.h"
#include "tests/support/fixture_shaders.h"
#include "tests/support/gl_test.h"
#include "tests/support/gpu_probe.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>

namespace {

int occurrences(std::string_view text, std::string_view word) {
    int found = 0;
    for (auto at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
        ++found;
    }
    return found;
}

bool hasIncludeDirective(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = std::min(text.find('\n', start), text.size());
        const auto line = text.substr(start, end - start);
        const auto first = line.find_first_not_of(" \t");
        if (first != std::string_view::npos && line.substr(first).starts_with("#include")) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

TEST(ShaderResource, MissingIdIsAnErrorNamingIt) {
    try {
        shaderResource(9999);
        FAIL() << "no error for a missing id";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "shader resource 9999 is missing");
    }
    EXPECT_THROW(fixtureShaderTexts().resource(2), std::runtime_error);
    EXPECT_THROW(shaderTexts().helper("nothing.glsl"), std::runtime_error);
}

TEST(ShaderResource, IncludesAreResolvedOncePerTextAtBuildTime) {
    const std::string_view text = fixtureShaderTexts().resource(1);
    EXPECT_FALSE(hasIncludeDirective(text)) << text;
    // rnd and mix2 come with prl and are asked for again: one definition each.
    EXPECT_EQ(occurrences(text, "float rnd(vec4 seed)"), 1);
    EXPECT_EQ(occurrences(text, "float mix2(float a, float b, float t)"), 1);
    EXPECT_EQ(occurrences(text, "float prl(vec4 seed)"), 1);
    EXPECT_EQ(occurrences(text, "float box(vec3 v, vec3 pos, vec3 size)"), 1);
    // Text around the directives is kept as written.
    EXPECT_TRUE(text.starts_with("// Pulls in helpers the way the demo's texts do"));
    EXPECT_EQ(occurrences(text, "#include \"missing.glsl\" inside a comment"), 1);
    EXPECT_EQ(fixtureShaderTexts().ids(), std::vector<int>{1});
}

TEST(ShaderResource, HelpersAreEmbeddedResolved) {
    const std::string_view prl = shaderTexts().helper("prl.glsl");
    EXPECT_FALSE(hasIncludeDirective(prl));
    EXPECT_EQ(occurrences(prl, "float rnd(vec4 seed)"), 1);
    EXPECT_EQ(occurrences(prl, "float mix2(float a, float b, float t)"), 1);
    for (const char* name : {"hsltorgb.glsl", "mix2.glsl", "mix2_vec3.glsl", "rnd.glsl", "box.glsl",
                             "curl.glsl", "texel_hash.glsl", "dither.glsl", "camera.glsl"}) {
        EXPECT_FALSE(shaderTexts().helper(name).empty()) << name;
    }
}

class EmbeddedProgramTest : public GlTest {};

TEST_F(EmbeddedProgramTest, FixtureTextBuildsWithoutMessages) {
    const BuiltProgram built = buildCapturingOutput(fixtureShaderTexts().resource(1), "");
    EXPECT_TRUE(linked(built.program));
    EXPECT_EQ(built.printed, "");
}

// Stages of every program text the demo carries; volume builders and two extraction passes
// have a geometry stage.
ShaderFlags flagsOf(int id) {
    static const std::set<int> withGeometry{104, 105, 113, 115, 126, 127};
    return withGeometry.contains(id) ? ShaderFlags::HasGeometry : ShaderFlags::Default;
}

TEST_F(EmbeddedProgramTest, EveryEmbeddedTextBuildsSilentlyWithItsStages) {
    for (const int id : shaderTexts().ids()) {
        SCOPED_TRACE("resource " + std::to_string(id));
        // 102 to 127, and the blob table pass after the dialog's and icon's ids.
        EXPECT_TRUE((id >= 102 && id <= 127) || id == 130);
        testing::internal::CaptureStdout();
        const ShaderProgram program(id, flagsOf(id));
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_TRUE(linked(program));
        EXPECT_EQ(printed, "");
        EXPECT_EQ(program.name(), "");
    }
}

} // namespace
