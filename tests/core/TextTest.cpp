#include "core/HostsPath.h"
#include "core/LineText.h"
#include "core/TextUtil.h"
#include "platform/FakeEnvironment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velmora;
using Lines = std::vector<std::string>;

// Both conventions: only CR LF and a lone CR end a line on Windows; a lone LF does too on POSIX.
TEST(LineText, SplitsByConvention) {
    struct Case {
        std::string data;
        Lines windows, posix;
    } cases[] = {
        {"a\r\nb\r\nc\r\n", {"a", "b", "c"}, {"a", "b", "c"}},
        {"a\r\n\r\nb", {"a", "", "b"}, {"a", "", "b"}},
        {"a\r\nb\nc\rd", {"a", "b\nc", "d"}, {"a", "b", "c", "d"}},
        {"a\n\rb", {"a\n", "b"}, {"a", "", "b"}},
        {"", {}, {}},
        {std::string("\xEF\xBB\xBFz\0y \t\r\n", 10),
         {std::string("\xEF\xBB\xBFz\0y \t", 8)},
         {std::string("\xEF\xBB\xBFz\0y \t", 8)}},
    };
    for (const Case& c : cases) {
        for (auto [convention, expected] :
             {std::pair{LineConvention::Windows, c.windows}, std::pair{LineConvention::Posix, c.posix}}) {
            Lines lines;
            forEachLine(c.data, convention, [&](std::string_view line) { lines.emplace_back(line); });
            EXPECT_EQ(lines, expected) << c.data;
        }
    }
}

TEST(TextUtil, FolderForLinkCutsTheQueryFirst) {
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\dir\\file.txt", "C:\\dir\\"},
        {"file.txt", ""},
        {"a/b\\c", "a/b\\"},
        {"https://example.org/a/b.html?x=/y/z", "https://example.org/a/"},
        {"?/x", ""}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(folderForLink(in), out) << in;
}

// Only the ASCII letters fold; the search goes on where a deleted text stood; trimming takes spaces only.
TEST(TextUtil, CaseFoldingErasingAndTrimming) {
    EXPECT_TRUE(iequals("LocalHost.AZ", "localhost.az"));
    EXPECT_FALSE(iequals("\xC3\x89", "\xC3\xA9"));
    EXPECT_FALSE(iequals("[", "{")); // differ by the case bit but are not letters
    EXPECT_EQ(ifind("aXbxc", "xc"), 3u);
    EXPECT_EQ(ifind("abc", "abcd"), std::string_view::npos);
    EXPECT_EQ(eraseAllIgnoringCase("/add x /ADD y", "/add"), " x  y");
    EXPECT_EQ(eraseAllIgnoringCase("/a/ADDdd", "/add"), "/add");
    EXPECT_EQ(eraseAllIgnoringCase("abc", ""), "abc");
    EXPECT_EQ(trimSpaces("  a b \t "), "a b \t");
    EXPECT_EQ(trimSpaces("   "), "");
}

TEST(HostsPath, WindowsRulesAndTheOverride) {
    EXPECT_EQ(windowsHostsPath(true, "", "C:\\WINDOWS\\system32"), "C:\\WINDOWS\\system32\\DRIVERS\\ETC\\HOSTS");
    EXPECT_EQ(windowsHostsPath(false, "C:\\WINDOWS", ""), "C:\\WINDOWS\\HOSTS");
    EXPECT_EQ(windowsHostsPath(false, "", ""), "\\HOSTS"); // the folder query failed
    // The family is the version's top bit: NT 5.1 and 6.2 against Windows 98 and Me.
    const std::string nt = "C:\\WINDOWS\\system32\\DRIVERS\\ETC\\HOSTS", old = "C:\\WINDOWS\\HOSTS";
    FakeEnvironment environment;
    for (auto [version, path] :
         {std::pair{0xC0000A04u, old}, {0xC0005A04u, old}, {0x0A280105u, nt}, {0x23F00206u, nt}}) {
        environment.version = version;
        EXPECT_EQ(windowsHostsPath(environment), path) << std::hex << version;
    }
    const std::string system = hostsFilePath(environment);
#ifdef _WIN32
    EXPECT_EQ(system, "C:\\WINDOWS\\system32\\DRIVERS\\ETC\\HOSTS");
#else
    EXPECT_EQ(system, "/etc/hosts");
#endif
    environment.variables["VELMORA_HOSTS"] = "";
    EXPECT_EQ(hostsFilePath(environment), system);
    environment.variables["VELMORA_HOSTS"] = "/tmp/some hosts";
    EXPECT_EQ(hostsFilePath(environment), "/tmp/some hosts");
}
