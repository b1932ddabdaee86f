#include "merge/RemoveBlock.h"
#include "core/EntryList.h"
#include "core/TextUtil.h"
#include "support/Lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace velmora {
namespace {

using test::Lines;

// Runs removeBlocks on the lines, checks the count it returns, and gives back the lines left.
Lines removeFrom(const Lines& lines, const std::string& name) {
    EntryList list = test::listOf(lines);
    const int32_t removed = removeBlocks(list, name);
    const Lines left = test::linesOf(list);
    EXPECT_EQ(removed, static_cast<int32_t>(lines.size() - left.size())) << name;
    return left;
}

// The literal way: find a start line from the top, take lines out one at a time up to the end line
// after the body (or up to the list's end), then search from the top again.
void removeOneAtATime(Lines& lines, const std::string& name) {
    const bool section = name.starts_with('#');
    const std::string start = section ? name : "#BEGIN of " + name;
    const std::string end = section ? "#" : "#END of " + name;
    auto isStart = [&](const std::string& line) { return istartsWith(line, start); };
    for (auto at = std::ranges::find_if(lines, isStart); at != lines.end(); at = std::ranges::find_if(lines, isStart)) {
        at = lines.erase(at);
        // An end line directly after a marker start ends an empty block; for sections it is heading.
        for (bool first = true, body = false; at != lines.end(); first = false) {
            const bool isEnd = at->starts_with(end);
            at = lines.erase(at);
            if (isEnd && (body || (first && !section)))
                break;
            body = body || !isEnd;
        }
    }
}

struct RemoveCase {
    const char* scenario;
    const char* name;
    Lines in, out;
};

class RemoveBlockCases : public ::testing::TestWithParam<RemoveCase> {};

// The blocks of the name go with their markers; every other line stays, in order.
TEST_P(RemoveBlockCases, LeavesExactlyTheseLines) {
    EXPECT_EQ(removeFrom(GetParam().in, GetParam().name), GetParam().out);
}

// clang-format off
const RemoveCase kRemoveCases[] = {
    // The markers of Ads2 begin with those of Ads: removing Ads takes both, removing Ads2 only its own.
    {"Ads", "Ads", {"x", "#BEGIN of Ads", "a", "#END of Ads", "y", "#BEGIN of Ads2", "b", "#END of Ads2"}, {"x", "y"}},
    {"Ads2", "Ads2", {"#BEGIN of Ads", "a", "#END of Ads", "#BEGIN of Ads2", "b", "#END of Ads2"},
     {"#BEGIN of Ads", "a", "#END of Ads"}},
    // Start markers are found in any letter case; an end marker in other letter case is body.
    {"StartMarkerInOtherCase", "Ads", {"a", "#begin OF ADS", "x", "#END of Ads", "b"}, {"a", "b"}},
    {"EndMarkerInOtherCaseRunsOn", "Ads", {"a", "#BEGIN of Ads", "x", "#end of ads", "y", "#END of Ads", "b"}, {"a", "b"}},
    {"BlockWithoutEnd", "ads", {"a", "#BEGIN of ads", "x", "#END OF ADS", "y"}, {"a"}},
    {"MarkerNotAtLineStart", "ads", {" #BEGIN of ads", "x", "#END of ads"}, {" #BEGIN of ads", "x", "#END of ads"}},
    // An empty block is its two markers and nothing after them, even an end marker further down.
    {"EmptyBlock", "ads", {"a", "#BEGIN of ads", "#END of ads", "b", "#END of ads", "c"}, {"a", "b", "#END of ads", "c"}},
    // Name "#": a comment heads a section, comments right after it are its heading, and the next
    // comment after its entries closes it.
    {"HashSections", "#", {"localhost", "# Ads", "# more", "a", "# Trackers", "t", "nas"}, {"localhost", "t", "nas"}},
    {"NamedSectionAnyCase", "# Ads", {"x", "# ads list", "a", "b", "# Trackers", "t"}, {"x", "t"}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(RemoveBlock, RemoveBlockCases, ::testing::ValuesIn(kRemoveCases),
                         [](const auto& p) { return std::string(p.param.scenario); });

// On random lists of related markers, comments and entries the result equals the one-at-a-time removal.
TEST(RemoveBlock, MatchesOneAtATimeOnRandomLists) {
    // clang-format off
    const Lines pool = {"#BEGIN of Ads", "#begin of ads", "#BEGIN of Ads2", "#BEGIN of Ad", "#END of Ads", "#end of Ads",
                        "#END of Ads2", "#END of Ad", "# comment", "#", "# Ads section", "127.0.0.1 a", "",
                        "#BEGIN of X", "#END of X"};
    // clang-format on
    std::mt19937 random(20240517);
    for (int round = 0; round < 3000; ++round) {
        Lines lines(round < 2990 ? random() % 40 : 4000);
        for (std::string& line : lines)
            line = pool[random() % pool.size()];
        for (const char* name : {"Ads", "ads", "Ad", "Ads2", "X", "#", "# Ads", "#BEGIN", "#END of"}) {
            Lines expected = lines;
            removeOneAtATime(expected, name);
            ASSERT_EQ(removeFrom(lines, name), expected) << "round " << round << ", name '" << name << "'";
        }
    }
}

} // namespace
} // namespace velmora
