#include "core/WebList.h"

#include "core/HostsFile.h"
#include "core/PathSafety.h"
#include "core/Progress.h"
#include "core/TextUtil.h"

#include <cstdio>

namespace velmora {

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
constexpr char kCacheVariables[] = "LOCALAPPDATA";
#else
constexpr char kSeparator = '/';
constexpr char kCacheVariables[] = "XDG_CACHE_HOME or HOME";
#endif
constexpr uint32_t kPrivateFolder = 0700;
constexpr uint32_t kPrivateFile = 0600;
// The first line of a kept download's notes, so that notes of another format are never trusted.
constexpr std::string_view kNotesHeader = "velmora download 1";

// Downloads run before the HOSTS lock, so two runs may keep the same address at once: each writes a
// file of its own and renames it whole.
int writeWhole(FileSystem& files, const std::string& path, std::string_view bytes) {
    const TempFile temporary = createTemporaryBeside(files, path, kPrivateFile);
    if (temporary.fd < 0)
        return temporary.error;
    int error = writeAll(files, temporary.fd, bytes);
    if (const int closed = files.close(temporary.fd); error == 0 && closed < 0)
        error = -closed;
    if (error == 0) {
        if (const int renamed = files.rename(temporary.path, path); renamed < 0)
            error = -renamed;
    }
    if (error != 0)
        files.remove(temporary.path);
    return error;
}

// What was noted of the last download of an address: the validators a conditional request sends.
struct Notes {
    std::string etag;
    std::string lastModified;
};

bool readNotes(FileSystem& files, const std::string& path, const std::string& address, Notes& notes) {
    const FileBytes bytes = readFileBytes(files, path, false);
    if (bytes.error != 0)
        return false;
    std::string fields[4];
    size_t start = 0;
    for (std::string& field : fields) {
        const size_t end = bytes.bytes.find('\n', start);
        if (end == std::string::npos)
            return false;
        field = bytes.bytes.substr(start, end - start);
        start = end + 1;
    }
    if (fields[0] != kNotesHeader || fields[1] != address)
        return false;
    notes = Notes{fields[2], fields[3]};
    return !notes.etag.empty() || !notes.lastModified.empty();
}

bool oneLine(const std::string& text) {
    return text.find_first_of("\r\n") == std::string::npos;
}

std::string hexName(std::string_view address) {
    ContentHash hash;
    hash.add(address);
    char name[17];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash.value()));
    return name;
}

// "60 seconds", "1 second", "250 ms".
std::string durationText(int ms) {
    if (ms % 1000 != 0)
        return std::to_string(ms) + " ms";
    return std::to_string(ms / 1000) + (ms == 1000 ? " second" : " seconds");
}

WebListResult failed(std::string message) {
    WebListResult result;
    result.message = std::move(message);
    return result;
}

// The cache folder, checked and, when asked, made: why it cannot serve in message, else its path (every
// link followed). A download is read back from there, so another user able to change the folder, or
// one on the way to it, could swap in lines of their own; and nothing is made before the way to it
// is checked, so that a run as root with a user's HOME leaves no folder of root's in that home.
std::string cacheFolder(FileSystem& files, Environment& environment, bool make, std::string& message) {
    const std::string folder = webListCacheFolder(environment);
    if (folder.empty()) {
        message = std::string("no folder to keep downloads in: set ") + kCacheVariables;
        return {};
    }
    const auto refuse = [&](const CheckedPath& checked) {
        // "it is a link ...": the folder itself, which the message names.
        message = (checked.reason.starts_with("it ") ? folder + ": " : std::string()) + checked.reason;
#ifdef _WIN32
        message += "; set LOCALAPPDATA to a folder of your own";
#else
        message += "; set XDG_CACHE_HOME to a folder of your own";
#endif
        return std::string();
    };
    CheckedPath checked = checkPath(files, folder, PathUse::Folder);
    if (!checked.usable())
        return refuse(checked);
    if (checked.status == PathStatus::Missing && make) {
        // The folder, and the one it is in when that is missing too.
        const std::string& path = checked.path;
        const std::string parent = path.substr(0, path.find_last_of("/\\"));
        for (const std::string& step : {parent, path}) {
            if (const int made = files.makeFolder(step, kPrivateFolder); made < 0) {
                message = "cannot make the folder " + step + ": " + files.errorText(-made);
                return {};
            }
        }
        checked = checkPath(files, folder, PathUse::Folder);
        if (checked.status == PathStatus::Missing) {
            message = "cannot make the folder " + folder + ": " + files.errorText(ENOENT);
            return {};
        }
        if (checked.status != PathStatus::Safe)
            return refuse(checked);
    }
    return checked.path;
}

} // namespace

bool isWebAddress(std::string_view text) {
    return istartsWith(text, "http://") || istartsWith(text, "https://");
}

std::string localPathOf(const std::string& text) {
    constexpr std::string_view kScheme = "file://";
    if (!istartsWith(text, kScheme))
        return text;
    std::string_view rest = std::string_view(text).substr(kScheme.size());
    if (istartsWith(rest, "localhost/"))
        rest.remove_prefix(std::string_view("localhost").size());
    std::string path;
    for (size_t i = 0; i < rest.size(); ++i) {
        const auto hex = [](char c) {
            return c >= '0' && c <= '9'   ? c - '0'
                   : c >= 'a' && c <= 'f' ? c - 'a' + 10
                   : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                          : -1;
        };
        if (rest[i] == '%' && i + 2 < rest.size() && hex(rest[i + 1]) >= 0 && hex(rest[i + 2]) >= 0) {
            path += static_cast<char>(hex(rest[i + 1]) * 16 + hex(rest[i + 2]));
            i += 2;
        } else {
            path += rest[i];
        }
    }
#ifdef _WIN32
    // "/C:/lists/a.txt" is the drive's path.
    if (path.size() >= 3 && path[0] == '/' && path[2] == ':')
        path.erase(0, 1);
    for (char& c : path)
        if (c == '/')
            c = '\\';
#endif
    return path;
}

WebListResult keptWebList(FileSystem& files, Environment& environment, const std::string& address) {
    std::string message;
    const std::string folder = cacheFolder(files, environment, false, message);
    if (folder.empty())
        return failed(message);
    WebListResult result;
    result.path = folder + kSeparator + hexName(address) + ".list";
    if (!fileHasData(files, result.path))
        return failed("no copy of it is kept");
    result.status = WebListStatus::NotModified;
    return result;
}

namespace {

std::string blocksNotePath(const std::string& folder, const std::string& hostsPath) {
    return folder + kSeparator + hexName("blocks of " + hostsPath) + ".blocks";
}

} // namespace

std::string keptBlocksNote(FileSystem& files, Environment& environment, const std::string& hostsPath) {
    std::string message;
    const std::string folder = cacheFolder(files, environment, false, message);
    if (folder.empty())
        return {};
    const FileBytes bytes = readFileBytes(files, blocksNotePath(folder, hostsPath), false);
    return bytes.error == 0 ? bytes.bytes : std::string();
}

bool keepBlocksNote(FileSystem& files, Environment& environment, const std::string& hostsPath,
                    const std::string& note) {
    std::string message;
    const std::string folder = cacheFolder(files, environment, true, message);
    return !folder.empty() && writeWhole(files, blocksNotePath(folder, hostsPath), note) == 0;
}

std::string webListCacheFolder(Environment& environment) {
#ifdef _WIN32
    const std::string local = environment.variable("LOCALAPPDATA");
    return local.empty() ? std::string() : local + "\\velmora";
#else
    const std::string cache = environment.variable("XDG_CACHE_HOME");
    if (!cache.empty() && cache.front() == '/')
        return cache + "/velmora";
    const std::string home = environment.variable("HOME");
    return home.empty() ? std::string() : home + "/.cache/velmora";
#endif
}

namespace {

// The conditional request for the copy kept at listPath: If-None-Match and If-Modified-Since from its
// notes; none when no copy is kept or its notes do not hold them.
std::vector<std::string> conditionalHeaders(FileSystem& files, const std::string& listPath,
                                            const std::string& notesPath, const std::string& address) {
    Notes notes;
    std::vector<std::string> headers;
    if (!fileHasData(files, listPath) || !readNotes(files, notesPath, address, notes))
        return headers;
    if (!notes.etag.empty())
        headers.push_back("If-None-Match: " + notes.etag);
    if (!notes.lastModified.empty())
        headers.push_back("If-Modified-Since: " + notes.lastModified);
    return headers;
}

DownloadRequest requestFor(const std::string& address, const WebListOptions& options) {
    DownloadRequest request;
    request.address = address;
    request.maxBytes = options.maxBytes;
    request.connectTimeoutMs = options.connectTimeoutMs;
    request.timeoutMs = options.timeoutMs;
    request.stallTimeoutMs = options.stallTimeoutMs;
    request.maxRedirects = options.maxRedirects;
    return request;
}

} // namespace

WebListProbe::~WebListProbe() {
    if (m_answers.valid())
        m_answers.wait();
}

bool WebListProbe::start(Downloader& downloader, FileSystem& files, Environment& environment,
                         const std::vector<std::string>& addresses, const WebListOptions& options) {
    std::string message;
    const std::string folder = cacheFolder(files, environment, false, message);
    if (folder.empty() || m_answers.valid())
        return false;
    // The notes are read here, on the caller's thread; the background only asks.
    std::vector<DownloadRequest> requests;
    for (const std::string& address : addresses) {
        const std::string base = folder + kSeparator + hexName(address);
        DownloadRequest request = requestFor(address, options);
        request.headers = conditionalHeaders(files, base + ".list", base + ".notes", address);
        if (!request.headers.empty() && oneLine(address))
            requests.push_back(std::move(request));
    }
    if (requests.empty())
        return false;
    m_answers = std::async(std::launch::async, [&downloader, requests = std::move(requests)]() mutable {
        Answers answers;
        for (DownloadRequest& request : requests) {
            // A body means a new list: that download is made again in the open, with its progress.
            request.onBody = [](std::string_view) { return false; };
            const DownloadResponse response = downloader.get(request, [](uint64_t, uint64_t) {});
            if (!response.failed && response.status == 304)
                answers.emplace(request.address, request.headers);
        }
        return answers;
    });
    return true;
}

bool WebListProbe::notModified(const std::string& address, const std::vector<std::string>& headers) {
    if (!m_waited && m_answers.valid()) {
        m_taken = m_answers.get();
        m_waited = true;
    }
    const auto it = m_taken.find(address);
    return it != m_taken.end() && it->second == headers;
}

namespace {

// What came of a download whose body went to bodyPath: the kept copy at listPath stays (304), or the
// body replaces it once it is known to be a whole list, with its notes; otherwise the body goes and why
// is said, the kept copy and its notes as they were.
// `kept`: the request asked about the kept copy.
WebListResult keepAnswer(FileSystem& files, const DownloadResponse& response, bool kept, int writeError, bool blank,
                         const std::string& bodyPath, const std::string& listPath, const std::string& notesPath,
                         const std::string& address, const WebListOptions& options, const ListCheck& check) {
    WebListResult result;
    result.path = listPath;
    const auto discard = [&](std::string why) {
        files.remove(bodyPath);
        return failed(std::move(why));
    };
    if (writeError != 0)
        return discard("cannot keep the download in " + listPath + ": " + files.errorText(writeError));
    if (response.tooLarge)
        return discard("larger than the limit of " + std::to_string(options.maxBytes) + " bytes");
    if (response.stalled)
        return discard("nothing came for " + durationText(options.stallTimeoutMs) + ", so it was given up");
    if (response.failed)
        return discard(response.message);
    if (response.status == 304 && kept) {
        files.remove(bodyPath);
        result.status = WebListStatus::NotModified;
        return result;
    }
    if (response.status != 200)
        return discard("HTTP " + std::to_string(response.status) + (response.reason.empty() ? "" : " ") +
                       response.reason);
    if (blank)
        return discard("not a list: the answer was empty");
    if (check) {
        if (std::string refused = check(bodyPath); !refused.empty())
            return discard(refused);
    }
    // Notes that outlived their list would make the next request ask only for something newer.
    files.remove(notesPath);
    if (const int renamed = files.rename(bodyPath, listPath); renamed < 0)
        return discard("cannot keep the download in " + listPath + ": " + files.errorText(-renamed));
    if ((!response.etag.empty() || !response.lastModified.empty()) && oneLine(response.etag) &&
        oneLine(response.lastModified)) {
        writeWhole(files, notesPath,
                   std::string(kNotesHeader) + "\n" + address + "\n" + response.etag + "\n" + response.lastModified +
                       "\n");
    }
    result.status = WebListStatus::Fresh;
    return result;
}

} // namespace

WebListResult fetchWebList(Downloader& downloader, FileSystem& files, Environment& environment,
                           const std::string& address, const WebListOptions& options, ProgressSink& progress,
                           const ListCheck& check, std::atomic<bool>* cancel, WebListProbe* probe) {
    if (!oneLine(address))
        return failed("not a web address: it holds a line end");
    std::string message;
    const std::string folder = cacheFolder(files, environment, true, message);
    if (folder.empty())
        return failed(message);
    const std::string base = folder + kSeparator + hexName(address);
    const std::string listPath = base + ".list", notesPath = base + ".notes";

    DownloadRequest request = requestFor(address, options);
    request.headers = conditionalHeaders(files, listPath, notesPath, address);
    const bool kept = !request.headers.empty();
    WebListResult result;
    result.path = listPath;
    if (kept && probe && probe->notModified(address, request.headers)) {
        result.status = WebListStatus::NotModified;
        return result;
    }

    // The body goes to a file of its own beside the kept copy as it comes, never whole into memory, and
    // replaces that copy only once it is known to be a list.
    const TempFile body = createTemporaryBeside(files, listPath, kPrivateFile);
    if (body.fd < 0)
        return failed("cannot keep the download in " + folder + ": " + files.errorText(body.error));
    int writeError = 0;
    bool blank = true;
    // The pieces come some kilobytes at a time; they go to the file half a megabyte at a time, since
    // every write is a trip through the kernel.
    constexpr size_t kWritePiece = size_t{512} << 10;
    std::string pending;
    const auto flush = [&] {
        if (writeError == 0 && !pending.empty())
            writeError = writeAll(files, body.fd, pending);
        pending.clear();
        return writeError == 0;
    };
    request.onBody = [&](std::string_view piece) {
        blank = blank && piece.find_first_not_of(" \t\r\n") == std::string_view::npos;
        if (pending.capacity() == 0)
            pending.reserve(kWritePiece);
        pending.append(piece);
        return pending.size() < kWritePiece || flush();
    };

    progress.setTitle("Downloading " + address + "...");
    request.cancel = cancel;
    if (cancel)
        progress.offerCancel(*cancel);
    progress.show();
    int32_t value = 0;
    uint64_t shown = 0;
    const DownloadResponse response = downloader.get(request, [&](uint64_t received, uint64_t total) {
        if (total == 0 || received <= shown) {
            progress.idle();
            return;
        }
        progress.step(clampToInt32(received - shown), value, clampToInt32(total));
        shown = received;
    });
    progress.close();
    flush();
    if (const int closed = files.close(body.fd); closed < 0 && writeError == 0)
        writeError = -closed;
    if (response.cancelled) {
        files.remove(body.path);
        WebListResult cancelled = failed("cancelled");
        cancelled.cancelled = true;
        return cancelled;
    }

    return keepAnswer(files, response, kept, writeError, blank, body.path, listPath, notesPath, address, options,
                      check);
}

} // namespace velmora
