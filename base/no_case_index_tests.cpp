#include "base/no_case_index.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace vorn {
namespace {

// Random inserts, erases and replacements against a plain map of folded
// names; the names are few and short so probe runs collide, wrap around the
// table's end and get holes punched into them.
TEST(NoCaseIndex, AgreesWithAMapUnderRandomEdits)
{
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i)
        // Appended, not "n" + std::to_string(i): GCC 12 at -O3 reports a false -Wrestrict there.
        names.push_back(std::string(i % 2 ? "N" : "n").append(std::to_string(i)));
    std::map<std::string, uint32_t> reference; // folded name -> id
    NoCaseIndex index;
    auto nameOf = [&](uint32_t id) -> std::string_view { return names[id % names.size()]; };
    std::mt19937 random(7);
    for (int step = 0; step < 20000; ++step) {
        const uint32_t id = static_cast<uint32_t>(random() % names.size()) + names.size() * (random() % 3);
        const std::string folded = FoldedCopy(nameOf(id));
        const uint32_t hash = NoCaseIndex::Hash(nameOf(id));
        const auto found = reference.find(folded);
        switch (random() % 3) {
        case 0:
            if (found == reference.end()) {
                index.Insert(id, hash);
                reference[folded] = id;
            }
            break;
        case 1:
            if (found != reference.end()) {
                EXPECT_TRUE(index.Erase(found->second, hash));
                reference.erase(found);
            } else {
                EXPECT_FALSE(index.Erase(id, hash));
            }
            break;
        default:
            if (found != reference.end()) {
                EXPECT_TRUE(index.Replace(found->second, hash, id));
                found->second = id;
            }
        }
        // Looked up in the other letter case.
        std::string other(nameOf(id));
        other[0] = other[0] == 'n' ? 'N' : 'n';
        const auto expected = reference.find(folded);
        ASSERT_EQ(index.Find(other, NoCaseIndex::Hash(other), nameOf),
                  expected == reference.end() ? NoCaseIndex::kNone : expected->second)
            << "step " << step;
    }
    EXPECT_EQ(index.Size(), reference.size());
    for (const auto& [folded, id] : reference)
        EXPECT_EQ(index.Find(folded, NoCaseIndex::Hash(folded), nameOf), id);
}

// Ids used as list positions: removing an element renumbers those after it.
TEST(NoCaseIndex, ShiftingDownFollowsAListThatLosesElements)
{
    std::vector<std::string> list;
    for (int i = 0; i < 200; ++i)
        list.push_back("Item" + std::to_string(i));
    NoCaseIndex index;
    auto nameOf = [&](uint32_t id) -> std::string_view { return list[id]; };
    for (uint32_t i = 0; i < list.size(); ++i)
        index.Insert(i, NoCaseIndex::Hash(list[i]));
    std::mt19937 random(3);
    while (list.size() > 1) {
        const auto position = static_cast<uint32_t>(random() % list.size());
        ASSERT_TRUE(index.Erase(position, NoCaseIndex::Hash(list[position])));
        index.ShiftDownAbove(position);
        list.erase(list.begin() + position);
        for (uint32_t i = 0; i < list.size(); ++i) {
            const std::string upper = "ITEM" + list[i].substr(4);
            ASSERT_EQ(index.Find(upper, NoCaseIndex::Hash(upper), nameOf), i) << list[i];
        }
    }
    EXPECT_EQ(index.Size(), 1u);
}

TEST(NoCaseIndex, EmptyAndClearedFindNothing)
{
    NoCaseIndex index;
    auto nameOf = [](uint32_t) -> std::string_view { return "a"; };
    EXPECT_EQ(index.Find("a", NoCaseIndex::Hash("a"), nameOf), NoCaseIndex::kNone);
    EXPECT_FALSE(index.Erase(0, NoCaseIndex::Hash("a")));
    index.Insert(0, NoCaseIndex::Hash("a"));
    EXPECT_EQ(index.Find("A", NoCaseIndex::Hash("A"), nameOf), 0u);
    index.Clear();
    EXPECT_EQ(index.Find("a", NoCaseIndex::Hash("a"), nameOf), NoCaseIndex::kNone);
    EXPECT_EQ(index.Size(), 0u);
}

} // namespace
} // namespace vorn
