// Blocks switched off and on from the command line, on files as they are saved: the same bytes come
// back, a switched-off block blocks nothing as the resolver reads the file, and an update keeps it off.
#include "cli/BatchMode.h"
#include "support/FakeUserInterface.h"
#include "support/HostsTable.h"
#include "support/Lines.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sstream>

using namespace velmora;
using namespace velmora::test;

namespace {

class BlockSwitchRunTest : public DocumentFixture {
protected:
    BlockSwitchRunTest() { document.setLineConvention(LineConvention::Posix); }
    int run(const Lines& arguments) {
        out.str("");
        err.str("");
        ui.shown.clear();
        return runBatchMode(parseCommandLine(arguments), document, out, err);
    }
    std::string list(const std::string& name, const std::string& bytes) {
        const std::string path = dir.file(name);
        writeFile(path, bytes);
        // A block notes its list by its full path, in the system's own form.
        return std::filesystem::absolute(path).lexically_normal().string();
    }
    std::string addressOf(const std::string& name) { return std::string(ResolverTable(readFile(hosts)).find(name)); }
    std::string saved(const std::string& what) { return what + " in " + hosts + " (backup: " + hosts + ".bak)\n"; }

    std::ostringstream out, err;
};

// A file with a block of the user's own and two blocks kept from lists that share a name, in both line
// conventions: switching each block off makes its names unknown to the resolver (a name another list
// switched on has stays blocked, in that list's block), switching it off again changes nothing at all,
// and switching it on gives back the file byte for byte.
TEST_F(BlockSwitchRunTest, OffAndOnGiveBackTheSameBytes) {
    const std::string a = list("a.txt", "shared.example\nonly-a.example\n");
    const std::string b = list("b.txt", "0.0.0.0 shared.example only-b.example\n");
    for (const std::string end : {"\n", "\r\n"}) {
        document.setLineConvention(end == "\n" ? LineConvention::Posix : LineConvention::Windows);
        const auto text = [&](const Lines& lines) {
            std::string bytes;
            for (const std::string& line : lines)
                bytes += line + end;
            return bytes;
        };
        writeFile(hosts, text({"127.0.0.1 localhost", "#BEGIN of lan", "10.0.0.5 nas.example", "", "  # printer",
                               "10.0.0.6 printer.example", "#END of lan", "# mine", ""}));
        ASSERT_EQ(run({"--update", "a", a}), kExitDone);
        ASSERT_EQ(run({"--update", "b", b, "--address", "0.0.0.0"}), kExitDone);
        const std::string before = readFile(hosts);
        ASSERT_EQ(before.find("\r\n") != std::string::npos, end == "\r\n");
        ASSERT_EQ(addressOf("shared.example"), "127.0.0.1");

        const std::pair<std::string, Lines> blocks[] = {
            {"lan", {"nas.example", "printer.example"}}, {"a", {"only-a.example"}}, {"b", {"only-b.example"}}};
        for (const auto& [name, only] : blocks) {
            EXPECT_EQ(run({"--disable", name}), kExitDone) << name;
            const std::string off = readFile(hosts);
            EXPECT_NE(off, before) << name;
            EXPECT_EQ(readFile(hosts + ".bak"), before) << name;
            for (const std::string& host : only)
                EXPECT_EQ(addressOf(host), "") << name << " " << host;
            EXPECT_TRUE(isBlockingAddressText(addressOf("shared.example"))) << name;
            const auto count = [&off](const std::string& what) {
                size_t n = 0;
                for (size_t at = off.find(what); at != std::string::npos; at = off.find(what, at + 1))
                    ++n;
                return n;
            };
            EXPECT_EQ(count("\n"), count(end)) << "every line ends as the file's lines do: " << name;

            EXPECT_EQ(run({"--disable", name}), kExitDone) << name;
            EXPECT_EQ(out.str(), "Block " + name + " is already switched off in " + hosts +
                                     "; it and its backup were left as they were\n");
            EXPECT_EQ(readFile(hosts) + readFile(hosts + ".bak"), off + before) << name;

            EXPECT_EQ(run({"--enable", name}), kExitDone) << name;
            EXPECT_EQ(readFile(hosts), before) << name << (end == "\n" ? " LF" : " CR LF");
        }
    }
}

// The blocks kept from lists after a list switched off: its names another list has are written in that
// list's block, and taken out again when it is switched on; the run says how.
TEST_F(BlockSwitchRunTest, SwitchingCompletesTheOtherLists) {
    const std::string a = list("a.txt", "shared.example\nonly-a.example\n");
    const std::string b = list("b.txt", "shared.example\nonly-b.example\n");
    writeFile(hosts, "127.0.0.1 localhost\n");
    ASSERT_EQ(run({"--update", "a", a}), kExitDone);
    ASSERT_EQ(run({"--update", "b", b}), kExitDone);
    EXPECT_EQ(run({"--disable", "a"}), kExitDone);
    EXPECT_EQ(out.str(),
              "Completed b from the copy kept of its list: 2 names (+1, -0)\n" + saved("Switched off block a"));
    EXPECT_EQ(run({"--enable", "A"}), kExitDone);
    EXPECT_EQ(out.str(),
              "Completed b from the copy kept of its list: 1 name (+0, -1)\n" + saved("Switched on block A"));
}

// An update keeps a switched-off block off while it takes the list's names into it, and says so; an
// update of every block too. --blocks tells the state and the last update.
TEST_F(BlockSwitchRunTest, UpdatesKeepABlockOff) {
    const std::string a = list("a.txt", "one.example\n");
    writeFile(hosts, "127.0.0.1 localhost\n");
    ASSERT_EQ(run({"--update", "a", a}), kExitDone);
    ASSERT_EQ(run({"--disable", "a"}), kExitDone);
    writeFile(a, "one.example\ntwo.example\n");
    EXPECT_EQ(run({"--update", "a", a}), kExitDone);
    const std::string off = "127.0.0.1 localhost\n#BEGIN of a\n# source: " + a + "\n" + kTestUpdated +
                            "\n# state: off\n#off 127.0.0.1 one.example\n#off 127.0.0.1 two.example\n#END of a\n";
    EXPECT_EQ(readFile(hosts), off);
    EXPECT_EQ(out.str(),
              "Updated a (switched off): 2 names (+1, -0)\nSaved " + hosts + " (backup: " + hosts + ".bak)\n");
    EXPECT_EQ(addressOf("two.example"), "");
    writeFile(a, "two.example\n");
    EXPECT_EQ(run({"--update"}), kExitDone);
    EXPECT_NE(readFile(hosts).find("# state: off\n#off 127.0.0.1 two.example\n#END of a\n"), std::string::npos);

    writeFile(hosts, readFile(hosts) + "#BEGIN of lan\n10.0.0.5 nas.example\n#END of lan\n");
    EXPECT_EQ(run({"--blocks"}), kExitDone);
    EXPECT_EQ(out.str(), "a\t1\t" + a + "\toff\t2026-12-06T05:02:03Z\nlan\t1\t-\ton\t-\n");
}

// A name with no block is a mistake a script must see; a block without its end is left alone, and a
// dry run shows the change and writes nothing.
TEST_F(BlockSwitchRunTest, RefusalsAndDryRuns) {
    const std::string before = "127.0.0.1 localhost\n#BEGIN of lan\n10.0.0.5 nas\n#END of lan\n#BEGIN of open\nx\n";
    writeFile(hosts, before);
    EXPECT_EQ(run({"--disable", "wan"}), kExitFailed);
    EXPECT_EQ(err.str(), "velmora: no block named wan in " + hosts + "; it and its backup were left as they were\n");
    EXPECT_EQ(run({"--enable", "open"}), kExitFailed);
    EXPECT_EQ(ui.shown, Lines{"error:Block open has no \"#END of open\" line, so where it ends is unknown; it was "
                              "left as it was."});
    EXPECT_EQ(run({"--disable", "lan", "--dry-run"}), kExitDone);
    EXPECT_EQ(out.str(), "-10.0.0.5 nas\n+# state: off\n+#off 10.0.0.5 nas\nDry run: 2 lines would be added to and "
                         "1 line removed from " +
                             hosts + "; nothing was saved\n");
    EXPECT_EQ(readFile(hosts), before);
    EXPECT_FALSE(std::filesystem::exists(hosts + ".bak"));
}

} // namespace
