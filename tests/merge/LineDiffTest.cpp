// The line diff on random lists against what a diff must be, and its unified form by example.
#include "merge/LineDiff.h"
#include "support/Lines.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

namespace velmora {
namespace {

using test::Lines;
using test::listOf;

// Steps that keep equal lines, take every line of each side once and in order, and so turn one list
// into the other. Edits like a merge's, a removal's and an update's cost exactly their own lines.
TEST(LineDiff, TurnsBeforeIntoAfter) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        Lines a, b;
        const int na = static_cast<int>(random() % 12), nb = static_cast<int>(random() % 12);
        for (int i = 0; i < na; ++i)
            a.push_back(std::string(1, static_cast<char>('a' + random() % 4)));
        for (int i = 0; i < nb; ++i)
            b.push_back(std::string(1, static_cast<char>('a' + random() % 4)));
        const EntryList before = listOf(a), after = listOf(b);
        int32_t nextA = 0, nextB = 0;
        for (const DiffStep& step : diffLines(before, after)) {
            if (step.kind != DiffStep::Add) {
                ASSERT_EQ(step.before, nextA++);
            }
            if (step.kind != DiffStep::Remove) {
                ASSERT_EQ(step.after, nextB++);
            }
            if (step.kind == DiffStep::Keep) {
                ASSERT_EQ(before.text(step.before), after.text(step.after));
            }
        }
        ASSERT_EQ(std::pair(nextA, nextB), std::pair(na, nb));
    }
    const Lines hosts = {"h1", "x", "h2", "x", "h3", "h4"};
    const struct {
        Lines after;
        int added, removed;
    } edits[] = {
        {{"h1", "x", "h2", "x", "h3", "h4", "x", "n1"}, 2, 0},
        {{"h1", "x", "h4"}, 0, 3},
        {{"h1", "x", "n1", "n2", "h3", "h4"}, 2, 2},
        {{"x", "h1", "x", "h2", "x", "h3", "h4"}, 1, 0},
    };
    for (const auto& edit : edits) {
        const DiffCounts counts = countChanges(diffLines(listOf(hosts), listOf(edit.after)));
        EXPECT_EQ(std::pair(counts.added, counts.removed), std::pair(edit.added, edit.removed));
    }
}

// Changes more than six unchanged lines apart make two hunks, with three lines of context each; an
// empty side names the line before it.
TEST(LineDiff, UnifiedForm) {
    const EntryList before = listOf({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"});
    const struct {
        Lines after;
        std::string diff;
    } cases[] = {
        {{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"},
         "@@ -1,3 +1,4 @@\n+0\n 1\n 2\n 3\n@@ -9,4 +10,3 @@\n 9\n 10\n 11\n-12\n"},
        {{"2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"}, "@@ -1,4 +1,3 @@\n-1\n 2\n 3\n 4\n"},
        {{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "12"}, "@@ -8,5 +8,4 @@\n 8\n 9\n 10\n-11\n 12\n"},
        {{"1", "x", "3", "4", "5", "6", "7", "8", "y", "10", "11", "12"},
         "@@ -1,12 +1,12 @@\n 1\n-2\n+x\n 3\n 4\n 5\n 6\n 7\n 8\n-9\n+y\n 10\n 11\n 12\n"},
        {{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"}, ""},
    };
    for (const auto& c : cases) {
        const EntryList after = listOf(c.after);
        std::ostringstream out;
        writeUnifiedDiff(out, before, after, diffLines(before, after), "a", "b");
        EXPECT_EQ(out.str(), c.diff.empty() ? "" : "--- a\n+++ b\n" + c.diff) << c.diff;
    }
    const EntryList empty, one = listOf({"1"});
    std::ostringstream out;
    writeUnifiedDiff(out, empty, one, diffLines(empty, one), "a", "b");
    EXPECT_EQ(out.str(), "--- a\n+++ b\n@@ -0,0 +1,1 @@\n+1\n");
}

} // namespace
} // namespace velmora
