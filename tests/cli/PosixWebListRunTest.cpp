// The modes that keep blocks up to date from the web, against a server the test starts on 127.0.0.1:
// an update replaces its block in place with its names and leaves every other byte, a list the server
// calls unchanged saves nothing, a refused download or an answer that is no list changes nothing; a dry
// run writes nothing at all, a restore swaps the file and its backup, and the allowlist keeps its
// names out whatever their letter case.

#include "cli/BatchMode.h"
#include "support/FakeUserInterface.h"
#include "support/HostsTable.h"
#include "support/HttpServer.h"
#include "support/Lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

using namespace velmora;
using namespace velmora::test;

namespace {

const std::string kBefore = "127.0.0.1 localhost\r\n\r\n  # by hand, spaces kept  \r\n10.0.0.1\tnas\r\n";
const std::string kOldAds = "#BEGIN of ads\r\n# source: old\r\n127.0.0.1 old.example\r\n#END of ads\r\n";
const std::string kAfter = "#BEGIN of ads2\r\n127.0.0.1 other.example\r\n#END of ads2\r\n127.0.0.1 KEEP.example\r\n"
                           "192.168.1.5 printer\r\n";
// A bare name, a name HOSTS has in other letter case, a comment, the list's own end marker.
const std::string kServed = "ads.example\r\nkeep.example\r\n# from the list\r\n#END of ads\r\n0.0.0.0 new.example\r\n";

class WebListRunTest : public DocumentFixture {
protected:
    WebListRunTest() {
        environment.variables["XDG_CACHE_HOME"] = dir.file("cache");
        document.setDownloader(&systemDownloader());
    }
    int run(const Lines& arguments) {
        out.str("");
        ui.shown.clear();
        return runBatchMode(parseCommandLine(arguments), document, out, err);
    }
    // A block as written by hand, or (updated) as an update writes it, with the time it changed.
    std::string block(const std::string& name, const std::string& source, const std::string& lines,
                      bool updated = false) const {
        return "#BEGIN of " + name + "\r\n# source: " + source + "\r\n" +
               (updated ? kTestUpdated + std::string("\r\n") : "") + lines + "#END of " + name + "\r\n";
    }
    HttpReply reply(const HttpRequest& request) {
        const std::string& path = request.path;
        const std::string etag = "\"" + std::to_string(version) + "\"";
        asked = request.header("If-None-Match");
        ++requests;
        if (duringDownload)
            duringDownload();
        if (path == "/list" && asked == etag)
            return {304, "Not Modified", {}, "", false, false};
        if (path == "/list")
            return {200, "OK", {"ETag: " + etag}, served, true, false};
        if (path.starts_with("/hop")) // /hop1 to /hop3, then the list
            return {302, "Found", {"Location: " + (path == "/hop3" ? "/list" : "/hop" + std::string(1, path[4] + 1))}};
        if (path == "/loop")
            return {302, "Found", {"Location: /loop"}};
        if (path.starts_with("/big")) // with its length, and without
            return {200, "OK", {}, std::string(5000, 'a') + "\r\n", path == "/big", false};
        if (path == "/page")
            return {200, "OK", {}, "\r\n <!DOCTYPE html><html></html>", true, false};
        if (path == "/empty")
            return {200, "OK", {}, " \r\n", true, false};
        if (path == "/window")
            return {200, "OK", {}, "window.example\n", true, false};
        if (const auto it = bodies.find(path); it != bodies.end())
            return {200,        "OK", path.ends_with(".gz") ? Lines{"Content-Encoding: gzip"} : Lines{},
                    it->second, true, false};
        if (path == "/stall")
            return {200, "OK", {}, std::string(100, 'b'), true, true};
        return {404, "Not Found", {}, "", true, false};
    }

    std::ostringstream out, err;
    std::map<std::string, std::string> bodies; // more answers, by path
    std::function<void()> duringDownload;      // run as a request comes in
    std::string served = kServed, asked;
    int version = 1;
    std::atomic<int> requests{0};
    LocalHttpServer server{[this](const HttpRequest& request) { return reply(request); }};
    std::string list = server.address("/list");
    std::string newAds =
        block("ads", list, "127.0.0.1 ads.example\r\n127.0.0.1 keep.example\r\n127.0.0.1 new.example\r\n", true);
    std::string saved() const { return "Saved " + hosts + " (backup: " + hosts + ".bak)\n"; }
    // The copy kept of the one list downloaded so far.
    std::string keptCopy() const {
        for (const auto& entry : std::filesystem::directory_iterator(dir.file("cache/velmora")))
            if (entry.path().extension() == ".list")
                return entry.path().string();
        return {};
    }
};

} // namespace

// The block in the middle is replaced where it stands, with the list's names and nothing else of it;
// the lines around it keep every byte, the block whose name only begins the same stays. Asked again,
// the server says not modified and nothing is saved; a changed list is taken. The window's merge keeps
// a list from the web as the block named by its address.
TEST_F(WebListRunTest, UpdateReplacesTheBlockInPlace) {
    writeFile(hosts, kBefore + kOldAds + kAfter);
    EXPECT_EQ(run({"--update", "ads", list}), kExitDone);
    EXPECT_EQ(readFile(hosts), kBefore + newAds + kAfter);
    EXPECT_EQ(out.str(), "Updated ads: 3 names (+3, -1)\n" + saved());
    EXPECT_EQ(ui.events[1], "title:Downloading " + list + "...");

    writeFile(hosts + ".bak", "older\r\n");
    EXPECT_EQ(run({"--update", "ads", list}), kExitDone);
    EXPECT_EQ(asked, "\"1\"");
    EXPECT_EQ(out.str(), "Block ads is up to date with " + list + "\n");
    EXPECT_EQ(readFile(hosts) + readFile(hosts + ".bak"), kBefore + newAds + kAfter + "older\r\n");

    served = "fresh.example\r\n";
    version = 2;
    EXPECT_EQ(run({"--update", "ads", list}), kExitDone);
    EXPECT_EQ(readFile(hosts), kBefore + block("ads", list, "127.0.0.1 fresh.example\r\n", true) + kAfter);
    EXPECT_EQ(ui.shown, Lines{});

    const std::string window = server.address("/window");
    document.setSourcePath(window);
    EXPECT_EQ(document.merge().linesAdded, 1);
    EXPECT_EQ(linesOf(document.addedLines()), Lines{"127.0.0.1 window.example"});
    EXPECT_EQ(document.lines().text(document.lines().count() - 5), "#BEGIN of " + window);
}

// A list downloaded for a block is read once: the block is made from the names read when the download
// was checked, before it was kept. A copy kept that was replaced since, an allowlist changed since, or
// the machine renamed since (its own name is never blocked) has the list read again.
TEST_F(WebListRunTest, ADownloadedListIsReadOnce) {
    writeFile(hosts, kBefore);
    EXPECT_EQ(run({"--update", "ads", list}), kExitDone);
    EXPECT_EQ(readFile(hosts), kBefore + newAds);
    served = "fresh.example\r\n";
    version = 2;
    files.opened.clear();
    EXPECT_EQ(run({"--update", "ads", list}), kExitDone);
    EXPECT_EQ(std::count(files.opened.begin(), files.opened.end(), keptCopy()), 0);
    EXPECT_EQ(readFile(hosts), kBefore + block("ads", list, "127.0.0.1 fresh.example\r\n", true));

    auto blockNames = [&] {
        Lines names;
        for (const std::string& line : linesOf(document.lines()))
            if (line.starts_with("127.0.0.1 ") && line.ends_with(".example") && line != "127.0.0.1 localhost")
                names.push_back(line.substr(10));
        return names;
    };
    // A new version downloaded for the block, then `between`, then the block made: the names it holds.
    auto downloadedThen = [&](int next, const std::string& body,
                              const std::function<void(const std::string&)>& between) {
        version = next;
        served = body;
        const WebListResult fetched = document.fetchList(list, true);
        EXPECT_EQ(fetched.status, WebListStatus::Fresh);
        between(fetched.path);
        document.updateBlocks({BlockRequest{"ads", list, {}, fetched.path}});
        return blockNames();
    };
    const auto replaced = [&](const std::string& path) {
        writeFile(path + ".new", "other.example\r\n");
        std::filesystem::rename(path + ".new", path);
    };
    EXPECT_EQ(downloadedThen(3, "third.example\r\n", replaced), Lines{"other.example"});
    const auto allowed = [&](const std::string&) {
        AllowList allow;
        allow.addText("allowed.example\n");
        document.setAllowList(std::move(allow));
    };
    EXPECT_EQ(downloadedThen(4, "fourth.example\r\nallowed.example\r\n", allowed), Lines{"fourth.example"});
    const auto renamed = [&](const std::string&) { environment.host = "renamed.example"; };
    EXPECT_EQ(downloadedThen(5, "fifth.example\r\nrenamed.example\r\n", renamed), Lines{"fifth.example"});
}

// A download that fails, by the server's answer, by what it sent or by a limit, changes nothing and
// exits 1, in every mode that takes a list, and says why in one line.
TEST_F(WebListRunTest, FailedDownloadChangesNothing) {
    const auto at = [&](const std::string& path) { return server.address(path); };
    const std::string refused = "http://127.0.0.1:" + std::to_string(LocalHttpServer::refusedPort()) + "/list";
    const std::pair<Lines, std::string> cases[] = {
        {{"--update", "ads", at("/gone")}, at("/gone") + ": HTTP 404 Not Found"},
        {{"--update"}, at("/gone") + ": HTTP 404 Not Found"},
        {{"--update", "ads", at("/big"), "--max-size", "1000"}, at("/big") + ": larger than the limit of 1000 bytes"},
        {{"--add", at("/big-unsized"), "--max-size=1k"}, at("/big-unsized") + ": larger than the limit of 1024 bytes"},
        {{"--add", at("/page")}, at("/page") + ": not a list: it is a web page"},
        {{"--add", at("/empty")}, at("/empty") + ": not a list: the answer was empty"},
        {{"--update", "ads", at("/loop")}, at("/loop") + ": Maximum (10) redirects followed"},
        {{"--update", "ads", at("/stall"), "--timeout", "1"}, at("/stall") + ": Operation timed out"},
        {{"--update", "ads", at("/stall"), "--stall", "1"},
         at("/stall") + ": nothing came for 1 second, so it was given up"},
        {{"/add", refused}, refused + ": Failed to connect"},
    };
    const std::string before = kBefore + block("ads", at("/gone"), "");
    for (const auto& [arguments, message] : cases) {
        writeFile(hosts, before);
        writeFile(hosts + ".bak", "older\r\n");
        EXPECT_EQ(run(arguments), kExitFailed) << arguments[0];
        ASSERT_EQ(ui.shown.size(), 1u) << arguments[0];
        const size_t colon = message.find(": ", 12);
        EXPECT_TRUE(ui.shown[0].starts_with("error:The list " + message.substr(0, colon) + " could not be downloaded" +
                                            message.substr(colon)))
            << ui.shown[0];
        EXPECT_EQ(readFile(hosts) + readFile(hosts + ".bak") + out.str(), before + "older\r\n");
        // What came of the body before it was refused is not left beside the kept copies.
        if (std::filesystem::exists(dir.file("cache/velmora"))) {
            for (const auto& entry : std::filesystem::directory_iterator(dir.file("cache/velmora"))) {
                EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();
            }
        }
    }
    // Nor is a download kept where another user could swap it, or a folder on the way to it, before it
    // is read.
    std::filesystem::create_directory(dir.file("cache"));
    std::filesystem::permissions(dir.file("cache"), std::filesystem::perms::all);
    EXPECT_EQ(run({"--add", list}), kExitFailed);
    EXPECT_EQ(ui.shown, Lines{"error:The list " + list + " could not be downloaded: any user may change the folder " +
                              dir.file("cache") + "; set XDG_CACHE_HOME to a folder of your own"});
    EXPECT_EQ(readFile(hosts), before);
}

// What a server sends that is no block list is refused, and neither the HOSTS file, its backup nor the
// copy kept of the list changes: a list that sends names elsewhere, a web page after a byte-order mark,
// binary data, damaged gzip, gzip that swells past the limit. A gzip body (with its header or without)
// is read as its text, every kind of line of it as a block list takes it.
TEST_F(WebListRunTest, AnswersThatAreNoListChangeNothing) {
    std::string binary;
    for (int i = 0; i < 900; ++i)
        binary += static_cast<char>((i * 131 + i / 7) % 256);
    const std::string mixed = "# kinds\n0.0.0.0 a.example b.example # two\n203.0.113.5 login.bank.example\n"
                              "127.0.0.1 localhost\n||c.example^\n||d.example^$third-party\n1drv.example\n";
    bodies = {
        {"/hijack", "203.0.113.5 login.bank.example\n203.0.113.5 www.bank.example\n"},
        {"/bom-page", "\xEF\xBB\xBF<!DOCTYPE html>\n<html><body>\nstyle\n</body></html>\n"},
        {"/binary", binary},
        {"/damaged", gzipped(mixed).substr(0, 20)},
        {"/swollen", gzipped(std::string(4000, '#') + "\na.example\n")},
        {"/mixed.gz", gzipped(mixed)},
    };
    const auto at = [&](const std::string& path) { return server.address(path); };
    writeFile(hosts, kBefore);
    ASSERT_EQ(run({"--update", "ads", list}), kExitDone);
    const std::string before = readFile(hosts);
    auto keptCopies = [&] {
        std::string all;
        for (const auto& entry : std::filesystem::directory_iterator(dir.file("cache/velmora")))
            all += readFile(entry.path().string());
        return all;
    };
    const std::string kept = keptCopies();
    const std::pair<std::string, std::string> refused[] = {
        {"/hijack", "not a list: it names no host to block (2 lines send names to other addresses)"},
        {"/bom-page", "not a list: it is a web page"},
        {"/binary", "not a list: only "},
        {"/damaged", "not a list: its gzip data is damaged"},
        {"/swollen", "larger than the limit of 1000 bytes once decompressed"},
    };
    for (const auto& [path, message] : refused) {
        writeFile(hosts + ".bak", "older\r\n");
        EXPECT_EQ(run({"--update", "ads", at(path), "--max-size", "1000"}), kExitFailed) << path;
        ASSERT_EQ(ui.shown.size(), 1u) << path;
        EXPECT_TRUE(ui.shown[0].starts_with("error:The list " + at(path) + " could not be downloaded: " + message))
            << ui.shown[0];
        EXPECT_EQ(readFile(hosts) + readFile(hosts + ".bak"), before + "older\r\n") << path;
    }
    EXPECT_EQ(keptCopies(), kept);

    EXPECT_EQ(run({"--update", "mixed", at("/mixed.gz")}), kExitDone);
    EXPECT_EQ(readFile(hosts), before + block("mixed", at("/mixed.gz"),
                                              "127.0.0.1 a.example\r\n127.0.0.1 b.example\r\n"
                                              "127.0.0.1 c.example\r\n127.0.0.1 1drv.example\r\n",
                                              true));
    EXPECT_EQ(out.str(), "Updated mixed: 4 names (+4, -0), 1 skipped (other addresses), 1 skipped (never blocked), "
                         "1 skipped (rules for only some uses of a name)\n" +
                             saved());
}

// Without arguments every block that notes its source is updated, from the web or from a file, in one
// save; a block without a source stays, and --blocks lists them all, each to the end marker of its own
// name. A block not there yet goes last.
TEST_F(WebListRunTest, UpdateEveryBlockWithASource) {
    writeFile(listPath, "from-file.example\r\n");
    const std::string hand = "#BEGIN of hand\r\nx\r\n#END of another\r\n#END of hand\r\n";
    const std::string hop = server.address("/hop1"); // redirected three times to the list
    writeFile(hosts, block("web", hop, "") + hand + block("file", listPath, "127.0.0.1 a\r\n127.0.0.1 b\r\n"));
    // Lines that are no host name go as the block is rebuilt from its list.
    served = "w.example\r\n";
    EXPECT_EQ(run({"--update"}), kExitDone);
    const std::string updated = block("web", hop, "127.0.0.1 w.example\r\n", true) + hand +
                                block("file", listPath, "127.0.0.1 from-file.example\r\n", true);
    EXPECT_EQ(readFile(hosts), updated);
    EXPECT_EQ(out.str(), "Updated web: 1 name (+1, -0)\nUpdated file: 1 name (+1, -2)\n" + saved());
    EXPECT_EQ(run({"--blocks"}), kExitDone);
    const std::string when = std::string(kTestUpdated).substr(std::string("# updated: ").size());
    EXPECT_EQ(out.str(), "web\t1\t" + hop + "\ton\t" + when + "\nhand\t2\t-\ton\t-\nfile\t1\t" + listPath + "\ton\t" +
                             when + "\n");
    EXPECT_EQ(run({"--update", "more", list}), kExitDone);
    EXPECT_EQ(readFile(hosts), updated + block("more", list, "", true)) << "its one line is already in the block web";
    // A merge reads HOSTS again and keeps every line of it, the blocks' sources too.
    writeFile(listPath, "new.example\r\n");
    EXPECT_EQ(run({"--add", listPath}), kExitDone);
    EXPECT_NE(readFile(hosts).find("#BEGIN of web\r\n# source: " + hop + "\r\n"), std::string::npos);
    // A list given by a relative path is noted by its full one; a block noting a relative path is left
    // alone, since an update may run in any folder.
    const std::string relative = std::filesystem::relative(listPath).string();
    EXPECT_EQ(run({"--update", "rel", relative}), kExitDone);
    EXPECT_NE(readFile(hosts).find("#BEGIN of rel\r\n# source: " + listPath + "\r\n"), std::string::npos);
    writeFile(hosts, block("old", relative, ""));
    EXPECT_EQ(run({"--update"}), kExitFailed);
    EXPECT_EQ(readFile(hosts), block("old", relative, ""));
}

// An update that finds every list as the last update left it reads the HOSTS file once, parses no list
// and writes nothing: not the file, not its time, not the backup. Anything else the blocks depend on
// brings the work back: the file edited by hand, the allowlist, a list's bytes (of the same size), the
// address asked for; and one changed list changes its own block only.
TEST_F(WebListRunTest, UnchangedListsCostOneReadOfTheFile) {
    writeFile(listPath, "from-file.example\r\n");
    writeFile(hosts, kBefore + block("ads", list, "") + block("file", listPath, ""));
    EXPECT_EQ(run({"--update"}), kExitDone);
    const std::string adsBlock =
        block("ads", list, "127.0.0.1 ads.example\r\n127.0.0.1 keep.example\r\n127.0.0.1 new.example\r\n", true);
    const std::string fileBlock = block("file", listPath, "127.0.0.1 from-file.example\r\n", true);
    const std::string updated = kBefore + adsBlock + fileBlock;
    ASSERT_EQ(readFile(hosts), updated);
    const std::string upToDate =
        "Block ads is up to date with " + list + "\nBlock file is up to date with " + listPath + "\n";
    auto opened = [&](const std::string& path) { return std::count(files.opened.begin(), files.opened.end(), path); };
    auto untouched = [&](const Lines& arguments) {
        writeFile(hosts + ".bak", "older\r\n");
        const auto written = std::filesystem::last_write_time(hosts);
        files.opened.clear();
        requests = 0;
        EXPECT_EQ(run(arguments), kExitDone);
        EXPECT_EQ(out.str(), upToDate);
        EXPECT_EQ(requests, 1) << "asked once, while the file was read";
        EXPECT_EQ(opened(keptCopy()), 0) << "the copy the server calls current is known by the file it is";
        EXPECT_EQ(readFile(hosts + ".bak"), "older\r\n");
        EXPECT_EQ(std::filesystem::last_write_time(hosts), written);
        EXPECT_EQ(opened(hosts), 1);
        EXPECT_EQ(opened(listPath), 1) << "its bytes are compared, not its names read";
    };
    untouched({"--update"});
    EXPECT_EQ(asked, "\"1\"");
    untouched({"--update"});

    // By hand: the block loses a line and gets it back, though its list is as it was; also when the
    // file changes while the lists are being asked for, after the update first read it.
    writeFile(hosts, kBefore + adsBlock + block("file", listPath, ""));
    EXPECT_EQ(run({"--update"}), kExitDone);
    EXPECT_EQ(readFile(hosts), updated);
    untouched({"--update"});
    duringDownload = [&] { writeFile(hosts, kBefore + adsBlock + block("file", listPath, "")); };
    EXPECT_EQ(run({"--update"}), kExitDone);
    duringDownload = nullptr;
    EXPECT_EQ(readFile(hosts), updated);
    untouched({"--update"});

    // The allowlist, then the same list with one letter changed.
    const std::string allow = dir.file("allow.txt");
    writeFile(allow, "new.example\r\n");
    environment.variables["VELMORA_ALLOW"] = allow;
    EXPECT_EQ(run({"--update"}), kExitDone);
    EXPECT_EQ(readFile(hosts),
              kBefore + block("ads", list, "127.0.0.1 ads.example\r\n127.0.0.1 keep.example\r\n", true) + fileBlock);
    environment.variables.erase("VELMORA_ALLOW");
    EXPECT_EQ(run({"--update"}), kExitDone);
    EXPECT_EQ(readFile(hosts), updated);
    writeFile(listPath, "from-fila.example\r\n");
    EXPECT_EQ(run({"--update"}), kExitDone);
    EXPECT_EQ(out.str(), "Block ads is up to date with " + list + "\nUpdated file: 1 name (+1, -1)\n" + saved());
    EXPECT_EQ(readFile(hosts), kBefore + adsBlock + block("file", listPath, "127.0.0.1 from-fila.example\r\n", true));
    writeFile(listPath, "from-file.example\r\n");
    EXPECT_EQ(run({"--update"}), kExitDone);
    untouched({"--update"});
    EXPECT_EQ(run({"--update", "--address", "0.0.0.0"}), kExitDone);
    EXPECT_EQ(out.str(), "Updated ads: 3 names (+0, -0)\nUpdated file: 1 name (+0, -0)\n" + saved());

    // The server has a new list: its block changes, the other keeps every byte.
    served = "fresh.example\r\n";
    version = 2;
    EXPECT_EQ(run({"--update"}), kExitDone);
    EXPECT_EQ(out.str(), "Updated ads: 1 name (+1, -3)\nBlock file is up to date with " + listPath + "\n" + saved());
    auto at0 = [](const std::string& name, const std::string& source, const std::string& host) {
        return "#BEGIN of " + name + "\r\n# source: " + source + "\r\n# address: 0.0.0.0\r\n" + kTestUpdated +
               "\r\n0.0.0.0 " + host + "\r\n#END of " + name + "\r\n";
    };
    EXPECT_EQ(readFile(hosts),
              kBefore + at0("ads", list, "fresh.example") + at0("file", listPath, "from-file.example"));
    EXPECT_EQ(ui.shown, Lines{});

    // The kept copy changed behind Velmora's back, at the same size: the server still calls it current,
    // and its block is made from it again.
    untouched({"--update"});
    ASSERT_EQ(readFile(keptCopy()), "fresh.example\r\n");
    {
        // Written in place: the same file, the same size, only its time tells.
        std::fstream copy(keptCopy(), std::ios::in | std::ios::out | std::ios::binary);
        copy.seekp(2);
        copy.write("o", 1);
    }
    EXPECT_EQ(run({"--update"}), kExitDone);
    EXPECT_EQ(out.str(), "Updated ads: 1 name (+1, -1)\nBlock file is up to date with " + listPath + "\n" + saved());

    // A list that is no list is told at every update, not only the first.
    writeFile(listPath, "<!DOCTYPE html><html></html>\r\n");
    for (int time = 0; time < 2; ++time) {
        EXPECT_EQ(run({"--update"}), kExitFailed);
        ASSERT_EQ(ui.shown.size(), 1u);
        EXPECT_TRUE(ui.shown[0].starts_with("error:The list " + listPath + " was not taken")) << ui.shown[0];
    }
}

// A dry run of each mode prints what would change and writes nothing: not the file, not its time, no
// backup and no lock beside it; it asks nothing.
TEST_F(WebListRunTest, DryRunWritesNothing) {
    const std::string before = kBefore + kOldAds + kAfter;
    writeFile(hosts, before);
    const auto written = std::filesystem::last_write_time(hosts);
    const std::string nothing = "; nothing was saved\n";
    const std::pair<Lines, std::string> cases[] = {
        {{"--dry-run", "--update", "ads", list},
         "-# source: old\n-127.0.0.1 old.example\n+# source: " + list + "\n+" + kTestUpdated +
             "\n+127.0.0.1 ads.example\n+127.0.0.1 keep.example\n+127.0.0.1 new.example\n"
             "Dry run: 5 lines would be added to and 2 lines removed from " +
             hosts + nothing},
        {{"--remove", "ads", "--diff"}, "--- " + hosts + "\n+++ " + hosts + " (after)\n@@ -2,12 +2,5 @@\n \n"},
        {{"--removeall", "--dry-run"}, "-\n-  # by hand, spaces kept  \n"},
    };
    for (const auto& [arguments, printed] : cases) {
        EXPECT_EQ(run(arguments), kExitDone) << arguments[0];
        EXPECT_TRUE(out.str().starts_with(printed) && out.str().ends_with(nothing)) << out.str();
        EXPECT_EQ(readFile(hosts), before);
        EXPECT_EQ(std::filesystem::last_write_time(hosts), written);
        EXPECT_FALSE(std::filesystem::exists(hosts + ".bak") ||
                     std::filesystem::exists(dir.file(".hosts.velmora-lock")));
        EXPECT_EQ(ui.shown, Lines{});
    }
}

// Restore swaps the file and its backup through the save; declined, or without a backup, nothing
// changes.
TEST_F(WebListRunTest, RestoreSwapsWithTheBackup) {
    writeFile(hosts, "now\r\n");
    writeFile(hosts + ".bak", "before\r\n");
    ui.answers = {Answer::No};
    EXPECT_EQ(run({"--restore"}) + run({"--restore", "--yes"}), kExitDone);
    EXPECT_EQ(readFile(hosts) + readFile(hosts + ".bak"), "before\r\nnow\r\n");
    EXPECT_EQ(out.str(), "Restored " + hosts + " from " + hosts + ".bak, which now holds what it replaced\n");
    std::filesystem::remove(hosts + ".bak");
    EXPECT_EQ(run({"--restore", "--yes"}), kExitFailed);
    EXPECT_EQ(ui.shown, Lines{"error:There is no backup to restore: " + hosts + ".bak is missing or empty. " + hosts +
                              " was left as it was."});
    EXPECT_EQ(readFile(hosts), "before\r\n");
}

// Names in the allowlist are kept out of a merge and an update whatever their letter case, also as
// one of several names on a line, and each run says how many it kept out; "*.name" allows the names
// under a name, "||name^" the name and those under it, and a line it cannot read is told by its
// number. A named allowlist that is not there stops the run before anything changes.
TEST_F(WebListRunTest, AllowListKeepsNamesOut) {
    const std::string allow = dir.file("allow.txt"), localhost = "127.0.0.1 localhost\r\n";
    writeFile(allow, "# never blocked\r\nADS.Example\r\n0.0.0.0 Tracker.EXAMPLE\r\n*.cdn.example ||shop.example^\r\n"
                     "what? *.\r\n");
    writeFile(hosts, localhost);
    writeFile(listPath, "aDs.example\r\n127.0.0.1 x.example tracker.example\r\nok.example\r\n");
    EXPECT_EQ(run({"--add", listPath, "--allow", allow}), kExitDone);
    EXPECT_EQ(readFile(hosts), localhost + "127.0.0.1 ok.example\r\n");
    EXPECT_TRUE(out.str().ends_with("\nKept out 2 lines naming hosts in the allowlist " + allow + "\n"));
    EXPECT_EQ(ui.shown, (Lines{"notify:The allowlist " + allow +
                               " has lines that allow nothing; they are left out:\nline 5: 'what?' is no host "
                               "name, *.name or ||name^\nline 5: '*.' is no host name, *.name or ||name^"}));

    environment.variables["VELMORA_ALLOW"] = allow;
    served = "ads.example\nkeep.example\na.cdn.example\ncdn.example\nshop.example\nx.shop.example\nnew.example\n";
    EXPECT_EQ(run({"--update", "ads", list}), kExitDone);
    EXPECT_EQ(readFile(hosts), localhost + "127.0.0.1 ok.example\r\n" +
                                   block("ads", list,
                                         "127.0.0.1 keep.example\r\n127.0.0.1 cdn.example\r\n"
                                         "127.0.0.1 new.example\r\n",
                                         true));
    EXPECT_EQ(out.str(), "Updated ads: 3 names (+3, -0), 4 kept out (allowlist)\n" + saved());

    const std::string saved = readFile(hosts);
    environment.variables["VELMORA_ALLOW"] = dir.file("none.txt");
    EXPECT_EQ(run({"--add", listPath}), kExitFailed);
    EXPECT_EQ(ui.shown,
              Lines{"error:The allowlist " + dir.file("none.txt") + " could not be read: No such file or directory"});
    EXPECT_EQ(readFile(hosts), saved);
}
