#include "platform/Downloader.h"
#include "platform/HttpResponseHead.h"

#include <curl/curl.h>

#include <chrono>
#include <future>
#include <mutex>
#include <string_view>

namespace velmora {

namespace {

using Clock = std::chrono::steady_clock;

struct Transfer {
    const DownloadRequest& request;
    const std::function<void(uint64_t, uint64_t)>& progress;
    DownloadResponse response;
    uint64_t received = 0;
    // When a byte of the answer (head or body) last came.
    Clock::time_point lastByte = Clock::now();
};

// The library's message without the blanks and line end around it.
std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    transfer->lastByte = Clock::now();
    takeResponseHeadLine(std::string_view(data, size * count), transfer->response);
    return size * count;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    transfer->lastByte = Clock::now();
    if (transfer->received + bytes > transfer->request.maxBytes) {
        transfer->response.tooLarge = true;
        return CURL_WRITEFUNC_ERROR;
    }
    transfer->received += bytes;
    if (transfer->request.onBody)
        return transfer->request.onBody(std::string_view(data, bytes)) ? bytes : CURL_WRITEFUNC_ERROR;
    transfer->response.body.append(data, bytes);
    return bytes;
}

// Also called about once a second while nothing comes: a Cancel then ends a wait soon, and a stall is
// noticed.
int onProgress(void* user, curl_off_t total, curl_off_t received, curl_off_t, curl_off_t) {
    auto* transfer = static_cast<Transfer*>(user);
    if (transfer->progress)
        transfer->progress(static_cast<uint64_t>(received), static_cast<uint64_t>(total));
    const std::atomic<bool>* cancel = transfer->request.cancel;
    if (cancel && cancel->load()) {
        transfer->response.cancelled = true;
        return 1;
    }
    const int stallMs = transfer->request.stallTimeoutMs;
    if (stallMs > 0 && Clock::now() - transfer->lastByte >= std::chrono::milliseconds(stallMs)) {
        transfer->response.stalled = true;
        return 1;
    }
    return 0;
}

class CurlDownloader : public Downloader {
public:
    // Loading libcurl and what it needs takes about as long as reading a large HOSTS file: an update
    // does both at once.
    void prepare() override {
        if (!m_prepared.valid())
            m_prepared = std::async(std::launch::async, [] { initialise(); });
    }

    DownloadResponse get(const DownloadRequest& request,
                         const std::function<void(uint64_t, uint64_t)>& progress) override {
        if (m_prepared.valid())
            m_prepared.wait();
        initialise();
        Transfer transfer{request, progress, {}};
        CURL* curl = curl_easy_init();
        if (!curl) {
            transfer.response.failed = true;
            transfer.response.message = "the HTTP library could not start";
            return transfer.response;
        }
        char error[CURL_ERROR_SIZE] = {};
        curl_slist* headers = nullptr;
        for (const std::string& header : request.headers)
            headers = curl_slist_append(headers, header.c_str());
        curl_easy_setopt(curl, CURLOPT_URL, request.address.c_str());
        curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, static_cast<long>(request.maxRedirects));
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.connectTimeoutMs));
        curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(request.timeoutMs));
        curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.maxBytes));
        curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
        curl_easy_setopt(curl, CURLOPT_USERAGENT, "velmora");
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
        // Pieces of half a megabyte, not 16 KiB: a list of megabytes then costs a few dozen reads and
        // writes instead of a thousand, each a trip through the kernel.
        curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, 512L * 1024);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        const CURLcode code = curl_easy_perform(curl);
        DownloadResponse& response = transfer.response;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
        if (code == CURLE_FILESIZE_EXCEEDED)
            response.tooLarge = true;
        if (code != CURLE_OK) {
            response.failed = true;
            response.message = response.cancelled ? std::string("cancelled")
                               : response.stalled ? std::string("Stalled")
                               : error[0] != '\0' ? std::string(trimmed(error))
                                                  : curl_easy_strerror(code);
        }
        curl_slist_free_all(headers);
        curl_easy_cleanup(curl);
        return response;
    }

private:
    // libcurl's own start, once per process; curl_easy_init would do it too, but not thread-safely.
    static void initialise() {
        static std::once_flag once;
        std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    }
    std::future<void> m_prepared;
};

} // namespace

Downloader& systemDownloader() {
    static CurlDownloader downloader;
    return downloader;
}

} // namespace velmora
