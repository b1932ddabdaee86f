// The modes that keep blocks up to date from the web, against a server the test starts on 127.0.0.1:
// an update replaces its block in place and leaves every other byte, a list the server calls unchanged
// saves nothing, a refused download changes nothing; a dry run writes nothing at all, a restore swaps
// the file and its backup, and the allowlist keeps its names out whatever their letter case.

#include "cli/BatchMode.h"
#include "support/FakeUserInterface.h"
#include "support/Lines.h"
#include "support/PosixHttpServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace velmora;
using velmora::test::HttpReply;
using velmora::test::HttpRequest;
using velmora::test::LocalHttpServer;
using velmora::test::readFile;
using velmora::test::writeFile;

namespace {

const std::string kBefore = "127.0.0.1 localhost\r\n\r\n  # by hand, spaces kept  \r\n10.0.0.1\tnas\r\n";
const std::string kOldAds = "#BEGIN of ads\r\n# source: old\r\n127.0.0.1 old.example\r\n#END of ads\r\n";
const std::string kAfter = "#BEGIN of ads2\r\n127.0.0.1 other.example\r\n#END of ads2\r\n127.0.0.1 KEEP.example\r\n"
                           "192.168.1.5 printer\r\n";
// A bare name, a name HOSTS has in other letter case, a comment, the list's own end marker.
const std::string kServed = "ads.example\r\nkeep.example\r\n# from the list\r\n#END of ads\r\n0.0.0.0 new.example\r\n";

class WebListRunTest : public test::DocumentFixture {
protected:
    WebListRunTest() {
        environment.variables["XDG_CACHE_HOME"] = dir.file("cache");
        document.setDownloader(&systemDownloader());
    }
    int run(const std::vector<std::string>& arguments) {
        out.str("");
        ui.shown.clear();
        return runBatchMode(parseCommandLine(arguments), document, out, err);
    }
    std::string newAds(const std::string& source) const {
        return "#BEGIN of ads\r\n# source: " + source +
               "\r\n127.0.0.1 ads.example\r\n# from the list\r\n0.0.0.0 new.example\r\n#END of ads\r\n";
    }
    HttpReply reply(const HttpRequest& request) {
        if (request.path == "/list") {
            if (request.header("If-None-Match") == "\"" + std::to_string(version) + "\"")
                return {304, "Not Modified", {}, "", false, false};
            return {200, "OK", {"ETag: \"" + std::to_string(version) + "\""}, served, true, false};
        }
        if (request.path == "/page")
            return {200, "OK", {"Content-Type: text/html"}, "<html><body>ads</body></html>", true, false};
        return {404, "Not Found", {}, "", true, false};
    }

    std::ostringstream out, err;
    std::string served = kServed;
    int version = 1;
    LocalHttpServer server{[this](const HttpRequest& request) { return reply(request); }};
    std::string list = server.address("/list");
};

} // namespace

// The block in the middle is replaced where it stands; the lines around it keep every byte, the block
// whose name only begins the same stays. Asked again, the server says not modified and nothing is saved;
// a changed list is taken.
TEST_F(WebListRunTest, UpdateReplacesTheBlockInPlace) {
    writeFile(hosts, kBefore + kOldAds + kAfter);
    EXPECT_EQ(run({"--update", "ads", list}), kExitDone);
    EXPECT_EQ(readFile(hosts), kBefore + newAds(list) + kAfter);
    EXPECT_EQ(out.str(), "Updated ads (3 lines) in " + hosts + " (backup: " + hosts + ".bak)\n");
    EXPECT_EQ(readFile(hosts + ".bak"), kBefore + kOldAds + kAfter);

    writeFile(hosts + ".bak", "older\r\n");
    EXPECT_EQ(run({"--update", "ads", list}), kExitDone);
    EXPECT_EQ(out.str(), "Block ads is up to date with " + list + "\n");
    EXPECT_EQ(readFile(hosts), kBefore + newAds(list) + kAfter);
    EXPECT_EQ(readFile(hosts + ".bak"), "older\r\n") << "nothing was saved";
    EXPECT_EQ(server.requests().back().header("If-None-Match"), "\"1\"");

    served = "fresh.example\r\n";
    version = 2;
    EXPECT_EQ(run({"--update", "ads", list}), kExitDone);
    EXPECT_EQ(readFile(hosts), kBefore + "#BEGIN of ads\r\n# source: " + list +
                                   "\r\n127.0.0.1 fresh.example\r\n#END of ads\r\n" + kAfter);
    EXPECT_EQ(ui.shown, test::Lines{});
}

// A download that fails, by the server's answer or by the limit, changes nothing and exits 1, in
// every mode that takes a list.
TEST_F(WebListRunTest, FailedDownloadChangesNothing) {
    const std::string refused = "http://127.0.0.1:" + std::to_string(LocalHttpServer::refusedPort()) + "/list";
    const struct {
        test::Lines arguments;
        std::string address, reason; // the reason's start
    } cases[] = {
        {{"--update", "ads", server.address("/gone")}, server.address("/gone"), "HTTP 404 Not Found"},
        {{"--update", "ads", list, "--max-size", "10"}, list, "larger than the limit of 10 bytes"},
        {{"--add", server.address("/page")}, server.address("/page"), "not a list: it is a web page"},
        {{"/add", refused}, refused, "Failed to connect"},
        {{"--update"}, server.address("/gone"), "HTTP 404 Not Found"},
    };
    const std::string before =
        kBefore + "#BEGIN of ads\r\n# source: " + server.address("/gone") + "\r\n#END of ads\r\n";
    for (const auto& c : cases) {
        writeFile(hosts, before);
        writeFile(hosts + ".bak", "older\r\n");
        EXPECT_EQ(run(c.arguments), kExitFailed) << c.arguments[0];
        ASSERT_EQ(ui.shown.size(), 1u) << c.arguments[0];
        EXPECT_TRUE(ui.shown[0].starts_with("error:The list " + c.address + " could not be downloaded: " + c.reason))
            << ui.shown[0];
        EXPECT_EQ(readFile(hosts), before);
        EXPECT_EQ(readFile(hosts + ".bak"), "older\r\n");
        EXPECT_EQ(out.str(), "");
    }
}

// Without arguments every block that notes its source is updated, from the web or from a file, in one
// save; a block without a source stays, and --blocks lists them all, each to the end marker of its own
// name. A block not there yet goes last.
TEST_F(WebListRunTest, UpdateEveryBlockWithASource) {
    writeFile(listPath, "from-file.example\r\n");
    writeFile(hosts, "#BEGIN of web\r\n# source: " + list +
                         "\r\n#END of web\r\n#BEGIN of hand\r\nx\r\n#END of another\r\n#END of hand\r\n" +
                         "#BEGIN of file\r\n# source: " + listPath +
                         "\r\n127.0.0.1 a\r\n127.0.0.1 b\r\n#END of file\r\n");
    served = "w.example\r\n";
    EXPECT_EQ(run({"--update"}), kExitDone);
    const std::string updated =
        "#BEGIN of web\r\n# source: " + list + "\r\n127.0.0.1 w.example\r\n#END of web\r\n" +
        "#BEGIN of hand\r\nx\r\n#END of another\r\n#END of hand\r\n#BEGIN of file\r\n# source: " + listPath +
        "\r\n127.0.0.1 from-file.example\r\n#END of file\r\n";
    EXPECT_EQ(readFile(hosts), updated);
    EXPECT_EQ(out.str(), "Updated web (1 line), file (1 line) in " + hosts + " (backup: " + hosts + ".bak)\n");
    EXPECT_EQ(run({"--blocks"}), kExitDone);
    EXPECT_EQ(out.str(), "web\t1\t" + list + "\nhand\t2\t-\nfile\t1\t" + listPath + "\n");
    EXPECT_EQ(run({"--update", "more", list}), kExitDone);
    EXPECT_EQ(readFile(hosts), updated + "#BEGIN of more\r\n# source: " + list + "\r\n#END of more\r\n")
        << "its one line is already in the block web";
}

// A dry run of each mode prints what would change and writes nothing: not the file, not its time, no
// backup and no lock beside it.
TEST_F(WebListRunTest, DryRunWritesNothing) {
    const std::string before = kBefore + kOldAds + kAfter;
    writeFile(hosts, before);
    const auto written = std::filesystem::last_write_time(hosts);
    const struct {
        test::Lines arguments;
        std::string out;
    } cases[] = {
        {{"--dry-run", "--update", "ads", list},
         "-# source: old\n-127.0.0.1 old.example\n+# source: " + list +
             "\n+127.0.0.1 ads.example\n+# from the list\n+0.0.0.0 new.example\n"
             "Dry run: 4 lines would be added to and 2 lines removed from " +
             hosts + "; nothing was saved\n"},
        {{"--remove", "ads", "--diff"},
         "--- " + hosts + "\n+++ " + hosts +
             " (after)\n@@ -2,12 +2,5 @@\n \n   # by hand, spaces kept  \n"
             " 10.0.0.1\tnas\n-#BEGIN of ads\n-# source: old\n-127.0.0.1 old.example\n-#END of ads\n"
             "-#BEGIN of ads2\n-127.0.0.1 other.example\n-#END of ads2\n 127.0.0.1 KEEP.example\n"
             " 192.168.1.5 printer\n"
             "Dry run: 0 lines would be added to and 7 lines removed from " +
             hosts + "; nothing was saved\n"},
        {{"--add", list, "--dry-run"}, ""},
        {{"--removeall", "--dry-run"}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.arguments), kExitDone) << c.arguments[0];
        if (!c.out.empty()) {
            EXPECT_EQ(out.str(), c.out);
        }
        EXPECT_NE(out.str().find("; nothing was saved\n"), std::string::npos);
        EXPECT_EQ(readFile(hosts), before);
        EXPECT_EQ(std::filesystem::last_write_time(hosts), written);
        EXPECT_FALSE(std::filesystem::exists(hosts + ".bak"));
        EXPECT_FALSE(std::filesystem::exists(dir.file(".hosts.velmora-lock")));
        EXPECT_EQ(ui.shown, test::Lines{}) << "nothing is asked";
    }
}

// Restore swaps the file and its backup through the save; declined, or without a backup, nothing
// changes.
TEST_F(WebListRunTest, RestoreSwapsWithTheBackup) {
    writeFile(hosts, "now\r\n");
    writeFile(hosts + ".bak", "before\r\n");
    ui.answers = {Answer::No};
    EXPECT_EQ(run({"--restore"}), kExitDone);
    EXPECT_EQ(readFile(hosts), "now\r\n");
    EXPECT_EQ(run({"--restore", "--yes"}), kExitDone);
    EXPECT_EQ(readFile(hosts) + readFile(hosts + ".bak"), "before\r\nnow\r\n");
    EXPECT_EQ(out.str(), "Restored " + hosts + " from " + hosts + ".bak, which now holds what it replaced\n");
    std::filesystem::remove(hosts + ".bak");
    EXPECT_EQ(run({"--restore", "--yes"}), kExitFailed);
    EXPECT_EQ(ui.shown, test::Lines{"error:There is no backup to restore: " + hosts + ".bak is missing or empty. " +
                                    hosts + " was left as it was."});
    EXPECT_EQ(readFile(hosts), "before\r\n");
}

// Names in the allowlist are kept out of a merge and an update whatever their letter case, also as
// one of several names on a line, and each run says how many lines it kept out. A named allowlist
// that is not there stops the run before anything changes.
TEST_F(WebListRunTest, AllowListKeepsNamesOut) {
    const std::string allow = dir.file("allow.txt");
    writeFile(allow, "# never blocked\r\nADS.Example\r\n0.0.0.0 Tracker.EXAMPLE\r\n");
    writeFile(hosts, "127.0.0.1 localhost\r\n");
    writeFile(listPath, "aDs.example\r\n127.0.0.1 x.example tracker.example\r\nok.example\r\n");
    EXPECT_EQ(run({"--add", listPath, "--allow", allow}), kExitDone);
    EXPECT_EQ(readFile(hosts), "127.0.0.1 localhost\r\n127.0.0.1 ok.example\r\n");
    EXPECT_EQ(out.str(), "Merged 1 new line from " + listPath + " into " + hosts + " (backup: " + hosts +
                             ".bak)\nKept out 2 lines naming hosts in the allowlist " + allow + "\n");

    environment.variables["VELMORA_ALLOW"] = allow;
    EXPECT_EQ(run({"--update", "ads", list}), kExitDone);
    EXPECT_EQ(readFile(hosts), "127.0.0.1 localhost\r\n127.0.0.1 ok.example\r\n#BEGIN of ads\r\n# source: " + list +
                                   "\r\n127.0.0.1 keep.example\r\n# from the list\r\n0.0.0.0 new.example\r\n"
                                   "#END of ads\r\n");
    EXPECT_NE(out.str().find("\nKept out 1 line naming hosts in the allowlist " + allow + "\n"), std::string::npos);

    const std::string saved = readFile(hosts);
    environment.variables["VELMORA_ALLOW"] = dir.file("none.txt");
    EXPECT_EQ(run({"--add", listPath}), kExitFailed);
    EXPECT_EQ(ui.shown, test::Lines{"error:The allowlist " + dir.file("none.txt") +
                                    " could not be read: No such file or directory"});
    EXPECT_EQ(readFile(hosts), saved);
}
