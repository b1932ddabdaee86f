// Block removal by examples; the fuzz target compares it on random lists with the one-at-a-time
// removal written out plainly.
#include "merge/RemoveBlock.h"
#include "merge/DuplicateIndex.h"
#include "support/Lines.h"

#include <gtest/gtest.h>

#include <tuple>

namespace velmora {
namespace {

using test::Lines;

// The blocks of the name go with their markers, the count removed is returned, and every other line
// stays, in order.
TEST(RemoveBlock, LeavesExactlyTheseLines) {
    // clang-format off
    const std::tuple<const char*, Lines, Lines> cases[] = {
        // The markers of Ads2 begin with those of Ads: removing Ads takes both, removing Ads2 only its own.
        {"Ads", {"x", "#BEGIN of Ads", "a", "#END of Ads", "#BEGIN of Ads2", "b", "#END of Ads2", "y"}, {"x", "y"}},
        {"Ads2", {"#BEGIN of Ads", "a", "#END of Ads", "#BEGIN of Ads2", "b", "#END of Ads2"},
         {"#BEGIN of Ads", "a", "#END of Ads"}},
        // Start markers are found in any letter case; an end marker in other letter case is body.
        {"Ads", {"a", "#begin OF ADS", "x", "#END of Ads", "#BEGIN of Ads", "#end of ads", "y", "#END of Ads", "b"},
         {"a", "b"}},
        {"ads", {"a", "#BEGIN of ads", "x", "#END OF ADS", "y"}, {"a"}},
        {"ads", {" #BEGIN of ads", "x", "#END of ads"}, {" #BEGIN of ads", "x", "#END of ads"}},
        // An empty block is its two markers and nothing after them, even an end marker further down.
        {"ads", {"a", "#BEGIN of ads", "#END of ads", "b", "#END of ads", "c"}, {"a", "b", "#END of ads", "c"}},
        // Name "#": a comment heads a section, comments right after it are its heading, and the next
        // comment after its entries closes it.
        {"#", {"localhost", "# Ads", "# more", "a", "# Trackers", "t", "nas"}, {"localhost", "t", "nas"}},
        {"# Ads", {"x", "# ads list", "a", "b", "# Trackers", "t"}, {"x", "t"}},
    };
    // clang-format on
    for (const auto& [name, in, out] : cases) {
        EntryList list = test::listOf(in);
        EXPECT_EQ(removeBlocks(list, name), static_cast<int32_t>(in.size() - out.size())) << name;
        EXPECT_EQ(test::linesOf(list), out) << name;
    }
}

// Keys stay apart when they differ in a byte that is not a letter, and are found whatever their letter
// case, also as the index grows. (That a line in two pieces is the line whole, the merges show.)
TEST(DuplicateIndex, KeysFoldOnlyLettersAcrossGrowth) {
    EntryList list;
    DuplicateIndex index(list);
    // Sized once for what is coming: the keys that were reserved never make it grow.
    index.reserve(3000);
    const size_t room = index.capacity();
    EXPECT_GE(room, 3000u);
    for (int i = 0; i < 5000; ++i) {
        if (i == 3000) {
            EXPECT_EQ(index.capacity(), room);
        }
        const std::string line = "Host" + std::to_string(i) + ".Example";
        ASSERT_TRUE(index.insert(DuplicateIndex::key("127.0.0.1 ", line), list.count()));
        list.append("127.0.0.1 ", line);
    }
    EXPECT_FALSE(index.insert(DuplicateIndex::key("127.0.0.1 HOST4999.EXAMPLE"), list.count()));
    ASSERT_TRUE(index.insert(DuplicateIndex::key("a@b[c"), list.count()));
    list.append("a@b[c");
    EXPECT_TRUE(index.contains("127.0.0.1 host0.example") && index.contains("A@B[C"));
    EXPECT_FALSE(index.contains("a`b[c") || index.contains("a@b{c")); // the case bit, but no letter
    EXPECT_FALSE(index.contains("127.0.0.1 host0.exampl"));
    EXPECT_EQ(index.size(), 5001u);
    index.reserve(100000);
    EXPECT_TRUE(index.contains("127.0.0.1 HOST4999.example") && index.contains("a@b[c"));
}

} // namespace
} // namespace velmora
