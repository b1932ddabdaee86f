// The line diff on random lists against what a diff must be, and its unified form by example.
#include "merge/LineDiff.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

namespace velmora {
namespace {

// One line per character.
EntryList linesOf(std::string_view chars) {
    EntryList list;
    for (size_t i = 0; i < chars.size(); ++i)
        list.append(chars.substr(i, 1));
    return list;
}

// Steps that keep equal lines and take every line of each side once and in order turn one list into
// the other.
TEST(LineDiff, TurnsBeforeIntoAfter) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::string chars[2];
        for (std::string& side : chars)
            for (auto i = random() % 12; i > 0; --i)
                side += static_cast<char>('a' + random() % 4);
        const EntryList before = linesOf(chars[0]), after = linesOf(chars[1]);
        int32_t nextA = 0, nextB = 0;
        for (const DiffStep& step : diffLines(before, after)) {
            ASSERT_EQ(step.before, step.kind == DiffStep::Add ? -1 : nextA++);
            ASSERT_EQ(step.after, step.kind == DiffStep::Remove ? -1 : nextB++);
            ASSERT_TRUE(step.kind != DiffStep::Keep || before.text(step.before) == after.text(step.after));
        }
        ASSERT_EQ(std::pair(nextA, nextB), std::pair(before.count(), after.count()));
    }
}

// Changes more than six unchanged lines apart make two hunks, with three lines of context each; an
// empty side names the line before it.
TEST(LineDiff, UnifiedForm) {
    const std::tuple<std::string_view, std::string_view, std::string> cases[] = {
        {"123456789abc", "0123456789ab", "@@ -1,3 +1,4 @@\n+0\n 1\n 2\n 3\n@@ -9,4 +10,3 @@\n 9\n a\n b\n-c\n"},
        {"123456789abc", "1x345678yabc", "@@ -1,12 +1,12 @@\n 1\n-2\n+x\n 3\n 4\n 5\n 6\n 7\n 8\n-9\n+y\n a\n b\n c\n"},
        {"123456789abc", "123456789abc", ""},
        {"", "1", "@@ -0,0 +1,1 @@\n+1\n"},
    };
    for (const auto& [chars, changed, diff] : cases) {
        const EntryList before = linesOf(chars), after = linesOf(changed);
        std::ostringstream out;
        writeUnifiedDiff(out, before, after, diffLines(before, after), "a", "b");
        EXPECT_EQ(out.str(), diff.empty() ? "" : "--- a\n+++ b\n" + diff) << changed;
    }
}

} // namespace
} // namespace velmora
