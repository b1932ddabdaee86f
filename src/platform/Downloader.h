#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// One GET of an http:// or https:// address.
struct DownloadRequest {
    std::string address;
    std::vector<std::string> headers; // extra request headers, "Name: value"
    uint64_t maxBytes = 0;            // a longer body ends the transfer (tooLarge)
    int connectTimeoutMs = 0;
    int timeoutMs = 0;      // the whole transfer
    int stallTimeoutMs = 0; // this long without a byte of the answer ends the transfer (stalled); 0: no limit
    int maxRedirects = 0;
    // Set from any thread (the Cancel of a window) to end the transfer; the downloader looks at it while
    // it waits and between pieces of the body, and the transfer then fails with `cancelled`. It must
    // outlive the call.
    const std::atomic<bool>* cancel = nullptr;
    // Where the body goes, piece by piece, instead of into the response: false ends the transfer
    // (failed). So a body is never held whole.
    std::function<bool(std::string_view piece)> onBody;
};

// What came back. A transfer that failed (no connection, a timeout, too many redirects, a body over
// the limit) has failed set and the library's one-line message; otherwise status is the HTTP status
// of the last response, whatever it was, with its body and the headers a cache needs.
struct DownloadResponse {
    bool failed = false;
    bool tooLarge = false;
    bool cancelled = false; // ended by the request's cancel flag
    bool stalled = false;   // nothing came for the stall timeout
    std::string message;
    long status = 0;
    std::string reason; // the status line's text after the code ("Not Found")
    std::string body;   // unless the request's onBody took it
    std::string etag;
    std::string lastModified;
    std::string contentType;
};

// Fetches web addresses, never through a shell. One implementation per system, chosen when building.
class Downloader {
public:
    virtual ~Downloader() = default;
    // progress(received, total) as the body arrives; total is 0 while the length is unknown.
    virtual DownloadResponse get(const DownloadRequest& request,
                                 const std::function<void(uint64_t received, uint64_t total)>& progress) = 0;
    // Starts readying what the first get needs (loading the HTTP library) beside the caller's own work,
    // for a run that is about to download; get waits for it. Nothing where there is nothing to ready.
    virtual void prepare() {}
};

// The downloader of this build.
Downloader& systemDownloader();

} // namespace velmora
