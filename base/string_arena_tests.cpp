#include "base/string_arena.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace vorn {
namespace {

// Small and block-sized strings mixed, some allocated and cut back: every
// view keeps its bytes however many blocks follow it.
TEST(StringArena, ViewsKeepTheirBytesAcrossBlocks)
{
    StringArena arena;
    std::vector<std::string> expected;
    std::vector<std::string_view> kept;
    for (int i = 0; i < 20000; ++i) {
        std::string text = "name" + std::to_string(i);
        if (i % 997 == 0)
            text = std::string(100000 + i, static_cast<char>('a' + i % 26)); // larger than a quarter block
        if (i % 3 == 0) {
            // Allocated with room to spare, filled, the rest given back.
            char* bytes = arena.Allocate(text.size() + 9);
            std::memcpy(bytes, text.data(), text.size());
            std::memset(bytes + text.size(), '#', 9);
            arena.Shrink(9);
            kept.emplace_back(bytes, text.size());
        } else {
            kept.push_back(arena.Keep(text));
        }
        expected.push_back(std::move(text));
    }
    for (size_t i = 0; i < kept.size(); ++i)
        ASSERT_EQ(kept[i], expected[i]) << i;
    EXPECT_EQ(arena.Allocate(0), nullptr);
    EXPECT_EQ(arena.Keep(""), "");
    arena.Clear();
    EXPECT_EQ(arena.Keep("again"), "again");
}

} // namespace
} // namespace vorn
