#include "shaders/shader_resource.h"
#include "shaders/shader_texts.h"

#include <gtest/gtest.h>

#include <algorithm>
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
