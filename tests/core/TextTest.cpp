#include "core/HostsPath.h"
#include "core/LineText.h"
#include "core/ScreenText.h"
#include "core/Sha256.h"
#include "core/TextUtil.h"
#include "core/WebList.h"
#include "platform/FakeEnvironment.h"

#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

using namespace velmora;
using Lines = std::vector<std::string>;

// On every system CR LF, a lone CR and a lone LF each end a line: lists from the web end theirs with
// LF, and a Windows build that kept an LF inside the line read such a list as one line.
TEST(LineText, CrLfLoneCrAndLoneLfEachEndALine) {
    const std::pair<std::string, Lines> cases[] = {
        {"a\r\nb\r\nc\r\n", {"a", "b", "c"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"", {}},
        {std::string("\xEF\xBB\xBFz\0y \t\r\n", 10), {std::string("\xEF\xBB\xBFz\0y \t", 8)}},
    };
    for (const auto& [data, expected] : cases) {
        Lines lines;
        forEachLine(data, [&](std::string_view line) { lines.emplace_back(line); });
        EXPECT_EQ(lines, expected) << data;
    }
}

// A file:// address names its file, escapes decoded; anything else is a path as it is.
TEST(TextUtil, FileAddressesAreTheirPaths) {
#ifdef _WIN32
    const std::pair<std::string, std::string> cases[] = {{"file:///C:/my%20lists/a.txt", "C:\\my lists\\a.txt"},
                                                         {"FILE://localhost/C:/x", "C:\\x"},
                                                         {"C:\\plain", "C:\\plain"}};
#else
    const std::pair<std::string, std::string> cases[] = {{"file:///my%20lists/a%2Fb.txt", "/my lists/a/b.txt"},
                                                         {"FILE://localhost/etc/x", "/etc/x"},
                                                         {"file:///50%", "/50%"},
                                                         {"/plain", "/plain"},
                                                         {"https://x/", "https://x/"}};
#endif
    for (const auto& [in, out] : cases)
        EXPECT_EQ(localPathOf(in), out) << in;
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

// The screen shows UTF-8 decoded (beyond the basic plane too), every other byte as the Latin-1 character
// of its number and NUL as a symbol, so nothing disappears: not an overlong form, not an encoded
// surrogate, not a sequence cut short, not a code past Unicode.
TEST(ScreenText, EveryByteShows) {
    const std::pair<std::string, std::u16string> cases[] = {
        {std::string("caf\xC3\xA9\xC0\xAF\0", 8), u"caf\u00E9\u00C0\u00AF\u2400"},
        {"\xED\xA0\x80\xC3", u"\u00ED\u00A0\u0080\u00C3"},
        {"\xF0\x9F\x98\x80|\xF4\x90\x80\x80", u"\U0001F600|\u00F4\u0090\u0080\u0080"},
        {"\xE2\x82\xAC\xE2\x82", u"\u20AC\u00E2\u0082"},
    };
    for (const auto& [bytes, shown] : cases) {
        std::u16string text;
        forEachScreenUnit(bytes, [&text](char16_t unit) { text.push_back(unit); });
        EXPECT_EQ(text, shown) << bytes;
    }
}

// The Save dialog starts in the suggested file's folder (one at the top keeps its separator) with its name,
// at most 254 bytes of it; Windows takes either separator.
TEST(TextUtil, SaveSuggestion) {
    const std::string longName(300, 'n');
    std::vector<std::pair<std::string, std::string>> cases = {{"/etc/hosts", "/etc|hosts"},
                                                              {"/hosts", "/|hosts"},
                                                              {"hosts", "|hosts"},
                                                              {"/a/" + longName, "/a|" + longName.substr(0, 254)}};
#ifdef _WIN32
    cases.insert(cases.end(), {{"C:\\hosts", "C:\\|hosts"}, {"C:\\Windows\\etc/hosts", "C:\\Windows\\etc|hosts"}});
#endif
    for (const auto& [path, expected] : cases) {
        const SaveSuggestion suggestion = saveSuggestion(path);
        EXPECT_EQ(suggestion.folder + '|' + suggestion.name, expected) << path;
    }
}

// Only the ASCII letters fold; the search goes on where a deleted text stood; trimming takes spaces only.
TEST(TextUtil, CaseFoldingErasingAndTrimming) {
    EXPECT_TRUE(iequals("LocalHost.AZ", "localhost.az"));
    // Texts compared word by word differ in their first and in their last byte alike.
    for (const std::string a : {"ads.example.com", "ads.examp", "ads.exam"}) {
        std::string first = a, last = a;
        first.front() = 'b';
        last.back() = 'n';
        EXPECT_FALSE(iequals(a, first)) << a;
        EXPECT_FALSE(iequals(a, last)) << a;
        EXPECT_TRUE(iequals(a, asciiLowered(a))) << a;
    }
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

// Eight bytes at a time fold exactly as one at a time, every byte value in every place of a word.
TEST(TextUtil, WordFoldIsByteFold) {
    for (int value = 0; value < 256; ++value) {
        for (size_t place = 0; place < 8; ++place) {
            char bytes[8] = {'A', 'z', '@', '[', '`', '{', '\x80', 'M'};
            bytes[place] = static_cast<char>(value);
            char folded[8];
            const uint64_t word = asciiLowerWord(loadWord(bytes));
            std::memcpy(folded, &word, 8);
            for (size_t i = 0; i < 8; ++i)
                ASSERT_EQ(folded[i], asciiLower(bytes[i])) << value << " at " << place;
        }
    }
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
    EXPECT_EQ(systemHostsPath(environment), system);
}

// The standard test vectors of FIPS 180-4 and the longest message whose padding fits its last block,
// fed whole and in pieces that straddle the 64-byte blocks.
TEST(Sha256, StandardVectors) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& [bytes, digest] : cases) {
        EXPECT_EQ(sha256Hex(bytes), digest);
        Sha256 pieces;
        for (size_t at = 0, size = 1; at < bytes.size(); at += size, size = size * 3 % 97 + 1)
            pieces.add(std::string_view(bytes).substr(at, size));
        EXPECT_EQ(pieces.hex(), digest);
    }
}
