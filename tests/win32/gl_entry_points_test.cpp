#include "app/headless_gl_window.h"
#include "platform/gl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <string>

namespace {

bool inTable(const std::string& name) {
    return std::find(glEntryPointNames, glEntryPointNames + glEntryPointCount, name) !=
           glEntryPointNames + glEntryPointCount;
}

GlProc resolveNothing(const char*) {
    return nullptr;
}

} // namespace

TEST(GlEntryPoints, TableHolds382DistinctNames) {
    const std::set<std::string> distinct(glEntryPointNames, glEntryPointNames + glEntryPointCount);
    EXPECT_EQ(distinct.size(), 382u);
}

TEST(GlEntryPoints, TableFollowsTheRule) {
    const struct {
        const char* name;
        bool expected;
    } rows[] = {
        {"glTexImage3D", true},
        {"glTexSubImage3D", false},
        {"glDrawRangeElements", false},
        {"glGetStringi", false},
        {"glBlendColor", false},
        {"glBlendEquation", false},
        {"glClear", false},
        {"glMultiTexCoord4s", true},
        {"glFogCoordf", true},
        {"glWindowPos2i", true},
        {"glGenBuffers", true},
        {"glUniformMatrix4fv", true},
        {"glGenFramebuffers", true},
        {"glQueryCounter", true},
        {"glVertexP2ui", true},
        {"glVertexAttribDivisor", true},
    };
    for (const auto& row : rows)
        EXPECT_EQ(inTable(row.name), row.expected) << row.name;
}

TEST(GlEntryPoints, UnresolvedSlotsAreNamed) {
    loadGlEntryPoints(resolveNothing);
    EXPECT_STREQ(missingEntryPoint(), glEntryPointNames[0]);
    EXPECT_NE(missingCalledEntryPoint(), nullptr);
}

TEST(GlEntryPoints, LlvmpipeFillsEverySlot) {
    const HeadlessGlWindow window(1, 1);
    EXPECT_EQ(missingEntryPoint(), nullptr) << missingEntryPoint();
    EXPECT_EQ(missingCalledEntryPoint(), nullptr);
}

TEST(HeadlessGlWindow, DefaultFramebufferIsTheWholeSize) {
    // Wider and taller than the test display: a captioned window would be cut to the screen.
    const HeadlessGlWindow window(2500, 1400);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char corner[4] = {};
    glReadPixels(2499, 1399, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
    EXPECT_EQ(corner[1], 255);
    EXPECT_THROW(HeadlessGlWindow(0, 1), std::runtime_error);
    EXPECT_THROW(HeadlessGlWindow(1, 0), std::runtime_error);
}
