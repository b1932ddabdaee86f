#include "core/LineText.h"
#include "core/TextUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velmora;
using Lines = std::vector<std::string>;

// Both conventions: only CR LF and a lone CR end a line on Windows; a lone LF does too on POSIX.
TEST(LineSplitting, SplitsByConvention) {
    struct Case {
        std::string data;
        Lines windows, posix;
    } cases[] = {
        {"a\r\nb\r\nc\r\n", {"a", "b", "c"}, {"a", "b", "c"}},
        {"a\r\nb\r\nc", {"a", "b", "c"}, {"a", "b", "c"}},
        {"a\r\n\r\nb", {"a", "", "b"}, {"a", "", "b"}},
        {"a\nb\n", {"a\nb\n"}, {"a", "b"}},
        {"a\r\nb\nc\rd", {"a", "b\nc", "d"}, {"a", "b", "c", "d"}},
        {"a\n\rb", {"a\n", "b"}, {"a", "", "b"}},
        {"", {}, {}},
        {"  1.2.3.4 \t x  \r\n", {"  1.2.3.4 \t x  "}, {"  1.2.3.4 \t x  "}},
        {std::string("\xEF\xBB\xBFz\0y\r\n", 8), {std::string("\xEF\xBB\xBFz\0y", 6)},
         {std::string("\xEF\xBB\xBFz\0y", 6)}},
    };
    for (const Case& c : cases) {
        for (auto [convention, expected] : {std::pair{LineConvention::Windows, c.windows},
                                            std::pair{LineConvention::Posix, c.posix}}) {
            Lines lines;
            forEachLine(c.data, convention, [&](std::string_view line) { lines.emplace_back(line); });
            EXPECT_EQ(lines, expected) << c.data;
        }
    }
}

// Saved files keep the line end of their first line; new and empty ones get LF, Windows always CR LF.
TEST(LineSplitting, SaveFollowsTheFirstLineEnd) {
    const std::pair<std::string, LineEnd> cases[] = {
        {"", LineEnd::Lf}, {"a\r\nb\n", LineEnd::CrLf}, {"a\nb\r\n", LineEnd::Lf}, {"a\rb\r\n", LineEnd::Lf},
        {"no end", LineEnd::Lf}, {"x\r", LineEnd::Lf}};
    for (const auto& [head, end] : cases) {
        EXPECT_EQ(lineEndFor(head, LineConvention::Posix), end) << head;
        EXPECT_EQ(lineEndFor(head, LineConvention::Windows), LineEnd::CrLf) << head;
    }
}

TEST(TextUtil, GetPathIsTheFolderPart) {
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\dir\\file.txt", "C:\\dir\\"}, {"/etc/hosts", "/etc/"}, {"file.txt", ""}, {"a/b\\c", "a/b\\"},
        {"https://example.org/a/b.html?x=/y/z", "https://example.org/a/"}, {"?/x", ""}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(GetPath(in), out) << in;
}

// Every occurrence is replaced once: replaced text is never searched again; case by the compare flag.
TEST(TextUtil, ReplaceText) {
    struct Case {
        std::string text, find, with;
        int32_t compare;
        std::string expected;
    } cases[] = {
        {"/add x /ADD y", "/add", "", 1, " x  y"}, {"/add x /ADD y", "/add", "", 0, " x /ADD y"},
        {"aaa", "a", "aa", 0, "aaaaaa"},          {"abc", "", "x", 0, "abc"},
        {"a/sx", "/s", "", 1, "ax"},               {"xAx", "a", "A", 1, "xAx"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReplaceText(c.text, c.find, c.with, c.compare), c.expected) << c.text;
}

// Only the ASCII letters fold; trimming takes spaces only.
TEST(TextUtil, CaseFoldingAndTrimming) {
    EXPECT_TRUE(iequals("LocalHost", "localhost"));
    EXPECT_FALSE(iequals("\xC3\x89", "\xC3\xA9"));
    EXPECT_FALSE(iequals("[", "{")); // differ by the case bit but are not letters
    EXPECT_EQ(ifind("127.0.0.1 LOCALHOST", "localhost"), 10u);
    EXPECT_EQ(ifind("aXbxc", "xc"), 3u);
    EXPECT_EQ(ifind("abc", "abcd"), std::string_view::npos);
    EXPECT_EQ(trimSpaces("  a b \t "), "a b \t");
    EXPECT_EQ(trimSpaces("   "), "");
}
