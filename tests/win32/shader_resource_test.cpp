#include "platform/win32/resource_ids.h"
#include "shaders/shader_resource.h"
#include "shaders/shader_texts.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ranges>
#include <stdexcept>
#include <vector>

TEST(ShaderResource, EachIdHoldsTheEmbeddedBytesAndNoOtherIdIsThere) {
    const std::vector<int> ids = shaderTexts().ids();
    EXPECT_TRUE(std::ranges::includes(ids, std::views::iota(102, 128)));
    // Not EXPECT_EQ: a mismatch would print both whole texts.
    for (const int id : ids)
        EXPECT_TRUE(shaderResource(id) == shaderTexts().resource(id)) << "resource " << id;
    // An id cut to 16 bits would find 102 for the last one.
    for (const int id : {ids.back() + 1, 101, 0, -1, 102 + 0x10000})
        EXPECT_THROW(shaderResource(id), std::runtime_error) << id;
}

// The program gets the resource object only through its link line, never out of an archive.
TEST(ShaderResource, TheProgramItselfCarriesEveryText) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::filesystem::path program =
        std::filesystem::path(self).parent_path() / L"../../quorvane.exe";
    const HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << program.string();
    for (const int id : shaderTexts().ids()) {
        const HRSRC found =
            FindResourceExW(module, MAKEINTRESOURCEW(RT_SHADER_TEXT), MAKEINTRESOURCEW(id),
                            MAKELANGID(LANG_FINNISH, SUBLANG_DEFAULT));
        const HGLOBAL bytes = found ? LoadResource(module, found) : nullptr;
        EXPECT_TRUE(bytes &&
                    std::string_view(static_cast<const char*>(LockResource(bytes)),
                                     SizeofResource(module, found)) == shaderTexts().resource(id))
            << "resource " << id;
    }
    FreeLibrary(module);
}
