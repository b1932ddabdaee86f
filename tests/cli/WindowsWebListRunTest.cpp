// The built .exe keeping a block up to date from a server on 127.0.0.1, through WinHTTP, as the Task
// Scheduler would run it: the first run downloads into %LOCALAPPDATA%\velmora, the second sends the
// ETag it kept and is told the list has not changed, and a refused download changes nothing.
#include "platform/WindowsText.h"
#include "support/HttpServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include <windows.h>

namespace velmora {
namespace {

using test::HttpReply;
using test::HttpRequest;

const std::string kHosts = "127.0.0.1 localhost\r\n";

class WindowsWebListRun : public ::testing::Test {
protected:
    WindowsWebListRun() {
        SetEnvironmentVariableW(L"VELMORA_HOSTS", wideText(hosts).c_str());
        SetEnvironmentVariableW(L"LOCALAPPDATA", wideText(dir.file("local")).c_str());
        CreateDirectoryW(wideText(dir.file("local")).c_str(), nullptr);
        test::writeFile(hosts, kHosts);
    }
    ~WindowsWebListRun() override { SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr); }
    // The program with these arguments through the command interpreter, standard input the NUL device.
    int run(const std::vector<std::string>& arguments) {
        std::string command = "\"\"" VELMORA_BINARY "\"";
        for (const std::string& argument : arguments)
            command += " " + argument;
        return _wsystem(
            wideText(command + " <NUL >\"" + dir.file(".out") + "\" 2>\"" + dir.file(".err") + "\"\"").c_str());
    }
    std::string said() const { return test::readFile(dir.file(".out")) + test::readFile(dir.file(".err")); }
    HttpReply reply(const HttpRequest& request) {
        asked = request.header("If-None-Match");
        if (request.path == "/list" && asked == "\"1\"")
            return {304, "Not Modified", {}, "", false, false};
        if (request.path == "/list")
            return {200, "OK", {"ETag: \"1\""}, "ads.example\r\n0.0.0.0 tracker.example\r\n", true, false};
        return {404, "Not Found", {}, "", true, false};
    }

    test::TempDir dir;
    std::string hosts = dir.file("hosts");
    std::string asked;
    test::LocalHttpServer server{[this](const HttpRequest& request) { return reply(request); }};
};

// A first update downloads the list and saves the block; a second is told the list has not changed
// and saves nothing; the kept copy stays for a failed download, which changes nothing either, and
// neither does a download with no folder to keep it in.
TEST_F(WindowsWebListRun, UpdateDownloadsThenIsUpToDate) {
    const std::string list = server.address("/list");
    EXPECT_EQ(run({"--update", "ads", list}), 0);
    EXPECT_EQ(said(), "Updated ads: 2 names (+2, -0)\r\nSaved " + hosts + " (backup: " + hosts + ".bak)\r\n");
    // The program's own clock stamps the block.
    const std::string written = test::readFile(hosts);
    std::smatch stamp;
    ASSERT_TRUE(
        std::regex_search(written, stamp, std::regex("# updated: \\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ\r\n")))
        << written;
    const std::string block = "#BEGIN of ads\r\n# source: " + list + "\r\n" + stamp.str() +
                              "127.0.0.1 ads.example\r\n127.0.0.1 tracker.example\r\n#END of ads\r\n";
    EXPECT_EQ(written, kHosts + block);
    EXPECT_EQ(asked, "");

    test::writeFile(hosts + ".bak", "older\r\n");
    EXPECT_EQ(run({"--update"}), 0);
    EXPECT_EQ(asked, "\"1\"");
    EXPECT_EQ(said(), "Block ads is up to date with " + list + "\r\n");
    EXPECT_EQ(test::readFile(hosts) + test::readFile(hosts + ".bak"), kHosts + block + "older\r\n");

    const std::string gone = server.address("/gone");
    EXPECT_EQ(run({"--add", gone}), 1);
    EXPECT_EQ(said(), "velmora: The list " + gone + " could not be downloaded: HTTP 404 Not Found\r\n");
    EXPECT_EQ(test::readFile(hosts) + test::readFile(hosts + ".bak"), kHosts + block + "older\r\n");

    // Without %LOCALAPPDATA% there is nowhere to keep a download, and the message names the variable.
    SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
    EXPECT_EQ(run({"--add", list}), 1);
    EXPECT_EQ(said(), "velmora: The list " + list +
                          " could not be downloaded: no folder to keep downloads in: set LOCALAPPDATA\r\n");
}

} // namespace
} // namespace velmora
