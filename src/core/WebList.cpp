#include "core/WebList.h"

#include "core/HostsFile.h"
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

// Why a download kept in folder could be swapped by another user before it is read (root's run above
// all would merge their lines): whoever may change a folder on the way may put one of their own in
// place of the next. Empty when no one could.
std::string pathRisk(FileSystem& files, const std::string& folder) {
    for (size_t end = folder.find(kSeparator, 1);; end = folder.find(kSeparator, end + 1)) {
        const std::string step = folder.substr(0, end);
        if (std::string risk = folderChangeRisk(files, step, files.stat(step, true)); !risk.empty())
            return risk;
        if (end == std::string::npos)
            return {};
    }
}

// What was noted of the last download of an address: the validators a conditional request sends.
struct Notes {
    std::string etag;
    std::string lastModified;
};

bool readNotes(FileSystem& files, const std::string& path, const std::string& address, Notes& notes) {
    const FileBytes bytes = readFileBytes(files, path);
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

WebListResult failed(std::string message) {
    WebListResult result;
    result.message = std::move(message);
    return result;
}

// The cache folder, made when asked and checked: why it cannot serve in message, else its path.
std::string cacheFolder(FileSystem& files, Environment& environment, bool make, std::string& message) {
    const std::string folder = webListCacheFolder(environment);
    if (folder.empty()) {
        message = std::string("no folder to keep downloads in: set ") + kCacheVariables;
        return {};
    }
    const std::string parent = folder.substr(0, folder.rfind(kSeparator));
    for (const std::string& path : {parent, folder}) {
        if (!make)
            break;
        if (const int made = files.makeFolder(path, kPrivateFolder); made < 0) {
            message = "cannot make the folder " + path + ": " + files.errorText(-made);
            return {};
        }
    }
    if (std::string risk = pathRisk(files, folder); !risk.empty()) {
#ifdef _WIN32
        message = risk + "; set LOCALAPPDATA to a folder of your own";
#else
        message = risk + "; set XDG_CACHE_HOME to a folder of your own";
#endif
        return {};
    }
    return folder;
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

WebListResult fetchWebList(Downloader& downloader, FileSystem& files, Environment& environment,
                           const std::string& address, const WebListOptions& options, ProgressSink& progress,
                           const ListCheck& check) {
    if (!oneLine(address))
        return failed("not a web address: it holds a line end");
    std::string message;
    const std::string folder = cacheFolder(files, environment, true, message);
    if (folder.empty())
        return failed(message);
    const std::string base = folder + kSeparator + hexName(address);
    const std::string listPath = base + ".list", notesPath = base + ".notes";

    DownloadRequest request;
    request.address = address;
    request.maxBytes = options.maxBytes;
    request.connectTimeoutMs = options.connectTimeoutMs;
    request.timeoutMs = options.timeoutMs;
    request.maxRedirects = options.maxRedirects;
    Notes notes;
    const bool kept = fileHasData(files, listPath) && readNotes(files, notesPath, address, notes);
    if (kept && !notes.etag.empty())
        request.headers.push_back("If-None-Match: " + notes.etag);
    if (kept && !notes.lastModified.empty())
        request.headers.push_back("If-Modified-Since: " + notes.lastModified);

    progress.setTitle("Downloading " + address + "...");
    progress.show();
    int32_t value = 0;
    uint64_t shown = 0;
    const DownloadResponse response = downloader.get(request, [&](uint64_t received, uint64_t total) {
        if (total == 0 || received <= shown)
            return;
        progress.step(clampToInt32(received - shown), value, clampToInt32(total));
        shown = received;
    });
    progress.close();

    if (response.tooLarge)
        return failed("larger than the limit of " + std::to_string(options.maxBytes) + " bytes");
    if (response.failed)
        return failed(response.message);
    WebListResult result;
    result.path = listPath;
    if (response.status == 304 && kept) {
        result.status = WebListStatus::NotModified;
        return result;
    }
    if (response.status != 200)
        return failed("HTTP " + std::to_string(response.status) + (response.reason.empty() ? "" : " ") +
                      response.reason);
    if (response.body.find_first_not_of(" \t\r\n") == std::string::npos)
        return failed("not a list: the answer was empty");
    if (check) {
        if (std::string refused = check(response.body); !refused.empty())
            return failed(refused);
    }
    // Notes that outlived their list would make the next request ask only for something newer.
    files.remove(notesPath);
    if (const int error = writeWhole(files, listPath, response.body); error != 0)
        return failed("cannot keep the download in " + listPath + ": " + files.errorText(error));
    if ((!response.etag.empty() || !response.lastModified.empty()) && oneLine(response.etag) &&
        oneLine(response.lastModified)) {
        writeWhole(files, notesPath,
                   std::string(kNotesHeader) + "\n" + address + "\n" + response.etag + "\n" + response.lastModified +
                       "\n");
    }
    result.status = WebListStatus::Fresh;
    return result;
}

} // namespace velmora
