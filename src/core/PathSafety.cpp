#include "core/PathSafety.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <vector>

namespace velmora {

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif
// As the kernel allows: more links than this on one path is a loop.
constexpr int kMaxLinks = 40;

bool isSeparator(char c) {
#ifdef _WIN32
    return c == '/' || c == '\\';
#else
    return c == '/';
#endif
}

// The root a path starts from ("/", "C:\", "\\server\share\"), empty for a relative path.
std::string rootOf(const std::string& path) {
#ifdef _WIN32
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        // \\server\share\ and \\?\C:\: the two names after the separators are the root.
        size_t end = 2;
        for (int names = 0; names < 2 && end < path.size(); ++names) {
            while (end < path.size() && !isSeparator(path[end]))
                ++end;
            if (end < path.size())
                ++end;
        }
        return path.substr(0, end);
    }
    if (path.size() >= 2 && path[1] == ':')
        return path.size() >= 3 && isSeparator(path[2]) ? path.substr(0, 3) : path.substr(0, 2) + kSeparator;
#endif
    return !path.empty() && isSeparator(path[0]) ? std::string(1, kSeparator) : std::string();
}

std::vector<std::string> namesOf(const std::string& path, size_t from) {
    std::vector<std::string> names;
    for (size_t start = from; start < path.size();) {
        size_t end = start;
        while (end < path.size() && !isSeparator(path[end]))
            ++end;
        if (end > start)
            names.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

std::string joined(const std::string& folder, const std::string& name) {
    return !folder.empty() && isSeparator(folder.back()) ? folder + name : folder + kSeparator + name;
}

// Whom besides root and the running user the mode and access list of the file or folder at path let
// change it, in words about `what` ("the folder /tmp", "it").
std::string changeRisk(FileSystem& files, const std::string& path, const std::string& what, const PathInfo& info,
                       bool ignoreSticky, int* error) {
    const uint32_t me = files.userId();
    const bool sticky = !ignoreSticky && (info.mode & 01000) != 0;
    if (sticky)
        return {};
    if (info.mode & 0002)
        return "any user may change " + what;
    // The groups of a user's own files are that user's business; a root run trusts only root's.
    if (me == 0 && (info.mode & 0020) && info.gid != 0)
        return "the users of its group may change " + what;
    const AccessList access = files.accessList(path);
    if (access.error != 0) {
        if (error)
            *error = access.error;
        return {};
    }
    if (std::any_of(access.users.begin(), access.users.end(), [&](uint32_t uid) { return uid != 0 && uid != me; }))
        return "its access list lets another user change " + what;
    if (me == 0 && std::any_of(access.groups.begin(), access.groups.end(), [](uint32_t gid) { return gid != 0; }))
        return "its access list lets a group change " + what;
    return {};
}

// True when others may add files to the folder: it is sticky, and its mode or access list lets
// someone but root and the running user write it.
bool othersMayAdd(FileSystem& files, const std::string& folder, const PathInfo& info) {
    if ((info.mode & 01000) == 0)
        return false;
    int error = 0;
    return !changeRisk(files, folder, folder, info, true, &error).empty() || error != 0;
}

} // namespace

std::string folderChangeRisk(FileSystem& files, const std::string& folder, const PathInfo& info, int* error) {
    const uint32_t me = files.userId();
    if (info.uid != 0 && info.uid != me)
        return "the folder " + folder + " belongs to another user";
    return changeRisk(files, folder, "the folder " + folder, info, false, error);
}

CheckedPath checkPath(FileSystem& files, const std::string& path, PathUse use, std::optional<uint32_t> alsoOwner) {
    CheckedPath result;
    result.path = path;
    const uint32_t me = files.userId();
    const auto trusted = [&](uint32_t uid) { return uid == 0 || uid == me; };
    const auto refuse = [&](PathStatus status, std::string reason, int error = 0) {
        result.status = status;
        result.reason = std::move(reason);
        result.error = error;
        return result;
    };
    const auto failed = [&](const std::string& what, int error) {
        return refuse(PathStatus::Failed, what + " cannot be looked at: " + files.errorText(error), error);
    };

    std::string root = rootOf(path);
    std::deque<std::string> pending;
    {
        const std::vector<std::string> names = namesOf(path, root.size());
        pending.assign(names.begin(), names.end());
    }
    if (root.empty()) {
        // A relative path is walked from the root, through the working folder.
        const ResolvedPath here = files.resolveLinks(".");
        if (here.error != 0)
            return failed("the working folder", here.error);
        root = rootOf(here.path);
        const std::vector<std::string> names = namesOf(here.path, root.size());
        pending.insert(pending.begin(), names.begin(), names.end());
    }
    if (root.empty()) // a file system that knows no folders: only its own paths to go by
        root = std::string(".") + kSeparator;

    std::vector<std::string> folders; // the names from root to where the walk is, none of them a link
    std::string at = root;
    bool open = false; // others may add files where the walk is
    int links = 0;
    const auto checkFolder = [&](const std::string& folder, const PathInfo& info) -> bool {
        int error = 0;
        std::string risk = folderChangeRisk(files, folder, info, &error);
        if (error != 0) {
            failed("the folder " + folder, error);
            return false;
        }
        if (!risk.empty()) {
            refuse(PathStatus::Unsafe, std::move(risk));
            return false;
        }
        open = othersMayAdd(files, folder, info);
        return true;
    };
    // The root too; a file system without folders (the in-memory one of the fuzz targets) has none.
    const auto checkRoot = [&]() -> bool {
        const PathInfo info = files.stat(root, false);
        if (!info.exists && info.error != 0 && info.error != ENOENT) {
            failed("the folder " + root, info.error);
            return false;
        }
        return !info.exists || checkFolder(root, info);
    };
    if (!checkRoot())
        return result;

    while (!pending.empty()) {
        const std::string name = pending.front();
        pending.pop_front();
        if (name == ".")
            continue;
        if (name == "..") {
            // Back to the folder before, which the walk has already checked.
            if (!folders.empty())
                folders.pop_back();
            at = root;
            for (const std::string& folder : folders)
                at = joined(at, folder);
            open = false;
            if (const PathInfo info = files.stat(at, false); info.exists)
                open = othersMayAdd(files, at, info);
            continue;
        }
        const std::string next = joined(at, name);
        const bool last = pending.empty();
        const PathInfo info = files.stat(next, false);
        if (!info.exists) {
            if (info.error != 0 && info.error != ENOENT) {
                result.atEnd = last;
                return failed(next, info.error);
            }
            result.status = PathStatus::Missing;
            result.error = last ? 0 : ENOENT;
            if (result.throughLink) {
                std::string rest = next;
                for (const std::string& more : pending)
                    rest = joined(rest, more);
                result.path = rest;
            }
            return result;
        }
        if (info.isSymlink) {
            result.atEnd = last;
            if (!trusted(info.uid))
                return refuse(PathStatus::Unsafe, next == path && last
                                                      ? std::string("it is a link that belongs to another user")
                                                      : "the link " + next + " belongs to another user");
            if (++links > kMaxLinks)
                return failed(next, ELOOP);
            ResolvedPath target = files.readLink(next);
            if (target.error == ENOTSUP)
                target = files.resolveLinks(next);
            if (target.error != 0 || target.path.empty())
                return failed(next, target.error != 0 ? target.error : ENOENT);
            const std::string targetRoot = rootOf(target.path);
            const std::vector<std::string> names = namesOf(target.path, targetRoot.size());
            pending.insert(pending.begin(), names.begin(), names.end());
            if (!targetRoot.empty()) {
                root = targetRoot;
                folders.clear();
                at = root;
                if (!checkRoot())
                    return result;
            }
            result.linkAtEnd = result.linkAtEnd || (last && !result.throughLink);
            result.throughLink = true;
            result.atEnd = false;
            continue;
        }
        if (!last) {
            if (!info.isDirectory)
                return failed(next, ENOTDIR);
            if (!checkFolder(next, info))
                return result;
            folders.push_back(name);
            at = next;
            continue;
        }

        // The file (or folder) at the end.
        result.info = info;
        result.atEnd = true;
        if (result.throughLink)
            result.path = next;
        if (use == PathUse::Folder) {
            if (!info.isDirectory)
                return failed(next, ENOTDIR);
            checkFolder(next, info);
            return result;
        }
        const std::string what = result.throughLink ? "the file " + next : std::string("it");
        const bool ownerTrusted = trusted(info.uid) || (alsoOwner && info.uid == *alsoOwner);
        // In a sticky folder others may write, a file of theirs may be swapped by them at any time, and
        // a second name of a file is one anyone there may have made.
        if (open && !info.isDirectory && !ownerTrusted)
            return refuse(PathStatus::Unsafe,
                          what + " belongs to another user, in a folder where others may add files");
        if (open && !info.isDirectory && info.links > 1)
            return refuse(PathStatus::Unsafe,
                          what + " has another name (a hard link), in a folder where others may add files");
        if (use == PathUse::Read) {
            if (!ownerTrusted)
                return refuse(PathStatus::Unsafe, what + " belongs to another user");
            int error = 0;
            std::string risk = changeRisk(files, next, what, info, true, &error);
            if (error != 0)
                return failed(next, error);
            if (!risk.empty())
                return refuse(PathStatus::Unsafe, std::move(risk));
        }
        return result;
    }
    // The path names its root, or a folder the walk came back up to.
    result.atEnd = true;
    result.info = files.stat(at, false);
    if (use == PathUse::Folder && result.info.exists && !checkFolder(at, result.info))
        return result;
    return result;
}

CheckedRead::CheckedRead(FileSystem& files, const std::string& path)
    : m_files(files), m_noFollow(files), m_checked(files.userId() == 0), m_path(path) {
    if (!m_checked)
        return;
    const CheckedPath checked = checkPath(files, path, PathUse::Read);
    m_path = checked.path;
    if (checked.status == PathStatus::Unsafe)
        m_refusal = checked.reason +
                    "; a run as root reads no file another user could change or swap: copy it into a folder of "
                    "root's, or run Velmora as the user it belongs to";
    else if (checked.status == PathStatus::Failed)
        m_refusal = checked.reason;
}

} // namespace velmora
