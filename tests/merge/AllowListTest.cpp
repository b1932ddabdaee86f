// The allowlist: which names each kind of entry keeps out, which fields are entries at all, how a file
// as users write it is read (comments, HOSTS lines, a BOM, line numbers of what is left out), how the
// text that tells two allowlists apart is made, and which file a run reads.
#include "merge/AllowList.h"

#include "core/HostsFile.h"
#include "platform/FakeEnvironment.h"
#include "platform/FakeFileSystem.h"
#include "support/FakeUserInterface.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

namespace velmora {
namespace {

using Lines = std::vector<std::string>;

// A name as it is; "*.name" the names under it, not the name; "||name^" the name and those under it;
// letter case ignored in the entry and in the name; a dot is where a name under another one begins.
TEST(AllowList, WhatEachKindOfEntryKeepsOut) {
    AllowList allow;
    EXPECT_FALSE(allow.allows("ads.example")); // an empty allowlist keeps out nothing
    ASSERT_TRUE(allow.add("Ads.Example") && allow.add("*.CDN.example") && allow.add("||Shop.example^"));
    EXPECT_EQ(allow.size(), 3u);
    for (const char* name :
         {"ads.example", "ADS.EXAMPLE", "a.cdn.example", "x.y.CDN.example", "shop.example", "a.b.SHOP.example"})
        EXPECT_TRUE(allow.allows(name)) << name;
    for (const char* name : {"x.ads.example", "ads.example.org", "cdn.example", "acdn.example", "myshop.example",
                             "shop.example.org", "example", ""})
        EXPECT_FALSE(allow.allows(name)) << name;

    // Each kind on its own reaches the names under an entry.
    AllowList under;
    ASSERT_TRUE(under.add("*.cdn.example"));
    EXPECT_TRUE(under.allows("a.cdn.example"));
    EXPECT_FALSE(under.allows("cdn.example"));
    AllowList withUnder;
    ASSERT_TRUE(withUnder.add("||shop.example^"));
    EXPECT_TRUE(withUnder.allows("a.shop.example") && withUnder.allows("shop.example"));
}

// Only letters, digits, "-", "_" and dots between labels make a name; a field that is none is no entry
// and changes nothing.
TEST(AllowList, FieldsThatAreNoEntry) {
    AllowList allow;
    for (const char* entry :
         {"", ".a.example", "a.example.", "a..example", "a b.example", "a/b.example", "*.", "*", "*.a..example", "||^",
          "||a.example", "a.example^", "||.a^", "\xC3\xA4.example", "*a.example"})
        EXPECT_FALSE(allow.add(entry)) << entry;
    EXPECT_TRUE(allow.empty());
    for (const char* entry : {"a_b-c.example", "x", "*.x", "||x^", "1drv.example"})
        EXPECT_TRUE(allow.add(entry)) << entry;
}

// A file as users write it: a BOM, comments, several entries to a line, HOSTS lines whose address is
// skipped, any line end; each field that is no entry is told with its line number, and the rest of
// its line is still read.
TEST(AllowList, ReadsTextAsUsersWriteIt) {
    AllowList allow;
    Lines problems;
    allow.addText("\xEF\xBB\xBF"
                  "first.example\r\n"
                  "# ads.example is blocked\r"
                  "0.0.0.0 Tracker.example\tother.example # note.example\n"
                  "::1 v6.example\n"
                  "what? *.cdn.example *.\n"
                  "10.0.0.5 nas\n",
                  &problems);
    for (const char* name : {"first.example", "tracker.example", "other.example", "v6.example", "a.cdn.example", "nas"})
        EXPECT_TRUE(allow.allows(name)) << name;
    for (const char* name : {"ads.example", "note.example", "0.0.0.0", "10.0.0.5"})
        EXPECT_FALSE(allow.allows(name)) << name;
    EXPECT_EQ(problems, (Lines{"line 5: 'what?' is no host name, *.name or ||name^",
                               "line 5: '*.' is no host name, *.name or ||name^"}));
    EXPECT_EQ(allow.size(), 6u);
}

// A HOSTS or list line is kept out when any of its names is allowed, before a comment.
TEST(AllowList, KeepsOutALineByAnyOfItsNames) {
    AllowList allow;
    ASSERT_TRUE(allow.add("ads.example"));
    EXPECT_TRUE(allow.keepsOut("127.0.0.1 ", "ads.example"));
    EXPECT_TRUE(allow.keepsOut("", "0.0.0.0 x.example\tADS.example"));
    EXPECT_TRUE(allow.keepsOut("ads.example", ""));
    EXPECT_FALSE(allow.keepsOut("", "0.0.0.0 x.example # ads.example"));
    EXPECT_FALSE(allow.keepsOut("127.0.0.1 ", "x.example"));
}

// The same entries give the same text whatever their order and letter case; entries of another kind
// give another text.
TEST(AllowList, EntriesTellAllowlistsApart) {
    AllowList a, b, c;
    for (const char* entry : {"B.example", "*.c.example", "||d.example^"})
        ASSERT_TRUE(a.add(entry));
    for (const char* entry : {"||D.example^", "b.example", "*.C.example", "b.example"})
        ASSERT_TRUE(b.add(entry));
    EXPECT_EQ(a.entries(), "*.c.example\nb.example\n||d.example^\n");
    EXPECT_EQ(a.entries(), b.entries());
    for (const char* entry : {"b.example", "||c.example^", "d.example"})
        ASSERT_TRUE(c.add(entry));
    EXPECT_NE(a.entries(), c.entries());
}

// Which file is read: the one named, else the one VELMORA_ALLOW names, else the default one when it is
// there. A named file that cannot be read is an error and leaves the allowlist as it was; the problems
// of a file read reach the user in one notice, and none when there are none.
TEST(AllowList, WhichFileARunReads) {
    test::TempDir dir;
    const std::string named = dir.file("named.txt"), fromEnvironment = dir.file("env.txt");
    test::writeFile(named, "named.example\n");
    test::writeFile(fromEnvironment, "env.example\nbad?\n");
    FakeFileSystem files;
    FakeEnvironment environment;
    environment.variables["VELMORA_ALLOW"] = fromEnvironment;

    AllowList allow;
    AllowListFile read = loadAllowList(files, environment, named, allow);
    EXPECT_EQ(read.path, named);
    EXPECT_TRUE(allow.allows("named.example") && !allow.allows("env.example"));

    read = loadAllowList(files, environment, {}, allow);
    EXPECT_EQ(read.path, fromEnvironment);
    EXPECT_EQ(read.error, 0);
    EXPECT_TRUE(allow.allows("env.example"));
    test::FakeUserInterface ui;
    tellAllowListProblems(ui, read);
    EXPECT_EQ(ui.shown, Lines{"notify:The allowlist " + fromEnvironment +
                              " has lines that allow nothing; they are left out:\nline 2: 'bad?' is no host name, "
                              "*.name or ||name^"});
    ui.shown.clear();
    tellAllowListProblems(ui, loadAllowList(files, environment, named, allow));
    EXPECT_TRUE(ui.shown.empty());

    AllowList kept;
    ASSERT_TRUE(kept.add("kept.example"));
    read = loadAllowList(files, environment, dir.file("none.txt"), kept);
    EXPECT_EQ(read.error, ENOENT);
    EXPECT_EQ(kept.entries(), "kept.example\n");

#ifdef _WIN32
    environment.variables.erase("VELMORA_ALLOW");
    environment.variables["ProgramData"] = dir.path();
    EXPECT_EQ(defaultAllowListPath(environment), dir.path() + "\\velmora\\allow.txt");
    EXPECT_EQ(loadAllowList(files, environment, {}, kept).path, ""); // a missing default is no allowlist
    std::filesystem::create_directories(test::nativePath(dir.file("velmora")));
    test::writeFile(dir.file("velmora/allow.txt"), "default.example\n");
    EXPECT_EQ(loadAllowList(files, environment, {}, kept).error, 0);
    EXPECT_TRUE(kept.allows("default.example"));
#else
    environment.variables.erase("VELMORA_ALLOW");
    EXPECT_EQ(defaultAllowListPath(environment), "/etc/velmora/allow.txt");
    if (!fileHasData(files, "/etc/velmora/allow.txt")) {
        // A missing default is no allowlist, and no error.
        read = loadAllowList(files, environment, {}, kept);
        EXPECT_EQ(read.path, "");
        EXPECT_EQ(read.error, 0);
    }
#endif
}

} // namespace
} // namespace velmora
