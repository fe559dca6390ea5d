#include "app/headless_gl_window.h"
#include "platform/gl.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>

TEST(GlEntryPoints, TableFollowsTheRule) {
    const std::set<std::string> names(glEntryPointNames, glEntryPointNames + glEntryPointCount);
    EXPECT_EQ(names.size(), 382u);
    // In: glTexImage3D alone of 1.2, deprecated commands, absorbed extensions, 3.3's own.
    for (const char* name : {"glTexImage3D", "glMultiTexCoord4s", "glFogCoordf", "glWindowPos2i",
                             "glQueryCounter", "glVertexP2ui", "glVertexAttribDivisor"})
        EXPECT_TRUE(names.contains(name)) << name;
    // Out: the rest of 1.2, three later commands, and 1.1, which the system library serves.
    for (const char* name : {"glTexSubImage3D", "glDrawRangeElements", "glGetStringi",
                             "glBlendColor", "glBlendEquation", "glClear"})
        EXPECT_FALSE(names.contains(name)) << name;
}

TEST(GlEntryPoints, LlvmpipeFillsEverySlotOfAWindowLargerThanTheScreen) {
    loadGlEntryPoints([](const char*) -> GlProc { return nullptr; });
    ASSERT_TRUE(missingEntryPoint() == glEntryPointNames[0] && missingCalledEntryPoint())
        << "an empty slot goes unreported";
    // Wider and taller than the test display: a captioned window would be cut to the screen.
    const HeadlessGlWindow window(2500, 1400);
    EXPECT_EQ(missingEntryPoint(), nullptr) << missingEntryPoint();
    EXPECT_THROW(HeadlessGlWindow(0, 1), std::runtime_error);
    EXPECT_THROW(HeadlessGlWindow(1, 0), std::runtime_error);
}
