#include "shaders/shader_resource.h"
#include "shaders/shader_texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

TEST(ShaderResourceWin32, EveryTextIsAResourceWithTheEmbeddedBytes) {
    const std::vector<int> ids = shaderTexts().ids();
    std::vector<int> demoIds(26);
    std::iota(demoIds.begin(), demoIds.end(), 102);
    EXPECT_TRUE(std::ranges::includes(ids, demoIds));
    for (const int id : ids) {
        const std::string_view resource = shaderResource(id);
        const std::string_view embedded = shaderTexts().resource(id);
        // Not EXPECT_EQ: a mismatch would print both whole texts.
        EXPECT_TRUE(resource == embedded) << "resource " << id << ": " << resource.size()
                                          << " bytes, " << embedded.size() << " embedded";
    }
}

TEST(ShaderResourceWin32, AnAbsentIdIsAnErrorNamingIt) {
    const int beyond = shaderTexts().ids().back() + 1;
    for (const int id : {beyond, 101, 0, -1, 102 + 0x10000}) {
        try {
            shaderResource(id);
            ADD_FAILURE() << "no error for " << id;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(error.what(), "shader resource " + std::to_string(id) + " is missing");
        }
    }
}

} // namespace
