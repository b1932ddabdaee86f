#include "core/EntryList.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using velmora::EntryList;
using Texts = std::vector<std::string>;
using Rows = std::vector<int32_t>;

namespace {

EntryList listOf(const Texts& texts, bool sorted = false) {
    EntryList list(sorted);
    for (const auto& t : texts)
        list.addItemText(t);
    return list;
}

Texts textsOf(const EntryList& list) {
    Texts out;
    for (int32_t i = 0; i < list.count(); ++i)
        out.push_back(list.itemText(i));
    return out;
}

Rows selectedOf(const EntryList& list) {
    Rows out;
    for (int32_t i = 0; i < list.count(); ++i)
        if (list.itemSelected(i) > 0)
            out.push_back(i);
    return out;
}

} // namespace

// An empty list answers "no entry" everywhere; indexes outside a list give -1 and change nothing.
TEST(EntryList, NoEntryAnswers) {
    EntryList empty;
    EXPECT_EQ(empty.currentIndex(), -1);
    EXPECT_EQ(empty.findText(""), -1);
    EXPECT_EQ(empty.findExactText(""), -1);
    EXPECT_EQ(empty.selectText("a"), -1);
    EntryList list = listOf({"a", "b"});
    for (int32_t bad : {-2, 2, 1000}) {
        EXPECT_EQ(list.itemSelected(bad), -1);
        EXPECT_EQ(list.itemData(bad), -1);
        EXPECT_EQ(list.itemText(bad), "");
        list.setItemData(bad, 7);
        list.setItemSelected(bad, 1);
        list.removeItem(bad);
    }
    EXPECT_EQ(textsOf(list), (Texts{"a", "b"}));
    EXPECT_EQ(list.selCount(), 0);
}

// Searches run from the top, ignore ASCII letter case and return the first match: {prefix, exact}.
TEST(EntryList, SearchesFindTheFirstMatch) {
    struct Case {
        Texts texts;
        std::string needle;
        int32_t prefix, exact;
    } cases[] = {
        {{"x", "#BEGIN of abcdef", "#BEGIN of abc"}, "#BEGIN of abc", 1, 2},
        {{"x", "#begin OF ABC"}, "#BEGIN of abc", 1, 1},
        {{"a", "b"}, "c", -1, -1},
        {{"", "a"}, "", 0, 0},
        {{"\xC3\xA9", "\xC3\x89"}, "\xC3\x89", 1, 1}, // other bytes compare as themselves
    };
    for (const Case& c : cases) {
        const EntryList list = listOf(c.texts);
        EXPECT_EQ(list.findText(c.needle), c.prefix) << c.needle;
        EXPECT_EQ(list.findExactText(c.needle), c.exact) << c.needle;
    }
}

// SetListItemIndex leaves one selected, current entry (-1: all); SelectText does the same on a hit.
TEST(EntryList, SelectionAndCurrentEntry) {
    EntryList list = listOf({"alpha", "beta", "BETAMAX", "d"});
    list.selectAll();
    list.setCurrentIndex(2);
    EXPECT_EQ(selectedOf(list), Rows{2});
    EXPECT_EQ(list.currentIndex(), 2);
    list.setCurrentIndex(-1);
    EXPECT_EQ(list.selCount(), 4);
    list.setItemSelected(-1, 0);
    list.setItemSelected(3, 5);
    EXPECT_EQ(selectedOf(list), Rows{3});
    EXPECT_EQ(list.selectText("bet"), 1);
    EXPECT_EQ(selectedOf(list), Rows{1});
    EXPECT_EQ(list.selectText("zz"), -1);
    EXPECT_EQ(selectedOf(list), Rows{1});
}

// Removing entry 3 of 10 moves later entries, their data words and selection up by one.
TEST(EntryList, RemoveShiftsLaterEntries) {
    EntryList list;
    for (int i = 0; i < 10; ++i)
        list.addItemText(std::to_string(i));
    list.setItemData(6, -5);
    list.setItemSelected(4, 1);
    list.setItemSelected(3, 1);
    list.removeItem(3);
    EXPECT_EQ(list.count(), 9);
    EXPECT_EQ(list.itemText(3), "4");
    EXPECT_EQ(list.itemData(5), -5);
    EXPECT_EQ(selectedOf(list), Rows{3});
    EXPECT_EQ(list.selCount(), 1);
}

// A sorted list places each text after equal ones; an unsorted list keeps the order of adding.
TEST(EntryList, SortedListPlacesEachText) {
    EXPECT_EQ(textsOf(listOf({"b", "A", "c"})), (Texts{"b", "A", "c"}));
    EntryList sorted = listOf({"b", "A", "c", "a", "B"}, true);
    EXPECT_EQ(textsOf(sorted), (Texts{"A", "a", "b", "B", "c"}));
    EXPECT_EQ(sorted.addItemText("aa"), 2);
}

// Empty and duplicate texts, NUL bytes and very long texts are kept whole, also through compaction.
TEST(EntryList, KeepsEveryTextWhole) {
    const std::string huge(17 * 1024 * 1024, 'h'); // past the short length field
    const std::string withNul("a\0b", 3);
    EntryList list = listOf({"", "dup", "dup", withNul, huge, std::string(20 * 1024 * 1024, 'b'), "c"});
    EXPECT_EQ(list.itemText(3), withNul);
    list.removeItem(5); // more than half of the arena unused: compacts
    EXPECT_EQ(textsOf(list), (Texts{"", "dup", "dup", withNul, huge, "c"}));
}

// The batch removal gives the same list, selection and current entry as removing one by one.
TEST(EntryList, BatchRemovalMatchesOneByOne) {
    std::mt19937 rng(42);
    for (int round = 0; round < 50; ++round) {
        const int n = static_cast<int>(rng() % 60);
        EntryList batch;
        EntryList single;
        std::vector<uint8_t> remove(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            const std::string text = std::string(rng() % 3000, 'a') + std::to_string(i);
            batch.addItemText(text);
            single.addItemText(text);
            remove[static_cast<size_t>(i)] = rng() % 2;
            if (rng() % 3 == 0) {
                batch.setItemSelected(i, 1);
                single.setItemSelected(i, 1);
            }
        }
        for (int i = n - 1; i >= 0; --i)
            if (remove[static_cast<size_t>(i)])
                single.removeItem(i);
        batch.removeWhere(remove);
        ASSERT_EQ(textsOf(batch), textsOf(single));
        ASSERT_EQ(selectedOf(batch), selectedOf(single));
        ASSERT_EQ(batch.currentIndex(), single.currentIndex());
    }
}
