#include "core/EntryList.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using velmora::EntryList;

namespace {

EntryList listOf(const std::vector<std::string>& texts, bool sorted = false) {
    EntryList list(sorted);
    for (const auto& t : texts)
        list.addItemText(t);
    return list;
}

std::vector<std::string> textsOf(const EntryList& list) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < list.count(); ++i)
        out.push_back(list.itemText(i));
    return out;
}

std::vector<int32_t> selectedOf(const EntryList& list) {
    std::vector<int32_t> out;
    for (int32_t i = 0; i < list.count(); ++i)
        if (list.itemSelected(i) > 0)
            out.push_back(i);
    return out;
}

} // namespace

// Every query of an empty list answers "no entry".
TEST(EntryList, EmptyListAnswersNoEntry) {
    EntryList list;
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.currentIndex(), -1);
    EXPECT_EQ(list.selCount(), 0);
    EXPECT_EQ(list.findText(""), -1);
    EXPECT_EQ(list.findExactText(""), -1);
    EXPECT_EQ(list.selectText("a"), -1);
    EXPECT_EQ(list.itemSelected(0), -1);
    EXPECT_EQ(list.itemData(0), -1);
    EXPECT_EQ(list.itemText(0), "");
}

// Out-of-range indexes: -1 results and no effect, never a crash.
TEST(EntryList, OutOfRangeIndexesHaveNoEffect) {
    EntryList list = listOf({"a", "b"});
    for (int32_t bad : {-2, 2, 1000}) {
        EXPECT_EQ(list.itemSelected(bad), -1) << bad;
        EXPECT_EQ(list.itemData(bad), -1) << bad;
        list.setItemData(bad, 7);
        list.setItemSelected(bad, 1);
        list.removeItem(bad);
    }
    EXPECT_EQ(textsOf(list), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(list.selCount(), 0);
}

struct SearchCase {
    const char* name;
    std::vector<std::string> texts;
    std::string needle;
    int32_t prefix;
    int32_t exact;
};

class EntryListSearch : public ::testing::TestWithParam<SearchCase> {};

// Searches run from the top, ignore letter case and return the first match.
TEST_P(EntryListSearch, FindsFirstMatch) {
    const SearchCase& c = GetParam();
    EntryList list = listOf(c.texts);
    EXPECT_EQ(list.findText(c.needle), c.prefix);
    EXPECT_EQ(list.findExactText(c.needle), c.exact);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EntryListSearch,
    ::testing::Values(
        SearchCase{"LongerNameFirst", {"x", "#BEGIN of abcdef", "#BEGIN of abc"}, "#BEGIN of abc", 1, 2},
        SearchCase{"Capitals", {"x", "#begin OF ABC"}, "#BEGIN of abc", 1, 1},
        SearchCase{"NoMatch", {"a", "b"}, "c", -1, -1},
        SearchCase{"EmptyNeedleMatchesFirstPrefix", {"", "a"}, "", 0, 0},
        SearchCase{"NonAsciiBytesCompareExactly", {"\xC3\xA9", "\xC3\x89"}, "\xC3\x89", 1, 1},
        SearchCase{"DuplicatesFirstWins", {"b", "a", "A"}, "a", 1, 1}),
    [](const auto& p) { return std::string(p.param.name); });

// SetListItemIndex leaves exactly one selected entry and makes it current; with -1 it selects all.
TEST(EntryList, SetCurrentIndexSelectsOnlyThatEntry) {
    EntryList list = listOf({"a", "b", "c", "d"});
    list.selectAll();
    list.setCurrentIndex(2);
    EXPECT_EQ(selectedOf(list), (std::vector<int32_t>{2}));
    EXPECT_EQ(list.currentIndex(), 2);
    EXPECT_EQ(list.selCount(), 1);

    list.setCurrentIndex(-1);
    EXPECT_EQ(list.selCount(), 4);
    EXPECT_EQ(list.currentIndex(), 2);

    list.setItemSelected(-1, 0);
    EXPECT_EQ(list.selCount(), 0);
    list.setItemSelected(-1, 5);
    EXPECT_EQ(list.selCount(), 4);
    list.setItemSelected(1, 0);
    EXPECT_EQ(selectedOf(list), (std::vector<int32_t>{0, 2, 3}));
}

TEST(EntryList, SelectTextFindsPrefixAndSelectsIt) {
    EntryList list = listOf({"alpha", "beta", "BETAMAX"});
    list.setItemSelected(0, 1);
    EXPECT_EQ(list.selectText("bet"), 1);
    EXPECT_EQ(selectedOf(list), (std::vector<int32_t>{1}));
    EXPECT_EQ(list.selectText("zz"), -1);
    EXPECT_EQ(selectedOf(list), (std::vector<int32_t>{1}));
}

TEST(EntryList, DataWordsStartAtZeroAndFollowTheirEntry) {
    EntryList list = listOf({"a", "b", "c"});
    EXPECT_EQ(list.itemData(1), 0);
    list.setItemData(2, -5);
    list.removeItem(0);
    EXPECT_EQ(list.itemData(1), -5);
}

// Removing entry 3 of 10 moves every later entry up by one; selection and current follow.
TEST(EntryList, RemoveShiftsLaterEntries) {
    EntryList list;
    for (int i = 0; i < 10; ++i)
        list.addItemText(std::to_string(i));
    list.setItemSelected(4, 1);
    list.setItemSelected(3, 1);
    list.setCurrentIndex(6);
    list.setItemSelected(4, 1);
    list.removeItem(3);
    EXPECT_EQ(list.count(), 9);
    EXPECT_EQ(list.itemText(3), "4");
    EXPECT_EQ(selectedOf(list), (std::vector<int32_t>{3, 5}));
    EXPECT_EQ(list.selCount(), 2);
}

// Unsorted lists keep the order of adding; a sorted list places each text, equal texts in the order added.
TEST(EntryList, SortedListPlacesEachText) {
    EXPECT_EQ(textsOf(listOf({"b", "A", "c"})), (std::vector<std::string>{"b", "A", "c"}));
    EntryList sorted = listOf({"b", "A", "c", "a", "B"}, true);
    EXPECT_EQ(textsOf(sorted), (std::vector<std::string>{"A", "a", "b", "B", "c"}));
    EXPECT_EQ(sorted.addItemText("aa"), 2);
}

// Empty and duplicate texts, NUL bytes and texts far past 1024 bytes are kept whole.
TEST(EntryList, KeepsEveryTextWhole) {
    const std::string big(10 * 1024 * 1024, 'x');
    const std::string withNul("a\0b", 3);
    EntryList list = listOf({"", "", "dup", "dup", withNul, big});
    EXPECT_EQ(list.count(), 6);
    EXPECT_EQ(list.itemText(4), withNul);
    EXPECT_EQ(list.itemText(5).size(), big.size());
    EXPECT_EQ(list.itemText(0), "");
}

// Texts too long for the short length field keep their length beside them, through removal and the
// compaction that follows it.
TEST(EntryList, VeryLongTextsSurviveCompaction) {
    const std::string huge(17 * 1024 * 1024, 'h');
    EntryList list = listOf({"a", huge, std::string(20 * 1024 * 1024, 'b'), "c"});
    EXPECT_EQ(list.view(1).size(), huge.size());
    list.removeItem(2); // leaves more than half of the arena unused: compacts
    list.removeItem(0);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.itemText(0), huge);
    EXPECT_EQ(list.itemText(1), "c");
}

// The batch removal gives the same list, selection and current entry as removing one by one from the end.
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
        ASSERT_EQ(batch.selCount(), single.selCount());
        ASSERT_EQ(batch.currentIndex(), single.currentIndex());
    }
}
