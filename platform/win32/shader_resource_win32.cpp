#include "shaders/shader_resource.h"

#include "platform/win32/resource_ids.h"

#include <windows.h>

#include <stdexcept>
#include <string>

// Windows carries the texts as program resources; the bytes are not zero-terminated.
std::string_view shaderResource(int id) {
    const HMODULE module = GetModuleHandleW(nullptr);
    // A resource id is 16 bits: a wider id would otherwise find the text of its low half.
    const bool fits = id >= 1 && id <= 0xFFFF;
    HRSRC found =
        !fits ? nullptr
              : FindResourceExW(module, MAKEINTRESOURCEW(RT_SHADER_TEXT), MAKEINTRESOURCEW(id),
                                MAKELANGID(LANG_FINNISH, SUBLANG_DEFAULT));
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
        throw std::runtime_error("shader resource " + std::to_string(id) + " is missing");
    }
    return {static_cast<const char*>(bytes), SizeofResource(module, found)};
}
