// The history's bounds, on lists kilobytes long: the minimum it may always hold is set small here, where
// the program's own is tens of megabytes.

#include "document/ListHistory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velmora;

namespace {

const std::string kLine(1000, 'x');

EntryList listOf(int lines) {
    EntryList list;
    for (int i = 0; i < lines; ++i)
        list.append(kLine);
    return list;
}

// Takes one line out and adds another in its place at the end, as an edit and a merge do: the list
// keeps its size while the history notes the line taken out.
void removeAndAdd(EntryList& list, ListHistory& history, int times) {
    for (int i = 0; i < times; ++i) {
        ASSERT_TRUE(history.remove({1}));
        list.append(kLine);
        history.added({list.count() - 1});
    }
}

int undoAll(ListHistory& history) {
    std::vector<int32_t> restored;
    int undone = 0;
    while (history.undo(restored))
        ++undone;
    return undone;
}

} // namespace

// The history holds what the larger of its minimum and the largest list seen take: lines taken out of a
// list many times the minimum come back up to about that list's worth, no more; a list smaller than the
// minimum still gets the minimum's worth back.
TEST(ListHistory, BudgetIsTheLargestListOrTheMinimum) {
    constexpr size_t kMinimum = 4000; // four lines' worth
    {
        EntryList list = listOf(40);
        ListHistory history(list, kMinimum);
        removeAndAdd(list, history, 20);
        EXPECT_EQ(undoAll(history), 40);
        EXPECT_EQ(list.count(), 40);
    }
    {
        EntryList list = listOf(40);
        ListHistory history(list, kMinimum);
        removeAndAdd(list, history, 80);
        const int undone = undoAll(history);
        EXPECT_LE(undone, 2 * 40); // no more than the list's own lines come back
        EXPECT_GE(undone, 2 * 38);
    }
    {
        EntryList list = listOf(2);
        ListHistory history(list, kMinimum);
        removeAndAdd(list, history, 3);
        EXPECT_EQ(undoAll(history), 6);
    }
}

// A step the list has no room for is not made and not recorded: the change stays to be taken back, the
// lines as they were. Texts taken out stay in the list's memory until they make up half of it, so lines
// taken out, put back and taken out again need room for them a third time.
TEST(ListHistory, StepTheListHasNoRoomForIsNotMade) {
    EntryList list(7000);
    for (char c : {'a', 'b', 'c', 'd'})
        list.append(std::string(999, c)); // 1000 bytes each with its LF
    ListHistory history(list);
    const uint64_t full = history.state();
    ASSERT_TRUE(history.remove({0, 1, 1, 0}));
    std::vector<int32_t> restored;
    ASSERT_TRUE(history.undo(restored));
    ASSERT_TRUE(history.redo(restored));
    const uint64_t without = history.state();
    EXPECT_FALSE(history.undo(restored));
    EXPECT_FALSE(history.takeBackTo(full));
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.text(1), std::string(999, 'd'));
    EXPECT_EQ(history.state(), without);
    EXPECT_TRUE(history.canUndo());
    EXPECT_FALSE(history.canRedo());
}
