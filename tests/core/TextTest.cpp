#include "core/LineText.h"
#include "core/TextUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velmora;

namespace {
std::vector<std::string> split(std::string_view data, LineConvention convention) {
    std::vector<std::string> lines;
    forEachLine(data, convention, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}
using Lines = std::vector<std::string>;
} // namespace

struct SplitCase {
    const char* name;
    std::string data;
    Lines windows;
    Lines posix;
};

class LineSplitting : public ::testing::TestWithParam<SplitCase> {};

// Both conventions: only CR LF and CR end a line on Windows; a lone LF does too on POSIX.
TEST_P(LineSplitting, SplitsByConvention) {
    const SplitCase& c = GetParam();
    EXPECT_EQ(split(c.data, LineConvention::Windows), c.windows);
    EXPECT_EQ(split(c.data, LineConvention::Posix), c.posix);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineSplitting,
    ::testing::Values(
        SplitCase{"CrLfEach", "a\r\nb\r\nc\r\n", {"a", "b", "c"}, {"a", "b", "c"}},
        SplitCase{"NoFinalEnd", "a\r\nb\r\nc", {"a", "b", "c"}, {"a", "b", "c"}},
        SplitCase{"EmptyLineKept", "a\r\n\r\nb", {"a", "", "b"}, {"a", "", "b"}},
        SplitCase{"LoneLf", "a\nb\n", {"a\nb\n"}, {"a", "b"}},
        SplitCase{"LoneCr", "a\rb", {"a", "b"}, {"a", "b"}},
        SplitCase{"LfCr", "a\n\rb", {"a\n", "b"}, {"a", "", "b"}},
        SplitCase{"Mixed", "a\r\nb\nc\rd", {"a", "b\nc", "d"}, {"a", "b", "c", "d"}},
        SplitCase{"Empty", "", {}, {}},
        SplitCase{"OnlyEnds", "\r\n\r\n", {"", ""}, {"", ""}},
        SplitCase{"SpacesKept", "  1.2.3.4 \t x  \r\n", {"  1.2.3.4 \t x  "}, {"  1.2.3.4 \t x  "}},
        SplitCase{"NulAndBom", std::string("\xEF\xBB\xBFz\0y\r\n", 8), {std::string("\xEF\xBB\xBFz\0y", 6)},
                  {std::string("\xEF\xBB\xBFz\0y", 6)}}),
    [](const auto& p) { return std::string(p.param.name); });

// Saved files keep the line end of their first line; new and empty ones get LF, Windows always CR LF.
TEST(LineEnd, FollowsTheFirstLineEnd) {
    struct Case {
        std::string head;
        LineEnd posix;
    } cases[] = {{"", LineEnd::Lf},          {"a\r\nb\n", LineEnd::CrLf}, {"a\nb\r\n", LineEnd::Lf},
                 {"a\rb\r\n", LineEnd::Lf},  {"no end", LineEnd::Lf},     {"\r\n", LineEnd::CrLf},
                 {"x\r", LineEnd::Lf}};
    for (const auto& c : cases) {
        EXPECT_EQ(lineEndFor(c.head, LineConvention::Posix), c.posix) << c.head;
        EXPECT_EQ(lineEndFor(c.head, LineConvention::Windows), LineEnd::CrLf) << c.head;
    }
}

TEST(GetPath, FolderPartWithSeparator) {
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\dir\\file.txt", "C:\\dir\\"},
        {"/etc/hosts", "/etc/"},
        {"https://example.org/a/b.html?x=/y/z", "https://example.org/a/"},
        {"file.txt", ""},
        {"", ""},
        {"a/b\\c", "a/b\\"},
        {"?/x", ""},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(GetPath(in), out) << in;
}

TEST(ReplaceText, ReplacesEveryOccurrenceOnce) {
    struct Case {
        std::string text, find, with;
        int32_t compare;
        std::string expected;
    } cases[] = {
        {"/add x /ADD y", "/add", "", 1, " x  y"},
        {"/add x /ADD y", "/add", "", 0, " x /ADD y"},
        {"aaa", "a", "aa", 0, "aaaaaa"},
        {"abc", "", "x", 0, "abc"},
        {"a/sx", "/s", "", 1, "ax"},
        {"/S/s/S", "/s", "", 1, ""},
        {"xAx", "a", "A", 1, "xAx"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReplaceText(c.text, c.find, c.with, c.compare), c.expected) << c.text;
}

TEST(CaseFolding, OnlyAsciiLettersFold) {
    EXPECT_TRUE(iequals("LocalHost", "localhost"));
    EXPECT_FALSE(iequals("\xC3\x89", "\xC3\xA9"));
    EXPECT_FALSE(iequals("[", "{")); // differ by the case bit but are not letters
    EXPECT_EQ(ifind("127.0.0.1 LOCALHOST", "localhost"), 10u);
    EXPECT_EQ(ifind("abc", "abcd"), std::string_view::npos);
    EXPECT_EQ(ifind("aXbxc", "xc"), 3u);
    EXPECT_EQ(trimSpaces("  a b \t "), "a b \t");
    EXPECT_EQ(trimSpaces("   "), "");
}
