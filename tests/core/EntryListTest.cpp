#include "core/EntryList.h"
#include "core/Selection.h"
#include "support/Lines.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <type_traits>

using namespace velmora;
using velmora::test::linesOf;
using velmora::test::listOf;
using Lines = velmora::test::Lines;

namespace {
uint64_t lengthOfTexts(const EntryList& list) {
    uint64_t total = 0;
    for (const std::string& line : linesOf(list))
        total += line.size();
    return total;
}
} // namespace

// A list of a million lines is never copied by accident: it only moves.
static_assert(!std::is_copy_constructible_v<EntryList> && !std::is_copy_assignable_v<EntryList>);
static_assert(std::is_nothrow_move_constructible_v<EntryList> && std::is_nothrow_move_assignable_v<EntryList>);

// Empty and duplicate texts, NUL bytes and texts past the short length field are kept whole, also
// when removals compact the arena; removal keeps the order of the rest.
TEST(EntryList, KeepsEveryTextWholeAndInOrder) {
    const std::string huge(17 * 1024 * 1024, 'h');
    const std::string longest(0xFFFFFF, 'e'); // the first length that no longer fits the short field
    const std::string withNul("a\0b", 3);
    EntryList list = listOf({"", "dup", "dup", withNul, huge, std::string(40 * 1024 * 1024, 'b'), "c", longest});
    EXPECT_EQ(list.text(3), withNul);
    EXPECT_EQ(list.text(8), "");
    EXPECT_EQ(list.textBytes(), lengthOfTexts(list));
    list.removeWhere({0, 0, 0, 0, 0, 1}); // more than half of the arena unused: compacts
    EXPECT_EQ(linesOf(list), (Lines{"", "dup", "dup", withNul, huge, "c", longest}));
    EXPECT_EQ(list.textBytes(), lengthOfTexts(list));
    list.reorder({5, 0, 1});
    EXPECT_EQ(linesOf(list), (Lines{"c", "", "dup"}));
    EXPECT_TRUE(list.insertAt({1}, listOf({"inserted"})));
    EXPECT_EQ(list.textBytes(), lengthOfTexts(list));
    EntryList other = listOf({"x"});
    list.swapEntries(other);
    EXPECT_EQ(std::pair(list.textBytes(), other.textBytes()), std::pair(uint64_t{1}, lengthOfTexts(other)));
    list.clear();
    EXPECT_EQ(list.textBytes(), 0u);
}

// The runs a save writes straight from the list's memory are every text with an LF after it, in the
// list's order, after appends, a reorder, a removal that compacts and a text with a long length field.
TEST(EntryList, RunsAreTheTextsWithTheirLineEnds) {
    auto runs = [](const EntryList& list) {
        std::string bytes;
        int count = 0;
        list.forEachRun([&](std::string_view run) {
            bytes.append(run);
            ++count;
        });
        return std::pair(bytes, count);
    };
    auto joined = [](const EntryList& list) {
        std::string bytes;
        for (const std::string& line : linesOf(list))
            bytes += line + "\n";
        return bytes;
    };
    EntryList list = listOf({"a", "", "bb", std::string(0xFFFFFF, 'l'), "c"});
    list.append("127.0.0.1 ", "d");
    EXPECT_EQ(runs(list), std::pair(joined(list), 2)); // the long text's length field splits the run
    list.reorder({5, 0, 1, 2, 4});
    EXPECT_EQ(runs(list).first, joined(list));
    list.removeWhere({0, 1, 0, 1});
    EXPECT_EQ(runs(list).first, joined(list));
    EXPECT_EQ(runs(EntryList()), std::pair(std::string(), 0));
}

// The lines a merge added stay what they were whatever then happens to the list they were added to,
// and cost no copy while it only grows.
TEST(LineRange, KeepsItsLinesWhenTheListChanges) {
    const Lines expected{"new 1", "new 2"};
    const std::function<void(EntryList&)> changes[] = {
        [](EntryList& list) {
            list.removeWhere({0, 1});
        },
        [](EntryList& list) {
            list.reorder({2, 1, 0});
        },
        [](EntryList& list) { list.clear(); },
    };
    for (const auto& change : changes) {
        EntryList list = listOf({"old", "new 1", "new 2"});
        LineRange added(list);
        added.set(1, 2);
        list.append("later");
        EXPECT_FALSE(added.holdsCopy());
        EXPECT_EQ(linesOf(added), expected);
        change(list);
        EXPECT_EQ(linesOf(added), expected);
        added.set(3, 5); // no further than the list goes
        EXPECT_EQ(added.count(), std::max(0, list.count() - 3));
    }
}

// The exact search ignores ASCII letter case only and finds the first match.
TEST(EntryList, FindsIgnoringAsciiCase) {
    const EntryList list = listOf({"x", "#begin OF ABC", "#BEGIN of abc", "\xC3\xA9"});
    EXPECT_EQ(list.findIgnoringCase("#BEGIN of abc"), 1);
    EXPECT_EQ(list.findIgnoringCase("\xC3\x89"), -1);
    EXPECT_EQ(list.findIgnoringCase("#BEGIN of ab"), -1);
}

// Removing flagged lines in one pass leaves the selection and the current line where removing them
// one by one from the last to the first leaves them.
TEST(Selection, FollowsRemovedLinesLikeOneByOne) {
    std::mt19937 rng(42);
    for (int round = 0; round < 200; ++round) {
        const int32_t n = static_cast<int32_t>(rng() % 20);
        std::vector<uint8_t> removed, selected;
        Selection selection;
        for (int32_t i = 0; i < n; ++i) {
            removed.push_back(rng() % 2);
            selected.push_back(rng() % 3 == 0);
            selection.setRangeFromView(i, i, selected.back());
        }
        int32_t current = n > 0 ? static_cast<int32_t>(rng() % static_cast<unsigned>(n + 1)) - 1 : -1;
        selection.setCurrentFromView(current);
        int32_t count = n;
        for (int32_t i = n - 1; i >= 0; --i) {
            if (!removed[i])
                continue;
            selected.erase(selected.begin() + i);
            --count;
            if (current > i || current >= count)
                --current;
        }
        selection.linesRemoved(removed, count);
        ASSERT_EQ(selection.current(), current) << round;
        for (int32_t i = 0; i < count; ++i)
            ASSERT_EQ(selection.isSelected(i), selected[i] != 0) << round;
        ASSERT_EQ(selection.selectedCount(), std::count(selected.begin(), selected.end(), 1)) << round;
    }
}

// Program changes reach the view, and only selecting one line asks it to scroll there; changes the
// view reports are not sent back to it.
TEST(Selection, TellsTheViewWhatTheProgramChanged) {
    Selection selection;
    std::vector<int> heard;
    selection.setListener([&](bool reveal) { heard.push_back(reveal); });
    selection.setRangeFromView(0, 3, true);
    selection.setCurrentFromView(2);
    EXPECT_TRUE(heard.empty());
    selection.clear();
    EXPECT_EQ(selection.current(), 2);
    selection.selectOnly(5);
    selection.selectAll(8);
    EXPECT_EQ(selection.selectedCount(), 8);
    EXPECT_EQ(heard, (std::vector<int>{0, 1, 0}));
}
