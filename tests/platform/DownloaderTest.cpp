// The downloader of this build (libcurl on POSIX systems, WinHTTP on Windows) against a server on
// 127.0.0.1: every answer a list download can get, each with what the cache and the messages need.
#include "platform/Downloader.h"
#include "support/HttpServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace velmora {
namespace {

using test::HttpReply;
using test::HttpRequest;
using test::LocalHttpServer;

const std::string kList = "ads.example\r\ntracker.example\r\n";
constexpr size_t kBig = 200000;

HttpReply reply(const HttpRequest& request) {
    const std::string& path = request.path;
    if (path == "/list" && request.header("If-None-Match") == "\"7\"")
        return {304, "Not Modified", {"ETag: \"7\""}, "", false, false};
    if (path == "/list")
        return {200,
                "OK",
                {"ETag:  \"7\" ", "LAST-MODIFIED: Tue, 02 Jan 2024 03:04:05 GMT", "Content-Type: text/plain"},
                kList};
    // Three hops of each kind, their own headers left behind: a relative Location, an absolute path and
    // a whole address, to a list that has none.
    if (path == "/hop1")
        return {302, "Found", {"Location: hop2", "ETag: \"hop\""}};
    if (path == "/hop2")
        return {301, "Moved Permanently", {"Location: /hop3", "Last-Modified: Mon, 01 Jan 2024 00:00:00 GMT"}};
    if (path == "/hop3")
        return {307,
                "Temporary Redirect",
                {"Location: http://" + request.header("Host") + "/plain", "Content-Type: text/html"}};
    if (path == "/plain")
        return {200, "OK", {}, kList};
    if (path == "/loop")
        return {302, "Found", {"Location: /loop"}};
    if (path == "/elsewhere")
        return {302, "Found", {"Location: ftp://127.0.0.1/list"}};
    // More than one read's worth, so that a length over the limit shows as nothing taken.
    if (path == "/big" || path == "/big-unsized")
        return {200, "OK", {}, std::string(kBig, 'a'), path == "/big", false};
    if (path == "/stall")
        return {200, "OK", {}, std::string(100, 'b'), true, true};
    if (path == "/drip") // a byte now and then: the whole body takes three seconds
        return {.body = std::string(20, 'c'), .dripMs = 150};
    if (path == "/slow-drip") // a byte a second
        return {.body = std::string(3, 'd'), .dripMs = 1000};
    return {404, "Not Found", {"Content-Type: text/html"}, "<html>gone</html>"};
}

struct DownloadCase {
    const char* name;
    std::string path; // on the server; a whole address when it has "://"
    std::vector<std::string> headers{};
    uint64_t maxBytes = 1000;
    int maxRedirects = 10;
    int connectTimeoutMs = 5000;
    int timeoutMs = 20000;
    int stallTimeoutMs = 0;
    bool streamed = false; // the body is taken piece by piece (onBody), not kept in the response
    // What comes back.
    bool failed = false;
    bool tooLarge = false;
    bool stalled = false;
    long status = 200;
    std::string reason = "OK";
    std::string body = kList;
    std::string etag = "\"7\"";
    std::string lastModified = "Tue, 02 Jan 2024 03:04:05 GMT";
    std::string contentType = "text/plain";
    std::optional<std::string> message{};        // the failure's message, from every downloader
    std::optional<std::string> windowsMessage{}; // from WinHTTP's, where the libraries word it apart
    std::optional<uint64_t> mostReceived{};      // the body taken before the failure, at most
};

class Download : public ::testing::TestWithParam<DownloadCase> {};

// Each answer gives exactly this response.
TEST_P(Download, GivesThisResponse) {
    const DownloadCase& c = GetParam();
    LocalHttpServer server(reply);
    const std::string refused = "127.0.0.1:" + std::to_string(LocalHttpServer::refusedPort());
    DownloadRequest request;
    if (c.path == "refused")
        request.address = "http://" + refused + "/list";
    else if (c.path == "unanswered")
        request.address = "http://127.0.0.1:" + std::to_string(server.unansweredPort()) + "/list";
    else
        request.address = c.path.find("://") != std::string::npos ? c.path : server.address(c.path);
    request.headers = c.headers;
    request.maxBytes = c.maxBytes;
    request.connectTimeoutMs = c.connectTimeoutMs;
    request.timeoutMs = c.timeoutMs;
    request.maxRedirects = c.maxRedirects;
    request.stallTimeoutMs = c.stallTimeoutMs;
    std::string streamed;
    if (c.streamed)
        request.onBody = [&](std::string_view piece) {
            streamed += piece;
            return true;
        };
    uint64_t lastReceived = 0, lastTotal = 0;
    const DownloadResponse r = systemDownloader().get(request, [&](uint64_t received, uint64_t total) {
        lastReceived = received;
        lastTotal = total;
    });
    EXPECT_EQ(r.failed, c.failed) << r.message;
    EXPECT_EQ(r.tooLarge, c.tooLarge);
    EXPECT_EQ(r.stalled, c.stalled);
    if (c.streamed) {
        EXPECT_LE(streamed.size(), c.maxBytes) << "a piece past the limit was handed on";
        EXPECT_EQ(r.body, "") << "a streamed body was also kept whole";
    }
    if (c.mostReceived) {
        EXPECT_LE(lastReceived, *c.mostReceived) << "what came after the limit was not taken";
    }
    if (c.failed) {
        EXPECT_FALSE(r.message.empty());
        if (c.message) {
            EXPECT_EQ(r.message, *c.message);
        }
#ifdef _WIN32
        if (c.windowsMessage) {
            EXPECT_EQ(r.message, *c.windowsMessage == "{refused}"
                                     ? "Failed to connect to 127.0.0.1 port " + refused.substr(refused.find(':') + 1)
                                     : *c.windowsMessage);
        }
#endif
        return;
    }
    EXPECT_EQ(std::tie(r.status, r.reason, c.streamed ? streamed : r.body), std::tie(c.status, c.reason, c.body));
    EXPECT_EQ(std::tie(r.etag, r.lastModified, r.contentType), std::tie(c.etag, c.lastModified, c.contentType));
    // The last progress is the whole body, out of the length the server announced (0: none).
    const uint64_t announced = c.path == "/big-unsized" ? 0 : c.body.size();
    if (c.status == 200) {
        EXPECT_EQ(std::pair(lastReceived, lastTotal), std::pair(uint64_t{c.body.size()}, announced));
    }
}

const std::string kNothing; // no body, or no such header

const DownloadCase kDownloadCases[] = {
    {.name = "List", .path = "/list"},
    {.name = "ConditionalRepeat",
     .path = "/list",
     .headers = {"If-None-Match: \"7\"", "If-Modified-Since: Tue, 02 Jan 2024 03:04:05 GMT"},
     .status = 304,
     .reason = "Not Modified",
     .body = kNothing,
     .lastModified = kNothing,
     .contentType = kNothing},
    {.name = "NotFound",
     .path = "/gone",
     .status = 404,
     .reason = "Not Found",
     .body = "<html>gone</html>",
     .etag = kNothing,
     .lastModified = kNothing,
     .contentType = "text/html"},
    {.name = "ThreeRedirects", .path = "/hop1", .etag = kNothing, .lastModified = kNothing, .contentType = kNothing},
    {.name = "ThreeRedirectsAtTheLimit",
     .path = "/hop1",
     .maxRedirects = 3,
     .etag = kNothing,
     .lastModified = kNothing,
     .contentType = kNothing},
    {.name = "OneRedirectTooMany",
     .path = "/hop1",
     .maxRedirects = 2,
     .failed = true,
     .message = "Maximum (2) redirects followed"},
    {.name = "RedirectLoop", .path = "/loop", .failed = true, .message = "Maximum (10) redirects followed"},
    {.name = "RedirectToFtp",
     .path = "/elsewhere",
     .failed = true,
     .windowsMessage = "Redirected to ftp://127.0.0.1/list: Protocol \"ftp\" not supported: only http:// and "
                       "https:// addresses are fetched"},
    {.name = "NotHttp",
     .path = "file:///C:/Windows/win.ini",
     .failed = true,
     .windowsMessage = "Protocol \"file\" not supported: only http:// and https:// addresses are fetched"},
    {.name = "LengthOverTheLimit",
     .path = "/big",
     .maxBytes = kBig - 1,
     .failed = true,
     .tooLarge = true,
     .windowsMessage = "Maximum file size exceeded",
     .mostReceived = 0}, // the length said it: nothing of the body is taken
    {.name = "BodyOverTheLimit",
     .path = "/big-unsized",
     .maxBytes = kBig - 1,
     .failed = true,
     .tooLarge = true,
     .windowsMessage = "Maximum file size exceeded"},
    {.name = "AtTheLimit",
     .path = "/big-unsized",
     .maxBytes = kBig,
     .body = std::string(kBig, 'a'),
     .etag = kNothing,
     .lastModified = kNothing,
     .contentType = kNothing},
    {.name = "Stall", .path = "/stall", .timeoutMs = 1000, .failed = true, .windowsMessage = "Operation timed out"},
    // Nothing for the stall timeout gives up long before the whole transfer's time is up; a body that
    // keeps coming, however slowly, is not stalled.
    {.name = "StallTimeout",
     .path = "/stall",
     .timeoutMs = 15000,
     .stallTimeoutMs = 1500,
     .failed = true,
     .stalled = true,
     .message = "Stalled"},
    {.name = "DripUnderTheStallTimeout",
     .path = "/drip",
     .stallTimeoutMs = 1000,
     .body = std::string(20, 'c'),
     .etag = kNothing,
     .lastModified = kNothing,
     .contentType = kNothing},
    {.name = "StreamedAtTheLimit",
     .path = "/big-unsized",
     .maxBytes = kBig,
     .streamed = true,
     .body = std::string(kBig, 'a'),
     .etag = kNothing,
     .lastModified = kNothing,
     .contentType = kNothing},
    {.name = "StreamedOverTheLimit",
     .path = "/big-unsized",
     .maxBytes = kBig - 1,
     .streamed = true,
     .failed = true,
     .tooLarge = true,
     .windowsMessage = "Maximum file size exceeded"},
    // The time runs out before the body does, however often a byte comes: nothing is waited for
    // beyond it.
    {.name = "Drip",
     .path = "/drip",
     .timeoutMs = 1000,
     .failed = true,
     .windowsMessage = "Operation timed out",
     .mostReceived = 19},
    {.name = "SlowDrip",
     .path = "/slow-drip",
     .timeoutMs = 1500,
     .failed = true,
     .windowsMessage = "Operation timed out",
     .mostReceived = 1},
    {.name = "Refused", .path = "refused", .failed = true, .windowsMessage = "{refused}"},
    {.name = "ConnectTimeout",
     .path = "unanswered",
     .connectTimeoutMs = 500,
     .failed = true,
     .windowsMessage = "Operation timed out"},
};

INSTANTIATE_TEST_SUITE_P(Downloader, Download, ::testing::ValuesIn(kDownloadCases),
                         [](const auto& p) { return std::string(p.param.name); });

// The Cancel of a window, pressed on another thread while the server sends nothing: the transfer ends
// as cancelled (curl looks about once a second while it waits), not at its timeout. A flag that stays
// unset changes nothing.
TEST(Downloader, CancelEndsAWaitingTransfer) {
    LocalHttpServer server(reply);
    std::atomic<bool> cancel{false};
    DownloadRequest request;
    request.maxBytes = 1 << 20;
    request.timeoutMs = 20000;
    request.cancel = &cancel;
    request.address = server.address("/list");
    const DownloadResponse whole = systemDownloader().get(request, {});
    EXPECT_EQ(std::tuple(whole.failed, whole.cancelled, whole.body), std::tuple(false, false, kList));

    request.address = server.address("/stall");
    std::thread press([&cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancel.store(true);
    });
    const DownloadResponse r = systemDownloader().get(request, {});
    press.join();
    EXPECT_EQ(std::tuple(r.failed, r.cancelled, r.message), std::tuple(true, true, std::string("cancelled")));
}

} // namespace
} // namespace velmora
