// Lists downloaded from a server the test starts on 127.0.0.1: what each answer gives, and that a
// refused one leaves the copy kept from the last download as it was.

#include "core/WebList.h"
#include "platform/FakeEnvironment.h"
#include "platform/PosixFileSystem.h"
#include "support/PosixHttpServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace velmora;
using velmora::test::HttpReply;
using velmora::test::HttpRequest;
using velmora::test::LocalHttpServer;
using velmora::test::readFile;

namespace {

const std::string kList = "ads.example\ntracker.example\n";
const std::string kEtag = "\"v1\"";

// Records what the progress would show.
class Progress : public ProgressSink {
public:
    void setTitle(const std::string& text) override { title = text; }
    void show() override {}
    void step(int32_t increment, int32_t& value, int32_t maximum) override {
        value += increment;
        last = value;
        top = maximum;
    }
    void close() override {}
    std::string title;
    int32_t last = 0, top = 0;
};

HttpReply redirect(const std::string& to) {
    return {302, "Found", {"Location: " + to}, "", true, false};
}

class WebListTest : public ::testing::Test {
protected:
    WebListTest() { environment.variables["XDG_CACHE_HOME"] = dir.file("cache"); }

    HttpReply reply(const HttpRequest& request) {
        const std::string& path = request.path;
        if (path == "/list") {
            if (listGone)
                return {404, "Not Found", {}, "gone", true, false};
            if (request.header("If-None-Match") == kEtag)
                return {304, "Not Modified", {}, "", false, false};
            return {200, "OK", {"ETag: " + kEtag, "Content-Type: text/plain"}, kList, true, false};
        }
        if (path.starts_with("/hop"))
            return redirect(path == "/hop3" ? "/list" : "/hop" + std::to_string(path.back() - '0' + 1));
        if (path == "/loop")
            return redirect("/loop");
        if (path == "/big" || path == "/big-unsized")
            return {200, "OK", {}, std::string(5000, 'a') + "\n", path == "/big", false};
        if (path == "/page")
            return {200, "OK", {"Content-Type: text/html"}, "\n <!DOCTYPE html><html></html>\n", true, false};
        if (path == "/empty")
            return {200, "OK", {}, " \r\n", true, false};
        if (path == "/stall")
            return {200, "OK", {}, std::string(100, 'b'), true, true};
        return {404, "Not Found", {}, "no such list", true, false};
    }

    WebListResult fetch(const std::string& address) {
        return fetchWebList(systemDownloader(), files, environment, address, options, progress);
    }

    test::TempDir dir;
    PosixFileSystem files;
    FakeEnvironment environment;
    Progress progress;
    WebListOptions options;
    std::atomic<bool> listGone{false};
    LocalHttpServer server{[this](const HttpRequest& request) { return reply(request); }};
};

} // namespace

// Each answer the server can give: kept (and what), or refused with this message. A refusal after a
// good download leaves that download and its notes as they were.
TEST_F(WebListTest, EachAnswerKeepsOrRefuses) {
    options.maxBytes = 1000;
    options.timeoutMs = 500;
    const std::string refused = "http://127.0.0.1:" + std::to_string(LocalHttpServer::refusedPort()) + "/list";
    const struct {
        std::string address;
        WebListStatus status;
        std::string message;
        bool exact = true; // our own words; the library's are only looked for in its message
    } cases[] = {
        {server.address("/list"), WebListStatus::NotModified, "", false},
        {server.address("/hop1"), WebListStatus::Fresh, "", false},
        {server.address("/missing"), WebListStatus::Failed, "HTTP 404 Not Found"},
        {server.address("/loop"), WebListStatus::Failed, "redirects", false},
        {server.address("/big"), WebListStatus::Failed, "larger than the limit of 1000 bytes"},
        {server.address("/big-unsized"), WebListStatus::Failed, "larger than the limit of 1000 bytes"},
        {server.address("/page"), WebListStatus::Failed, "not a list: it is a web page"},
        {server.address("/empty"), WebListStatus::Failed, "not a list: the answer was empty"},
        {server.address("/stall"), WebListStatus::Failed, "timed out", false},
        {refused, WebListStatus::Failed, "connect", false},
    };
    const std::string kept = fetch(server.address("/list")).path;
    const std::string notes = readFile(kept.substr(0, kept.size() - 5) + ".notes");
    for (const auto& c : cases) {
        const WebListResult result = fetch(c.address);
        EXPECT_EQ(result.status, c.status) << c.address;
        if (c.exact) {
            EXPECT_EQ(result.message, c.message) << c.address;
        } else {
            EXPECT_NE(result.message.find(c.message), std::string::npos) << c.address << ": " << result.message;
        }
        if (c.status != WebListStatus::Failed) {
            EXPECT_EQ(readFile(result.path), kList) << c.address;
        }
    }
    EXPECT_EQ(readFile(kept), kList);
    EXPECT_EQ(readFile(kept.substr(0, kept.size() - 5) + ".notes"), notes);
}

// A repeated download asks only for something newer, and the answer "not modified" gives the copy
// kept from before; once the copy is gone, the next request is plain again.
TEST_F(WebListTest, RepeatAsksOnlyForNewer) {
    const WebListResult first = fetch(server.address("/list"));
    ASSERT_EQ(first.status, WebListStatus::Fresh);
    EXPECT_EQ(progress.title, "Downloading " + server.address("/list") + "...");
    EXPECT_EQ(progress.last, progress.top);
    const WebListResult again = fetch(server.address("/list"));
    EXPECT_EQ(again.status, WebListStatus::NotModified);
    EXPECT_EQ(again.path, first.path);
    EXPECT_EQ(readFile(again.path), kList);
    std::remove(first.path.c_str());
    EXPECT_EQ(fetch(server.address("/list")).status, WebListStatus::Fresh);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].header("If-None-Match"), "");
    EXPECT_EQ(requests[1].header("If-None-Match"), kEtag);
    EXPECT_EQ(requests[2].header("If-None-Match"), "");
}
