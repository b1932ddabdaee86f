// Block removal by examples; the fuzz target compares it on random lists with the one-at-a-time
// removal written out plainly.
#include "merge/RemoveBlock.h"
#include "core/TextUtil.h"
#include "merge/Blocks.h"
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
        // Markers are found in any letter case, and a block ends at the first end marker of its own name:
        // the user's line after it stays, and so does an end marker no block took.
        {"ads", {"a", "#begin OF ADS", "x", "#END of ADS", "10.0.0.5 nas", "#BEGIN of ads", "#end of ads", "y",
                 "#END of ads", "b"},
         {"a", "10.0.0.5 nas", "y", "#END of ads", "b"}},
        // A start marker inside a block is a line of that block; the end of another name does not end it.
        {"ads", {"#BEGIN of ads", "#BEGIN of ads", "#END of other", "x", "#END of ads", "nas", "#END of ads"},
         {"nas", "#END of ads"}},
        {"other", {"#BEGIN of ads", "#BEGIN of other", "x", "#END of other", "#END of ads", "nas"},
         {"#BEGIN of ads", "#BEGIN of other", "x", "#END of other", "#END of ads", "nas"}},
        {"ads", {" #BEGIN of ads", "x", "#END of ads"}, {" #BEGIN of ads", "x", "#END of ads"}},
        // Spaces around the name given do not count, as they do not around a marker's.
        {" ads ", {"a", "#BEGIN of  ads", "x", "#END of ads ", "b"}, {"a", "b"}},
        // An empty block is its two markers and nothing after them, even an end marker further down; a
        // block without its end runs to the end of the list.
        {"ads", {"a", "#BEGIN of ads", "#END of ads", "b", "#END of ads", "c"}, {"a", "b", "#END of ads", "c"}},
        {"ads", {"a", "#BEGIN of ads", "x", "#END of ad", "nas"}, {"a"}},
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

// A removal takes exactly the lines of the blocks the list of blocks shows for the name, whatever the
// markers: nested, repeated, unpaired, in other letter case, unended.
TEST(RemoveBlock, TakesWhatTheListOfBlocksShows) {
    const Lines lines = {"10.0.0.5 nas",
                         "#BEGIN of ADS",
                         "a",
                         "#END of ADS",
                         "#END of ads",
                         "10.0.0.6 pc",
                         "#BEGIN of ads",
                         "# source: x",
                         "#BEGIN of ads",
                         "#end OF ads",
                         "10.0.0.7 tv",
                         "#BEGIN of ads2",
                         "#END of ads",
                         "#BEGIN of b",
                         "#END of ads2",
                         "#END of b",
                         "10.0.0.8 printer",
                         "#BEGIN of c",
                         "c",
                         "#END of b"};
    const EntryList list = test::listOf(lines);
    const std::vector<BlockInfo> blocks = findBlocks(list);
    ASSERT_EQ(blocks.size(), 4u); // ADS, ads, ads2 (b's start is one of its lines) and c, to the end
    for (const char* name : {"ads", "ADS2", "b", "c", "nosuch"}) {
        std::vector<uint8_t> inBlock(lines.size(), 0);
        for (const BlockInfo& block : blocks) {
            if (istartsWith(block.name, name))
                std::fill(inBlock.begin() + block.begin, inBlock.begin() + (block.closed ? block.end + 1 : block.end),
                          uint8_t{1});
        }
        EXPECT_EQ(markBlocks(list, name), inBlock) << name;
    }
    EntryList rest = test::listOf(lines);
    EXPECT_EQ(removeBlocks(rest, "ads"), 11);
    EXPECT_EQ(test::linesOf(rest), (Lines{"10.0.0.5 nas", "#END of ads", "10.0.0.6 pc", "10.0.0.7 tv", "#END of b",
                                          "10.0.0.8 printer", "#BEGIN of c", "c", "#END of b"}));
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
