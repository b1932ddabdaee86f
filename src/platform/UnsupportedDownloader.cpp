#include "platform/Downloader.h"

namespace velmora {

namespace {

// A build without libcurl (the mingw-w64 cross build) says so instead of fetching.
class UnsupportedDownloader : public Downloader {
public:
    DownloadResponse get(const DownloadRequest&, const std::function<void(uint64_t, uint64_t)>&) override {
        DownloadResponse response;
        response.failed = true;
        response.message = "web addresses are not supported in this build; download the list and give its file";
        return response;
    }
};

} // namespace

Downloader& systemDownloader() {
    static UnsupportedDownloader downloader;
    return downloader;
}

} // namespace velmora
