#pragma once

#include "core/UserInterface.h"
#include "platform/Downloader.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// True for an http:// or https:// address (letter case ignored): a list to download, not a file.
bool isWebAddress(std::string_view text);

// How a list is downloaded.
struct WebListOptions {
    uint64_t maxBytes = uint64_t{512} << 20;
    int connectTimeoutMs = 30 * 1000;
    int timeoutMs = 15 * 60 * 1000;
    int maxRedirects = 10;
};

enum class WebListStatus {
    Fresh,       // downloaded now: path holds the list
    NotModified, // the server said the copy kept from the last download is current: path holds it
    Failed,      // message says why; nothing kept from earlier downloads was changed
};

struct WebListResult {
    WebListStatus status = WebListStatus::Failed;
    std::string path;    // the list as a file in the cache folder
    std::string message; // one line, without the address
};

// The folder downloaded lists are kept in: $XDG_CACHE_HOME/velmora, else $HOME/.cache/velmora
// (%LOCALAPPDATA%\velmora on Windows); empty when the environment names none.
std::string webListCacheFolder(Environment& environment);

// Downloads the list at address into the cache folder, asking only for a newer one than the copy
// kept there (its ETag and Last-Modified). Refused: any status but 200 and 304, a body over the
// limit, an empty body and a web page (a body beginning with "<"). Progress shows under the title
// "Downloading ADDRESS...". A failure leaves the kept copy as it was.
WebListResult fetchWebList(Downloader& downloader, FileSystem& files, Environment& environment,
                           const std::string& address, const WebListOptions& options, ProgressSink& progress);

} // namespace velmora
