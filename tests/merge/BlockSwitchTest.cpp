// Blocks switched off and on: exact lines both ways, the notes a block's start marker carries, and how
// a switched-off block takes part when the blocks kept from lists are rebuilt from their lists.
#include "merge/BlockSwitch.h"
#include "merge/Blocks.h"
#include "support/Lines.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <tuple>

namespace velmora {
namespace {

using test::Lines;

// Every line comes back from switching off and on exactly, also lines that look switched off already.
TEST(BlockSwitch, LinesComeBackExactly) {
    for (const char* line : {"", " ", "#off", "#off ", "#off x", "#offx", "10.0.0.5 nas", "\t127.0.0.1  a.example  ",
                             "# note", "#BEGIN of inner", "#END of other",
                             "\xEF\xBB\xBF"
                             "a.example"}) {
        const std::string off = switchedOffLine(line);
        EXPECT_TRUE(off.starts_with("#off")) << line;
        EXPECT_FALSE(off.ends_with(" ") && std::string_view(line).empty()) << "an empty line gets no blank";
        EXPECT_EQ(switchedOnLine(off), line);
    }
    // A line written into a switched-off block by hand stays as it is when the block is switched on.
    EXPECT_EQ(switchedOnLine("# added by hand"), "# added by hand");
}

// Off and on, block by block: the lines the file holds switched off, and back again; a second switch
// to the same state changes nothing.
TEST(BlockSwitch, OffAndOnGiveBackTheSameLines) {
    // clang-format off
    const std::tuple<const char*, Lines, Lines> cases[] = {
        // A block of the user's own, with a blank line, a comment and a line that already begins "#off".
        {"mine", {"127.0.0.1 localhost", "#BEGIN of mine", "10.0.0.5 nas", "", "# printer", "#off x", "#END of mine", "b"},
                 {"127.0.0.1 localhost", "#BEGIN of mine", "# state: off", "#off 10.0.0.5 nas", "#off", "#off # printer",
                  "#off #off x", "#END of mine", "b"}},
        // A block kept from a list keeps its notes; the state note follows them. The name in any case.
        {"ADS", {"#BEGIN of ads", "# source: https://lists.example/ads", "# address: 0.0.0.0",
                 "# updated: 2026-12-06T04:00:00Z", "0.0.0.0 a.example", "#END of ads"},
                {"#BEGIN of ads", "# source: https://lists.example/ads", "# address: 0.0.0.0",
                 "# updated: 2026-12-06T04:00:00Z", "# state: off", "#off 0.0.0.0 a.example", "#END of ads"}},
        // Another block's markers inside it are its lines; the other block of its name is switched too.
        {"a", {"#BEGIN of a", "#BEGIN of b", "x", "#END of a", "y", "#begin OF A", "#END of A"},
              {"#BEGIN of a", "# state: off", "#off #BEGIN of b", "#off x", "#END of a", "y", "#begin OF A",
               "# state: off", "#END of A"}},
        // A source line that is not directly after the start marker is a line of the block.
        {"c", {"#BEGIN of c", "x", "# source: /lists/c", "#END of c"},
              {"#BEGIN of c", "# state: off", "#off x", "#off # source: /lists/c", "#END of c"}},
    };
    // clang-format on
    for (const auto& [name, on, off] : cases) {
        EntryList lines = test::listOf(on);
        EntryList switched;
        const BlockSwitchResult result = switchBlocks(lines, name, false, switched);
        EXPECT_EQ(result.status, BlockSwitchStatus::Switched) << name;
        EXPECT_EQ(test::linesOf(switched), off) << name;
        EntryList twice;
        EXPECT_EQ(switchBlocks(switched, name, false, twice).status, BlockSwitchStatus::AlreadySo) << name;
        EXPECT_EQ(twice.count(), 0) << name;
        EntryList back;
        EXPECT_EQ(switchBlocks(switched, name, true, back).status, BlockSwitchStatus::Switched) << name;
        EXPECT_EQ(test::linesOf(back), on) << name;
        EXPECT_EQ(switchBlocks(back, name, true, twice).status, BlockSwitchStatus::AlreadySo) << name;
    }
}

// A name with no block, or a block without its end (where it ends is unknown), changes nothing.
TEST(BlockSwitch, RefusedBlocksChangeNothing) {
    const EntryList lines = test::listOf({"#BEGIN of a", "x", "#END of a", "#BEGIN of open", "y"});
    EntryList out;
    EXPECT_EQ(switchBlocks(lines, "b", false, out).status, BlockSwitchStatus::NoSuchBlock);
    const BlockSwitchResult open = switchBlocks(lines, "open", false, out);
    EXPECT_EQ(std::pair(open.status, open.blocks), std::pair(BlockSwitchStatus::NoEnd, 1));
    EXPECT_EQ(out.count(), 0);
}

// The notes after a start marker, in their order only: source, address, updated (after a source), and
// the state note last, in any block.
TEST(Blocks, NotesAfterTheStartMarker) {
    struct Case {
        Lines lines;
        std::string source, address, updated;
        bool off;
        int32_t notes;
    };
    const Case cases[] = {
        {{"#BEGIN of b", "# source: s", "# address: 0.0.0.0", "# updated: T", "# state: off", "x", "#END of b"},
         "s",
         "0.0.0.0",
         "T",
         true,
         4},
        {{"#BEGIN of b", "# source: s", "# updated: T", "x", "#END of b"}, "s", "127.0.0.1", "T", false, 2},
        {{"#BEGIN of b", "# state: off", "x", "#END of b"}, "", "127.0.0.1", "", true, 1},
        // Out of order, a note is a line of the block, and so is every note after it.
        {{"#BEGIN of b", "# updated: T", "# state: off", "#END of b"}, "", "127.0.0.1", "", false, 0},
        {{"#BEGIN of b", "# state: off", "# source: s", "#END of b"}, "", "127.0.0.1", "", true, 1},
        {{"#BEGIN of b", "# source: s", "# state: off", "# address: 0.0.0.0", "#END of b"},
         "s",
         "127.0.0.1",
         "",
         true,
         2},
        {{"#BEGIN of b", "# state: on", "#END of b"}, "", "127.0.0.1", "", false, 0},
    };
    for (const Case& c : cases) {
        const std::vector<BlockInfo> blocks = findBlocks(test::listOf(c.lines));
        ASSERT_EQ(blocks.size(), 1u);
        const BlockInfo& b = blocks[0];
        EXPECT_EQ(std::tuple(b.source, b.address, b.updated, b.off, b.notes),
                  std::tuple(c.source, c.address, c.updated, c.off, c.notes))
            << c.lines[1];
    }
}

// The time of an update as its note writes it, in UTC, leap days and the years before 1970 included.
TEST(Blocks, UpdateStamps) {
    const std::pair<int64_t, const char*> cases[] = {
        {0, "1970-01-01T00:00:00Z"},          {951782400, "2000-02-29T00:00:00Z"},
        {1796533323, "2026-12-06T05:02:03Z"}, {4102444799, "2099-12-31T23:59:59Z"},
        {-1, "1969-12-31T23:59:59Z"},         {253402300799, "9999-12-31T23:59:59Z"},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(updateStamp(seconds), text) << seconds;
}

class RebuildTest : public ::testing::Test {
protected:
    // The names of a list of these bytes, kept for the rebuild.
    const BlockListNames* list(const std::string& bytes) {
        lists.emplace_back();
        EXPECT_EQ(readBlockList(bytes, 0, nullptr, "", lists.back()).status, BlockListStatus::Read);
        return &lists.back();
    }
    // The lines with the sourced blocks rebuilt from the lists given by source; the lines as they were
    // when nothing changed.
    Lines rebuilt(const Lines& in, std::vector<SourcedList> requested = {}) {
        EntryList lines = test::listOf(in);
        EntryList out;
        last = rebuildSourcedBlocks(
            lines, requested,
            [&](const BlockInfo& block) -> const BlockListNames* {
                const auto it = bySource.find(block.source);
                return it == bySource.end() ? nullptr : it->second;
            },
            out);
        return last.changed ? test::linesOf(out) : in;
    }
    // The same rebuild made from the first line it changes on: the lines before it and what it gives.
    Lines rebuiltFromFirstChange(const Lines& in, std::vector<SourcedList> requested = {}) {
        EntryList lines = test::listOf(in);
        EntryList out;
        int32_t from = -1;
        const BlocksRebuild result = rebuildSourcedBlocks(
            lines, requested,
            [&](const BlockInfo& block) -> const BlockListNames* {
                const auto it = bySource.find(block.source);
                return it == bySource.end() ? nullptr : it->second;
            },
            out, &from);
        if (!result.changed)
            return in;
        Lines whole(in.begin(), in.begin() + from);
        for (const std::string& line : test::linesOf(out))
            whole.push_back(line);
        return whole;
    }
    Lines switched(const Lines& in, const char* name, bool on) {
        EntryList out;
        EXPECT_EQ(switchBlocks(test::listOf(in), name, on, out).status, BlockSwitchStatus::Switched);
        return test::linesOf(out);
    }

    std::deque<BlockListNames> lists;
    std::map<std::string, const BlockListNames*> bySource;
    BlocksRebuild last;
};

// A switched-off block blocks nothing, so a name it shares goes to the next list switched on that has
// it, and back when it is switched on again: off and on give back the same lines. The switched-off
// block holds what it would hold switched on, and an update of it keeps it off.
TEST_F(RebuildTest, ASwitchedOffBlockTakesNoName) {
    bySource["/a"] = list("shared.example\na.example\n");
    bySource["/b"] = list("b.example\nshared.example\n");
    const Lines start{"#BEGIN of a",         "# source: /a",        "127.0.0.1 shared.example",
                      "127.0.0.1 a.example", "#END of a",           "#BEGIN of b",
                      "# source: /b",        "127.0.0.1 b.example", "#END of b"};
    EXPECT_EQ(rebuilt(start), start); // as the lists have them
    const Lines off = rebuilt(switched(start, "a", false));
    EXPECT_EQ(off, (Lines{"#BEGIN of a", "# source: /a", "# state: off", "#off 127.0.0.1 shared.example",
                          "#off 127.0.0.1 a.example", "#END of a", "#BEGIN of b", "# source: /b", "127.0.0.1 b.example",
                          "127.0.0.1 shared.example", "#END of b"}));
    ASSERT_EQ(last.blocks.size(), 2u);
    EXPECT_EQ(std::tuple(last.blocks[0].off, last.blocks[0].changed, last.blocks[1].changed, last.blocks[1].added),
              std::tuple(true, false, true, 1));
    EXPECT_EQ(rebuilt(switched(off, "a", true)), start);

    // The block after one switched off: it holds, switched off, what it would hold switched on.
    const Lines bOff = rebuilt(switched(start, "b", false));
    EXPECT_EQ(bOff,
              (Lines{"#BEGIN of a", "# source: /a", "127.0.0.1 shared.example", "127.0.0.1 a.example", "#END of a",
                     "#BEGIN of b", "# source: /b", "# state: off", "#off 127.0.0.1 b.example", "#END of b"}));
    EXPECT_EQ(rebuilt(switched(bOff, "b", true)), start);

    // Updated while off, with a name more: it stays off, notes the time, and says so.
    SourcedList fresh{"a", "/a", "", list("shared.example\na.example\nnew.example\n"), "2026-12-06T04:00:00Z"};
    EXPECT_EQ(rebuilt(off, {fresh}), (Lines{"#BEGIN of a", "# source: /a", "# updated: 2026-12-06T04:00:00Z",
                                            "# state: off", "#off 127.0.0.1 shared.example", "#off 127.0.0.1 a.example",
                                            "#off 127.0.0.1 new.example", "#END of a", "#BEGIN of b", "# source: /b",
                                            "127.0.0.1 b.example", "127.0.0.1 shared.example", "#END of b"}));
    EXPECT_EQ(std::tuple(last.blocks[0].off, last.blocks[0].added, last.blocks[0].removed, last.blocks[0].names),
              std::tuple(true, 1, 0, 3));
}

// Without its list a switched-off block stays line for line and takes no name; the user's own block
// switched off maps no name of its own any more.
TEST_F(RebuildTest, SwitchedOffBlocksWithoutAListAndOfTheUser) {
    bySource["/b"] = list("nas.example\nb.example\n");
    const Lines kept{"#BEGIN of gone", "# source: /gone", "# state: off", "#off 127.0.0.1 b.example",
                     "#END of gone",   "#BEGIN of b",     "# source: /b", "127.0.0.1 b.example",
                     "#END of b"};
    EXPECT_EQ(rebuilt(kept),
              (Lines{"#BEGIN of gone", "# source: /gone", "# state: off", "#off 127.0.0.1 b.example", "#END of gone",
                     "#BEGIN of b", "# source: /b", "127.0.0.1 nas.example", "127.0.0.1 b.example", "#END of b"}));
    EXPECT_TRUE(last.blocks[0].kept);

    const Lines own{"#BEGIN of lan", "10.0.0.5 nas.example", "#END of lan", "#BEGIN of b",
                    "# source: /b",  "127.0.0.1 b.example",  "#END of b"};
    EXPECT_EQ(rebuilt(own), own);
    const Lines ownOff = rebuilt(switched(own, "lan", false));
    EXPECT_EQ(ownOff, (Lines{"#BEGIN of lan", "# state: off", "#off 10.0.0.5 nas.example", "#END of lan", "#BEGIN of b",
                             "# source: /b", "127.0.0.1 nas.example", "127.0.0.1 b.example", "#END of b"}));
    EXPECT_EQ(rebuilt(switched(ownOff, "lan", true)), own);
}

// The note of the last update changes only with the block's names: not when they are the same, and not
// when the block is completed from the copy kept of its list.
TEST_F(RebuildTest, TheUpdateNoteFollowsRealChanges) {
    bySource["/a"] = list("a.example\n");
    const Lines start{"#BEGIN of a", "# source: /a", "# updated: OLD", "127.0.0.1 a.example", "#END of a"};
    SourcedList same{"a", "/a", "", list("a.example\n"), "NEW"};
    EXPECT_EQ(rebuilt(start, {same}), start);
    EXPECT_FALSE(last.changed);
    bySource["/a"] = list("a.example\nb.example\n");
    EXPECT_EQ(rebuilt(start), (Lines{"#BEGIN of a", "# source: /a", "# updated: OLD", "127.0.0.1 a.example",
                                     "127.0.0.1 b.example", "#END of a"}));
    SourcedList more{"a", "/a", "", list("b.example\n"), "NEW"};
    EXPECT_EQ(rebuilt(start, {more}),
              (Lines{"#BEGIN of a", "# source: /a", "# updated: NEW", "127.0.0.1 b.example", "#END of a"}));
    SourcedList added{"n", "/n", "", list("n.example\n"), "NEW"};
    EXPECT_EQ(rebuilt({}, {added}),
              (Lines{"#BEGIN of n", "# source: /n", "# updated: NEW", "127.0.0.1 n.example", "#END of n"}));
}

// A block kept as it is holds every name its lines give, however they are written: one name to a line
// as an update writes it, names in capitals or with a final dot, a comment glued on, two names to a
// line, a bare name, a block whose address is no address. A list after it writes none of them again,
// and writes a name that only a comment holds; its old lines, however written, count each name once in
// what it gained and lost.
TEST_F(RebuildTest, AKeptBlockHoldsEveryNameItsLinesGive) {
    const char* names[] = {"plain.example",  "caps.example",   "dot.example",    "glued.example", "first.example",
                           "second.example", "tab.example",    "tabbed.example", "bare.example",  "not.an.address",
                           "odd.example",    "hidden.example", "new.example"};
    std::string listed;
    for (const char* name : names)
        listed += std::string(name) + "\n";
    bySource["/b"] = list(listed);
    const Lines kept{"#BEGIN of gone",
                     "# source: /gone",
                     "# address: 0.0.0.0",
                     "0.0.0.0 plain.example",
                     "0.0.0.0 CAPS.Example",
                     "0.0.0.0 dot.example.",
                     "0.0.0.0 glued.example#note",
                     "0.0.0.0 first.example second.example",
                     "0.0.0.0 tab.example\ttabbed.example",
                     "bare.example",
                     "#END of gone",
                     "#BEGIN of odd",
                     "# source: /odd",
                     "# address: not.an.address",
                     "not.an.address odd.example",
                     "#END of odd",
                     "#BEGIN of cut",
                     "# source: /cut",
                     "# address: 0.0.0.0 #cut",
                     "0.0.0.0 #cut hidden.example",
                     "#END of cut"};
    const Lines block{"#BEGIN of b",           "# source: /b",           "127.0.0.1 New.Example",
                      "127.0.0.1 new.example", "127.0.0.1 gone.example", "#END of b"};
    Lines in = kept;
    in.insert(in.end(), block.begin(), block.end());
    Lines out = kept;
    out.insert(out.end(),
               {"#BEGIN of b", "# source: /b", "127.0.0.1 hidden.example", "127.0.0.1 new.example", "#END of b"});
    EXPECT_EQ(rebuilt(in), out);
    ASSERT_EQ(last.blocks.size(), 4u);
    EXPECT_EQ(std::tuple(last.blocks[3].names, last.blocks[3].added, last.blocks[3].removed), std::tuple(2, 1, 1));
}

// A name that a block kept as it is holds stays its own: no list after it takes it, not the first one
// that lists it, not a later one, not one switched off; a name the kept block lists only in a comment
// goes to the first list that has it, and the user's own mapping still wins. A kept block switched off
// holds no name, even a line in it written by hand without "#off".
TEST_F(RebuildTest, AKeptBlockKeepsItsNamesFromEveryLaterList) {
    bySource["/c"] = list("held.example\nc.example\nmine.example\nnot.example\n");
    bySource["/d"] = list("held.example\nc.example\nd.example\n");
    const Lines offline{"#BEGIN of offline", "# source: /offline", "# state: off", "127.0.0.1 d.example",
                        "#END of offline"};
    Lines start{"#BEGIN of gone",
                "# source: /gone",
                "127.0.0.1 held.example # not.example",
                "#END of gone",
                "10.0.0.5 mine.example",
                "#BEGIN of c",
                "# source: /c",
                "#END of c",
                "#BEGIN of d",
                "# source: /d",
                "#END of d"};
    start.insert(start.begin(), offline.begin(), offline.end());
    Lines expected = offline;
    expected.insert(expected.end(), {"#BEGIN of gone", "# source: /gone", "127.0.0.1 held.example # not.example",
                                     "#END of gone", "10.0.0.5 mine.example", "#BEGIN of c", "# source: /c",
                                     "127.0.0.1 c.example", "127.0.0.1 not.example", "#END of c", "#BEGIN of d",
                                     "# source: /d", "127.0.0.1 d.example", "#END of d"});
    EXPECT_EQ(rebuilt(start), expected);
    // d switched off holds what it would hold switched on.
    const Lines off = rebuilt(switched(rebuilt(start), "d", false));
    EXPECT_EQ(Lines(off.begin() + 15, off.end()),
              (Lines{"#BEGIN of d", "# source: /d", "# state: off", "#off 127.0.0.1 d.example", "#END of d"}));
}

// Made from the first line it changes on, a rebuild gives the same lines as made whole: past a block
// kept as it is, a second block of a name that goes, a new block at the end.
TEST_F(RebuildTest, FromTheFirstChangeTheSameLines) {
    bySource["/b"] = list("b.example\nkept.example\n");
    const Lines gone{"127.0.0.1 localhost", "#BEGIN of gone", "# source: /gone", "127.0.0.1 kept.example",
                     "#END of gone"};
    const Lines again{"#BEGIN of gone", "# source: /gone", "127.0.0.1 again.example", "#END of gone"};
    const Lines b{"10.0.0.5 nas", "#BEGIN of b", "# source: /b", "127.0.0.1 old.example", "#END of b", "# after"};
    Lines withAgain = gone;
    withAgain.insert(withAgain.end(), again.begin(), again.end());
    withAgain.insert(withAgain.end(), b.begin(), b.end());
    Lines plain = gone;
    plain.insert(plain.end(), b.begin(), b.end());
    SourcedList added{"n", "/n", "", list("n.example\n"), "NEW"};
    for (const Lines& in : {withAgain, plain}) {
        for (const std::vector<SourcedList>& requested : {std::vector<SourcedList>{}, std::vector{added}}) {
            const Lines whole = rebuilt(in, requested);
            EXPECT_NE(whole, in);
            EXPECT_EQ(rebuiltFromFirstChange(in, requested), whole);
        }
    }
    bySource["/b"] = list("old.example\n");
    EXPECT_EQ(rebuiltFromFirstChange(plain, {added}), rebuilt(plain, {added}));
}

} // namespace
} // namespace velmora
