#pragma once

#include "core/UserInterface.h"
#include "platform/Downloader.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <string>
#include <string_view>

namespace velmora {

// True for an http:// or https:// address (letter case ignored): a list to download, not a file.
bool isWebAddress(std::string_view text);

// The local path a file:// address names ("file:///etc/lists/ads.txt", "file://localhost/...", with
// %XX escapes decoded; "file:///C:/lists/ads.txt" on Windows), or text itself when it is no such
// address.
std::string localPathOf(const std::string& text);

// How a list is downloaded.
struct WebListOptions {
    uint64_t maxBytes = uint64_t{512} << 20;
    int connectTimeoutMs = 30 * 1000;
    int timeoutMs = 15 * 60 * 1000;
    int stallTimeoutMs = 60 * 1000; // this long without a byte gives a download up
    int maxRedirects = 10;
};

enum class WebListStatus {
    Fresh,       // downloaded now: path holds the list
    NotModified, // the server said the copy kept from the last download is current: path holds it
    Failed,      // message says why; nothing kept from earlier downloads was changed
};

struct WebListResult {
    WebListStatus status = WebListStatus::Failed;
    std::string path;       // the list as a file in the cache folder
    std::string message;    // one line, without the address
    bool cancelled = false; // Failed because the user cancelled the download
};

// The folder downloaded lists are kept in: $XDG_CACHE_HOME/velmora, else $HOME/.cache/velmora
// (%LOCALAPPDATA%\velmora on Windows); empty when the environment names none.
std::string webListCacheFolder(Environment& environment);

// Says why the body downloaded into the file at path is no list to keep (empty when it is one).
using ListCheck = std::function<std::string(const std::string& path)>;

// Asks, in the background, whether the copies kept of some addresses are still current, while the caller
// does its own work (an update reads the HOSTS file meanwhile): the same conditional request a download
// would make, ending as soon as an answer is anything but 304. fetchWebList then takes a 304 given to
// exactly the request it would make as its own answer, and makes every other request itself.
class WebListProbe {
public:
    WebListProbe() = default;
    WebListProbe(const WebListProbe&) = delete;
    WebListProbe& operator=(const WebListProbe&) = delete;
    ~WebListProbe();
    // The addresses whose copies are kept with what a conditional request needs; false when there is
    // none, and nothing was started.
    bool start(Downloader& downloader, FileSystem& files, Environment& environment,
               const std::vector<std::string>& addresses, const WebListOptions& options);
    // True when the server answered 304 to the request for address with these headers (waits for the
    // answers).
    bool notModified(const std::string& address, const std::vector<std::string>& headers);

private:
    using Answers = std::map<std::string, std::vector<std::string>>; // address: the headers answered 304
    std::future<Answers> m_answers;
    Answers m_taken;
    bool m_waited = false;
};

// Downloads the list at address into the cache folder, asking only for a newer one than the copy
// kept there (its ETag and Last-Modified). The body is written to a file beside that copy as it comes,
// never held whole. Refused: any status but 200 and 304, a body over the limit, a download that
// stalls, an empty body, and a body that check refuses. Progress shows under the title "Downloading
// ADDRESS...", with a Cancel that sets `cancel` when one is given (see ProgressSink::offerCancel).
// A failure, a cancelled download too, leaves the kept copy as it was, so that a bad answer never
// replaces a good list.
WebListResult fetchWebList(Downloader& downloader, FileSystem& files, Environment& environment,
                           const std::string& address, const WebListOptions& options, ProgressSink& progress,
                           const ListCheck& check = {}, std::atomic<bool>* cancel = nullptr,
                           WebListProbe* probe = nullptr);

// The copy of address kept by an earlier download, without the network: NotModified with its path,
// or Failed when there is none or the folder is not one only this user and root may change.
WebListResult keptWebList(FileSystem& files, Environment& environment, const std::string& address);

// The note that the last update of the blocks of the HOSTS file at hostsPath kept beside the downloads
// (see HostsDocument::blocksNote); empty when there is none, or the folder is not one only this user
// and root may change.
std::string keptBlocksNote(FileSystem& files, Environment& environment, const std::string& hostsPath);
// Keeps note for the next update of the blocks of that file, replacing the one before; false when it
// could not be kept (the next update then does all its work).
bool keepBlocksNote(FileSystem& files, Environment& environment, const std::string& hostsPath, const std::string& note);

} // namespace velmora
