// Block lists from files, as scripts run them: every name a list blocks is blocked in the saved file,
// read the way the resolver reads it; blocks kept from lists hold names, each once, and removing one
// list unblocks nothing another still lists; a merged list's markers cannot take the user's lines.
#include "cli/BatchMode.h"
#include "support/FakeUserInterface.h"
#include "support/HostsTable.h"
#include "support/Lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

using namespace velmora;
using namespace velmora::test;

namespace {

const std::string kLocalhost = "127.0.0.1 localhost\n";

// The text with its line ends made `end`.
std::string withLineEnds(const std::string& text, const std::string& end) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += end;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// A block holds a name without the final dot a list may write after it.
std::vector<std::string> withoutFinalDots(std::vector<std::string> names) {
    for (std::string& name : names)
        if (name.size() > 1 && name.back() == '.')
            name.pop_back();
    return names;
}

class BlockListRunTest : public DocumentFixture {
protected:
    BlockListRunTest() { document.setLineConvention(LineConvention::Posix); }
    int run(const Lines& arguments) {
        out.str("");
        err.str("");
        ui.shown.clear();
        return runBatchMode(parseCommandLine(arguments), document, out, err);
    }
    // The names the saved file sends to an address, or "" for a name it does not know.
    std::string addressOf(const std::string& name) { return std::string(ResolverTable(readFile(hosts)).find(name)); }
    // Every name listed is blocked by the saved file; says which are not.
    void expectAllBlocked(const std::vector<std::string>& names, const std::string& what) {
        const ResolverTable table(readFile(hosts));
        std::vector<std::string> missing;
        for (const std::string& name : names) {
            if (!isBlockingAddressText(std::string(table.find(name))))
                missing.push_back(name);
        }
        EXPECT_TRUE(missing.empty()) << what << ": " << missing.size() << " of " << names.size()
                                     << " names not blocked, the first " << (missing.empty() ? "" : missing[0]);
    }
    // The names in the sourced blocks, counted: each must stand once.
    std::map<std::string, int> namesInBlocks() {
        std::map<std::string, int> count;
        bool inBlock = false;
        std::istringstream lines(readFile(hosts));
        for (std::string line; std::getline(lines, line);) {
            if (line.starts_with("#BEGIN of ") || line.starts_with("#END of ")) {
                inBlock = line.starts_with("#BEGIN");
            } else if (inBlock && !line.starts_with("#")) {
                std::string name = line.substr(line.find(' ') + 1);
                for (char& c : name)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                ++count[name];
            }
        }
        return count;
    }
    // A list file of these bytes, by the full path an update notes as its source.
    std::string list(const std::string& name, const std::string& bytes) {
        writeFile(dir.file(name), bytes);
        return std::filesystem::absolute(dir.file(name)).lexically_normal().string();
    }

    std::ostringstream out, err;
};

// The HOSTS file's own lines stay byte for byte after --add and /add (the window's merge is the
// document's, tested with it): blank, repeated and case-variant lines, indented entries, a bare name
// and a byte-order mark in the middle; the list's new lines follow them.
TEST_F(BlockListRunTest, AMergeKeepsEveryLineOfTheHostsFile) {
    const std::string own = "127.0.0.1 localhost\n\n127.0.0.1 Ads.Example\n127.0.0.1 ads.example\n\n\t10.0.0.6 nas\n"
                            "  127.0.0.1   spaced.example  \nbare.example\n\xEF\xBB\xBF"
                            "127.0.0.1 bom.example\n# mine\n# mine\n";
    const std::string path = list("l.txt", "ads.example\nnas\nspaced.example\nbare.example\nbom.example\nnew.example\n"
                                           "\t10.0.0.6 nas\n");
    for (const char* form : {"--add", "/add"}) {
        writeFile(hosts, own);
        EXPECT_EQ(run({form, path}), kExitDone) << form;
        EXPECT_EQ(readFile(hosts), own + "127.0.0.1 nas\n127.0.0.1 new.example\n") << form;
    }
}

// A list in every line form real lists use, merged with --add and kept with --update, with CR LF, LF,
// CR and as gzip: every name it blocks is blocked, names beginning with a digit and those after a stray
// byte-order mark too. A merge keeps a name's final dot as the list writes it; a block drops it.
TEST_F(BlockListRunTest, EveryNameOfAListIsBlocked) {
    const std::string lines[] = {
        "# Title: a list of every kind",
        "0.0.0.0 ads.example",
        "127.0.0.1\tlog.music.example\t",
        "1drv.example",
        "123movies.example",
        "3lift.example",
        "0.0.0.0 0-1.example",
        "\xEF\xBB\xBF"
        "127.0.0.1 bom.example",
        "127.0.0.1 localhost",
        "::1 ip6-localhost",
        "fe80::1%lo0 localhost",
        "255.255.255.255 broadcasthost",
        "0.0.0.0 0.0.0.0",
        "247.ai",
        "MIXED.Case.Example",
        "0.0.0.0 a.example b.example # two on a line",
        "view.example.",
    };
    std::string lf, crlf;
    for (const std::string& line : lines) {
        lf += line + "\n";
        crlf += line + "\r\n";
    }
    const std::vector<std::string> names = namesListed(lf);
    ASSERT_EQ(names.size(), 12u);
    const std::pair<std::string, std::string> forms[] = {
        {"lf.txt", lf}, {"crlf.txt", crlf}, {"cr.txt", withLineEnds(lf, "\r")}, {"list.gz", gzipped(lf)}};
    for (const auto& [name, bytes] : forms) {
        const std::string path = list(name, bytes);
        writeFile(hosts, kLocalhost);
        EXPECT_EQ(run({"--add", path}), kExitDone) << name << err.str();
        expectAllBlocked(names, "--add " + name);
        writeFile(hosts, kLocalhost);
        EXPECT_EQ(run({"--update", "ads", path}), kExitDone) << name;
        expectAllBlocked(withoutFinalDots(names), "--update " + name);
        EXPECT_EQ(out.str().substr(0, out.str().find('\n')),
                  "Updated ads: 12 names (+12, -0), 2 skipped (other addresses), 3 skipped (never blocked)")
            << name;
    }
}

// The public lists at hand, merged and kept as blocks, with LF and CR LF line ends and as gzip: every
// name each one blocks is blocked.
TEST_F(BlockListRunTest, EveryNameOfTheRealListsIsBlocked) {
    const std::filesystem::path folder = nativePath(VELMORA_BLOCKLISTS);
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "the public block lists are not at " << VELMORA_BLOCKLISTS;
    int tried = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string file = entry.path().filename().string();
        if (!file.starts_with("hosts") && !file.starts_with("domains"))
            continue;
        ++tried;
        const std::string bytes = readFile(entry.path().string());
        const std::vector<std::string> names = namesListed(bytes);
        const std::pair<std::string, std::string> forms[] = {
            {"lf", withLineEnds(bytes, "\n")}, {"crlf", withLineEnds(bytes, "\r\n")}, {"gz", gzipped(bytes)}};
        for (const auto& [form, text] : forms) {
            const std::string path = list(file + "." + form, text);
            writeFile(hosts, kLocalhost);
            ASSERT_EQ(run({"--add", path}), kExitDone) << file << " " << form;
            expectAllBlocked(names, "--add " + file + " " + form);
            writeFile(hosts, kLocalhost);
            ASSERT_EQ(run({"--update", "list", path}), kExitDone) << file << " " << form;
            expectAllBlocked(withoutFinalDots(names), "--update " + file + " " + form);
        }
    }
    EXPECT_GT(tried, 0);
}

// Three lists that share names kept as three blocks: each name stands once, under one address, in the
// first block that lists it. Removing a block leaves every name of the others blocked: they are
// completed from their own lists, and the run says so.
TEST_F(BlockListRunTest, RemovingOneListUnblocksNothingTheOthersList) {
    const std::string a = list("a.txt", "shared.example\nboth.example\nonly-a.example\n");
    const std::string b = list("b.txt", "0.0.0.0 SHARED.example both.example only-b.example\n");
    const std::string c = list("c.txt", "||shared.example^\nonly-c.example\nboth.example\n");
    writeFile(hosts, kLocalhost + "10.0.0.5 nas\n");
    EXPECT_EQ(run({"--update", "a", a}), kExitDone);
    EXPECT_EQ(run({"--update", "b", b, "--address", "0.0.0.0"}), kExitDone);
    EXPECT_EQ(run({"--update", "c", c}), kExitDone);
    for (const auto& [name, count] : namesInBlocks())
        EXPECT_EQ(count, 1) << name;
    EXPECT_EQ(addressOf("shared.example"), "127.0.0.1");
    EXPECT_EQ(addressOf("only-b.example"), "0.0.0.0");
    // An update of every block keeps each one's address.
    EXPECT_EQ(run({"--update"}), kExitDone);
    EXPECT_EQ(out.str(), "Block a is up to date with " + a + "\nBlock b is up to date with " + b +
                             "\nBlock c is up to date with " + c + "\n");

    EXPECT_EQ(run({"--remove", "a", "--yes"}), kExitDone);
    expectAllBlocked(namesListed(readFile(b)), "b after removing a");
    expectAllBlocked(namesListed(readFile(c)), "c after removing a");
    EXPECT_EQ(addressOf("only-a.example"), "");
    // The block's lines: its markers, its source and update notes, its three names.
    EXPECT_EQ(out.str(), "Completed b from the copy kept of its list: 3 names (+2, -0)\nRemoved 7 lines in blocks "
                         "named a from " +
                             hosts + " (backup: " + hosts + ".bak)\n");
    EXPECT_EQ(run({"--remove", "b", "--yes"}), kExitDone);
    expectAllBlocked(namesListed(readFile(c)), "c after removing b");
    EXPECT_NE(readFile(hosts).find("10.0.0.5 nas\n#BEGIN of c\n"), std::string::npos);
    for (const auto& [name, count] : namesInBlocks())
        EXPECT_EQ(count, 1) << name;
}

// One changed list rebuilds its block and those after it from their lists; a block before it, whose
// list is the one it was made from, is kept line for line and its list is not read for its names. Every
// name still stands once and the user's own mapping still wins, and an update that does all the work
// afresh finds nothing to change in the result.
TEST_F(BlockListRunTest, OneChangedListRebuildsFromItsBlockOn) {
    environment.variables["XDG_CACHE_HOME"] = dir.file("cache");
    environment.variables["LOCALAPPDATA"] = dir.file("cache");
    const std::string a = list("a.txt", "one.example\ntwo.example\n");
    const std::string b = list("b.txt", "three.example\n");
    const std::string c = list("c.txt", "three.example\nfour.example\n");
    writeFile(hosts, kLocalhost + "10.0.0.5 nas\n");
    for (const auto& [name, path] : {std::pair{"a", a}, {"b", b}, {"c", c}})
        ASSERT_EQ(run({"--update", name, path}), kExitDone);
    ASSERT_EQ(run({"--update"}), kExitDone);
    const std::string before = readFile(hosts);
    const std::string blockA =
        before.substr(before.find("#BEGIN of a"), before.find("#BEGIN of b") - before.find("#BEGIN of a"));
    // b now lists a name of a, the name c holds, and the user's own.
    list("b.txt", "two.example\nfour.example\nnas\n");
    files.opened.clear();
    EXPECT_EQ(run({"--update"}), kExitDone);
    EXPECT_EQ(out.str(), "Block a is up to date with " + a +
                             "\nUpdated b: 1 name (+1, -1)\nUpdated c: 1 name (+1, -1)\n" + "Saved " + hosts +
                             " (backup: " + hosts + ".bak)\n");
    const std::string after = readFile(hosts);
    EXPECT_TRUE(after.starts_with(kLocalhost + "10.0.0.5 nas\n" + blockA + "#BEGIN of b")) << after;
    EXPECT_EQ(std::count(files.opened.begin(), files.opened.end(), a), 1) << "its bytes noted once";
    EXPECT_EQ(std::count(files.opened.begin(), files.opened.end(), c), 2) << "and its names read";
    EXPECT_EQ(addressOf("nas"), "10.0.0.5");
    EXPECT_EQ(addressOf("three.example"), "127.0.0.1") << "freed by b, taken by c";
    for (const auto& [name, count] : namesInBlocks())
        EXPECT_EQ(count, 1) << name;
    expectAllBlocked({"one.example", "two.example", "three.example", "four.example"}, "after b changed");

    for (const auto& entry : std::filesystem::directory_iterator(webListCacheFolder(environment)))
        std::filesystem::remove(entry.path());
    EXPECT_EQ(run({"--update"}), kExitDone);
    EXPECT_EQ(out.str(), "Block a is up to date with " + a + "\nBlock b is up to date with " + b +
                             "\nBlock c is up to date with " + c + "\n");
    EXPECT_EQ(readFile(hosts), after);
}

// The note an update keeps speaks of a list as it was before the update read it: a list rewritten
// just after is a changed list to the next update, which blocks what it now holds.
TEST_F(BlockListRunTest, AListChangedWhileAnUpdateRunsIsReadAgainByTheNext) {
    environment.variables["XDG_CACHE_HOME"] = dir.file("cache");
    environment.variables["LOCALAPPDATA"] = dir.file("cache");
    const std::string a = list("a.txt", "one.example\n");
    writeFile(hosts, kLocalhost);
    ASSERT_EQ(run({"--update", "a", a}), kExitDone);
    ASSERT_EQ(run({"--update"}), kExitDone);
    list("a.txt", "two.example\n");
    // Once the update has read the list for its block (its second opening, after the note's), the list
    // changes again, at the next read of any other file.
    bool rewritten = false;
    files.opened.clear();
    files.beforeRead = [&](int) {
        if (!rewritten && files.opened.back() != a && std::count(files.opened.begin(), files.opened.end(), a) == 2) {
            list("a.txt", "three.example\n");
            rewritten = true;
        }
    };
    EXPECT_EQ(run({"--update"}), kExitDone);
    files.beforeRead = nullptr;
    ASSERT_TRUE(rewritten);
    EXPECT_EQ(addressOf("two.example"), "127.0.0.1");
    EXPECT_EQ(run({"--update"}), kExitDone);
    EXPECT_EQ(out.str(), "Updated a: 1 name (+1, -1)\nSaved " + hosts + " (backup: " + hosts + ".bak)\n");
    EXPECT_EQ(addressOf("three.example"), "127.0.0.1");
}

// A block kept for want of its list holds its names whatever their letter case: a list after it does
// not write them again.
TEST_F(BlockListRunTest, ABlockKeptAsItIsHoldsItsNamesInAnyCase) {
    writeFile(hosts, kLocalhost + "#BEGIN of gone\n# source: " + dir.file("gone.txt") + "\n127.0.0.1 Ads.Example\n" +
                         "#END of gone\n");
    const std::string b = list("b.txt", "ads.example\nother.example\n");
    EXPECT_EQ(run({"--update", "b", b}), kExitDone);
    for (const auto& [name, count] : namesInBlocks())
        EXPECT_EQ(count, 1) << name;
    EXPECT_EQ(namesInBlocks().count("other.example"), 1u);
}

// A list's marker lines that do not pair up are no markers: an unclosed "#BEGIN of" merged from a list
// cannot make a later update take every line after it, the user's own included.
TEST_F(BlockListRunTest, AMergedListCannotOpenABlockOverTheUsersLines) {
    const std::string evil = list("evil.txt", "#BEGIN of ads\nads.example\n#END of other\nx.example\n");
    writeFile(hosts, kLocalhost);
    EXPECT_EQ(run({"--add", evil}), kExitDone);
    EXPECT_EQ(readFile(hosts), kLocalhost + "127.0.0.1 ads.example\n127.0.0.1 x.example\n");
    writeFile(hosts, readFile(hosts) + "10.0.0.5 nas\n");
    const std::string ads = list("ads.txt", "fresh.example\n");
    EXPECT_EQ(run({"--update", "ads", ads}), kExitDone);
    EXPECT_EQ(readFile(hosts),
              kLocalhost + "127.0.0.1 ads.example\n127.0.0.1 x.example\n10.0.0.5 nas\n#BEGIN of ads\n" +
                  "# source: " + ads + "\n" + kTestUpdated + "\n127.0.0.1 fresh.example\n#END of ads\n");
    // A sourced block with no end is left alone, and an update of it says why.
    writeFile(hosts, kLocalhost + "#BEGIN of ads\n# source: " + ads + "\nold.example\n10.0.0.5 nas\n");
    const std::string before = readFile(hosts);
    EXPECT_EQ(run({"--update", "ads", ads}), kExitFailed);
    EXPECT_EQ(readFile(hosts), before);
    EXPECT_EQ(ui.shown, Lines{"error:Block ads has no \"#END of ads\" line, so where it ends is unknown; it was left "
                              "as it was."});
}

// A second block of a name goes, its names now in the first; a block whose list is nowhere to be had
// stays as it is, and no other block writes its names again.
TEST_F(BlockListRunTest, BlocksOfOneNameAndBlocksWithoutTheirList) {
    const std::string a = list("a.txt", "a.example\nshared.example\n");
    const std::string gone = std::filesystem::absolute(dir.file("gone.txt")).lexically_normal().string();
    const auto block = [](const std::string& name, const std::string& source, const std::string& lines,
                          const std::string& notes = "") {
        return "#BEGIN of " + name + "\n# source: " + source + "\n" + notes + lines + "#END of " + name + "\n";
    };
    writeFile(hosts, block("kept", gone, "127.0.0.1 shared.example\nodd line kept\n") +
                         block("a", a, "127.0.0.1 old.example\n") + "10.0.0.5 nas\n" +
                         block("A", a, "127.0.0.1 twice.example\n"));
    EXPECT_EQ(run({"--update", "a", a}), kExitDone);
    EXPECT_EQ(readFile(hosts), block("kept", gone, "127.0.0.1 shared.example\nodd line kept\n") +
                                   block("a", a, "127.0.0.1 a.example\n", kTestUpdated + std::string("\n")) +
                                   "10.0.0.5 nas\n");
}

// A name the user maps to an address of their own stays theirs; a list that is no list is not taken
// and its block stays; a file:// address is its file.
TEST_F(BlockListRunTest, TheUsersOwnMappingAndRefusedListsStay) {
    writeFile(hosts, kLocalhost + "10.0.0.5 nas.example\n");
    const std::string lists = list("l.txt", "nas.example\nads.example\n");
    EXPECT_EQ(run({"--update", "l", "file://" + lists}), kExitDone);
    EXPECT_EQ(readFile(hosts), kLocalhost + "10.0.0.5 nas.example\n#BEGIN of l\n# source: " + lists + "\n" +
                                   kTestUpdated + "\n127.0.0.1 ads.example\n#END of l\n");
    EXPECT_NE(readFile(hosts).find("# source: " + lists + "\n"), std::string::npos);
    const std::string before = readFile(hosts);
    writeFile(lists, "<html><body>moved</body></html>\n");
    writeFile(hosts + ".bak", "older\n");
    EXPECT_EQ(run({"--update"}), kExitFailed);
    EXPECT_EQ(readFile(hosts) + readFile(hosts + ".bak"), before + "older\n");
    EXPECT_EQ(ui.shown, Lines{"error:The list " + lists +
                              " was not taken: not a list: it is a web page. Block l was "
                              "left as it was."});
}

} // namespace
