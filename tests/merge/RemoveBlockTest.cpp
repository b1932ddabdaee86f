#include "merge/RemoveBlock.h"
#include "core/EntryList.h"
#include "core/TextUtil.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace velmora {
namespace {

using Lines = std::vector<std::string>;

EntryList listOf(const Lines& lines) {
    EntryList list(false);
    for (const std::string& line : lines)
        list.addItemText(line);
    return list;
}

Lines linesOf(const EntryList& list) {
    Lines lines;
    for (int32_t i = 0; i < list.count(); ++i)
        lines.push_back(list.itemText(i));
    return lines;
}

// The removal done the slow, literal way: search the start line from the top, take lines out one
// at a time until the end line that follows the body, and start again from the top.
void removeOneAtATime(Lines& lines, const std::string& name) {
    const bool section = !name.empty() && name.front() == '#';
    const std::string start = section ? name : "#BEGIN of " + name;
    const std::string end = section ? "#" : "#END of " + name;
    for (;;) {
        size_t idx = 0;
        while (idx < lines.size() && !istartsWith(lines[idx], start))
            ++idx;
        if (idx == lines.size())
            return;
        size_t n = lines.size();
        bool body = false;
        bool ended = false;
        bool first = true;
        for (;;) {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(idx));
            const bool isEnd = idx < lines.size() && lines[idx].starts_with(end);
            if (isEnd)
                ended = body || (first && !section); // an empty marker block ends at once
            else
                body = true;
            first = false;
            --n;
            if (ended || idx >= n)
                break;
        }
        if (ended)
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(idx));
    }
}

struct RemoveCase {
    const char* scenario;
    const char* name;
    Lines in;
    Lines out;
};

// Failures name the case by its scenario.
void PrintTo(const RemoveCase& c, std::ostream* os) {
    *os << c.scenario;
}

class RemoveBlockCases : public ::testing::TestWithParam<RemoveCase> {};

TEST_P(RemoveBlockCases, LeavesExactlyTheseLines) {
    const RemoveCase& c = GetParam();
    EntryList list = listOf(c.in);
    const int32_t removed = removeBlocks(list, c.name);
    EXPECT_EQ(linesOf(list), c.out);
    EXPECT_EQ(removed, static_cast<int32_t>(c.in.size() - c.out.size()));
}

const RemoveCase kRemoveCases[] = {
    // Both blocks of the name go with their markers; what lies around and between them stays in order.
    {"TwoBlocksOfOneName",
     "ads",
     {"127.0.0.1 localhost", "#BEGIN of ads", "127.0.0.1 a", "#END of ads", "10.0.0.1 nas", "#BEGIN of ads",
      "127.0.0.1 b", "127.0.0.1 c", "#END of ads", "# tail"},
     {"127.0.0.1 localhost", "10.0.0.1 nas", "# tail"}},
    // The start and end markers of Ads2 begin with those of Ads.
    {"NameIsPrefixOfAnother",
     "Ads",
     {"x", "#BEGIN of Ads", "127.0.0.1 a", "#END of Ads", "y", "#BEGIN of Ads2", "127.0.0.1 b", "#END of Ads2", "z"},
     {"x", "y", "z"}},
    {"LongerNameIsLeftForShorter",
     "Ads2",
     {"#BEGIN of Ads", "127.0.0.1 a", "#END of Ads", "#BEGIN of Ads2", "127.0.0.1 b", "#END of Ads2"},
     {"#BEGIN of Ads", "127.0.0.1 a", "#END of Ads"}},
    // The end marker of a longer name also ends the block.
    {"LongerEndMarkerEnds", "Ads", {"#BEGIN of Ads", "127.0.0.1 a", "#END of Ads2", "after"}, {"after"}},
    // Start markers are found in any letter case, the name included.
    {"StartMarkerInOtherCase", "Ads", {"a", "#begin OF ADS", "127.0.0.1 x", "#END of Ads", "b"}, {"a", "b"}},
    // An end marker in other letter case is body: the block runs on to a correctly written one.
    {"EndMarkerInOtherCaseRunsOn",
     "Ads",
     {"a", "#BEGIN of Ads", "127.0.0.1 x", "#end of ads", "127.0.0.1 y", "#END of Ads", "b"},
     {"a", "b"}},
    {"EndMarkerInOtherCaseRunsToTheEnd",
     "Ads",
     {"a", "#BEGIN of Ads", "127.0.0.1 x", "#END OF ADS", "127.0.0.1 y"},
     {"a"}},
    {"BlockWithoutEndIsLast", "ads", {"a", "b", "#BEGIN of ads", "127.0.0.1 x", "127.0.0.1 y"}, {"a", "b"}},
    {"StartMarkerIsLastLine", "ads", {"a", "b", "#BEGIN of ads"}, {"a", "b"}},
    // A marker must begin the line: indented or quoted text is not one.
    {"MarkerNotAtLineStart",
     "ads",
     {" #BEGIN of ads", "x #BEGIN of ads", "#END of ads"},
     {" #BEGIN of ads", "x #BEGIN of ads", "#END of ads"}},
    {"NoBlockOfTheName", "ads", {"#BEGIN of other", "a", "#END of other"}, {"#BEGIN of other", "a", "#END of other"}},
    {"EmptyList", "ads", {}, {}},
    // An empty block takes its two markers and nothing after them, even an end marker further down.
    {"EmptyBlock",
     "ads",
     {"a", "#BEGIN of ads", "#END of ads", "127.0.0.1 b", "#END of ads", "c"},
     {"a", "127.0.0.1 b", "#END of ads", "c"}},
    {"EmptyBlockThenFullBlock",
     "ads",
     {"#BEGIN of ads", "#END of ads", "keep", "#BEGIN of ads", "127.0.0.1 x", "#END of ads", "keep too"},
     {"keep", "keep too"}},
    {"EmptyBlockAtTheEnd", "ads", {"a", "#BEGIN of ads", "#END of ads"}, {"a"}},
    // Empty lines are body like any other line.
    {"EmptyLineIsBody", "ads", {"#BEGIN of ads", "", "#END of ads", "b"}, {"b"}},
    // Name "#": a comment heads a section, comments right after it are its heading, and the next
    // comment after its entries closes it; this repeats while a comment is left.
    {"HashSections",
     "#",
     {"127.0.0.1 localhost", "# Ads", "# more", "127.0.0.1 a", "# Trackers", "127.0.0.1 t", "10.0.0.1 nas"},
     {"127.0.0.1 localhost", "127.0.0.1 t", "10.0.0.1 nas"}},
    {"HashSectionsEveryComment", "#", {"# one", "a", "# two", "b", "# three", "c", "# four"}, {"b"}},
    // A named comment heads its section in any letter case; every comment line ends it.
    {"NamedSection",
     "# Ads",
     {"x", "# ads list", "127.0.0.1 a", "127.0.0.1 b", "# Trackers", "127.0.0.1 t"},
     {"x", "127.0.0.1 t"}},
    // For sections a comment directly after the heading is heading, not an empty block.
    {"SectionHeadingIsNotEmptyBlock", "#x", {"#x", "# y", "a", "# z", "b"}, {"b"}},
    {"SectionWithoutEnd", "# Ads", {"x", "# Ads", "127.0.0.1 a"}, {"x"}},
};

INSTANTIATE_TEST_SUITE_P(RemoveBlock, RemoveBlockCases, ::testing::ValuesIn(kRemoveCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.scenario); });

// Random lists built from markers of related names, other letter case, comments and entries:
// the one-pass removal must leave the same lines as the literal one-at-a-time removal.
TEST(RemoveBlock, MatchesOneAtATimeOnRandomLists) {
    const Lines pool = {"#BEGIN of Ads",  "#begin of ads",
                        "#BEGIN of Ads2", "#BEGIN of Ad",
                        "#END of Ads",    "#end of Ads",
                        "#END of Ads2",   "#END of Ad",
                        "# comment",      "#",
                        "# Ads section",  "127.0.0.1 a",
                        "0.0.0.0 b",      "",
                        "10.0.0.1 nas",   "#BEGIN of Other",
                        "#END of Other",  "127.0.0.1 c",
                        "127.0.0.1 d",    "; semicolon"};
    const char* names[] = {"Ads", "ads", "Ad", "Ads2", "Other", "#", "# Ads", "#BEGIN", "#END of"};
    std::mt19937 random(20240517);
    std::uniform_int_distribution<size_t> pick(0, pool.size() - 1);
    int compared = 0;
    for (int round = 0; round < 3000; ++round) {
        const size_t length = round < 2990 ? random() % 40 : 4000;
        Lines lines;
        for (size_t i = 0; i < length; ++i)
            lines.push_back(pool[pick(random)]);
        for (const char* name : names) {
            EntryList list = listOf(lines);
            Lines expected = lines;
            removeOneAtATime(expected, name);
            const int32_t removed = removeBlocks(list, name);
            ASSERT_EQ(linesOf(list), expected) << "round " << round << ", name '" << name << "'";
            ASSERT_EQ(removed, static_cast<int32_t>(lines.size() - expected.size()));
            ++compared;
        }
    }
    EXPECT_EQ(compared, 3000 * 9);
}

} // namespace
} // namespace velmora
