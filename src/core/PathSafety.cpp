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

namespace {

// One walk of a path from its root, name by name, each folder and link looked at before the walk goes
// through it, so that nothing another user could change is passed unseen.
class PathWalk {
public:
    PathWalk(FileSystem& files, const std::string& path, PathUse use, std::optional<uint32_t> alsoOwner)
        : m_files(files), m_path(path), m_use(use), m_alsoOwner(alsoOwner), m_me(files.userId()) {
        m_result.path = path;
    }

    CheckedPath run() {
        if (!start() || !checkRoot())
            return m_result;
        while (!m_pending.empty()) {
            const std::string name = m_pending.front();
            m_pending.pop_front();
            if (name == ".")
                continue;
            if (name == "..") {
                upOneFolder();
                continue;
            }
            const std::string next = joined(m_at, name);
            const bool last = m_pending.empty();
            const PathInfo info = m_files.stat(next, false);
            if (!info.exists) {
                missing(next, info, last);
                return m_result;
            }
            if (info.isSymlink) {
                if (!followLink(next, info, last))
                    return m_result;
                continue;
            }
            if (last) {
                checkEnd(next, info);
                return m_result;
            }
            if (!info.isDirectory)
                return failed(next, ENOTDIR);
            if (!checkFolder(next, info))
                return m_result;
            m_folders.push_back(name);
            m_at = next;
        }
        // The path names its root, or a folder the walk came back up to.
        m_result.atEnd = true;
        m_result.info = m_files.stat(m_at, false);
        if (m_use == PathUse::Folder && m_result.info.exists)
            checkFolder(m_at, m_result.info);
        return m_result;
    }

private:
    bool trusted(uint32_t uid) const { return uid == 0 || uid == m_me; }

    CheckedPath refuse(PathStatus status, std::string reason, int error = 0) {
        m_result.status = status;
        m_result.reason = std::move(reason);
        m_result.error = error;
        return m_result;
    }

    CheckedPath failed(const std::string& what, int error) {
        return refuse(PathStatus::Failed, what + " cannot be looked at: " + m_files.errorText(error), error);
    }

    // The root and the names to walk; a relative path is walked from the root, through the working folder.
    bool start() {
        m_root = rootOf(m_path);
        const std::vector<std::string> names = namesOf(m_path, m_root.size());
        m_pending.assign(names.begin(), names.end());
        if (m_root.empty()) {
            const ResolvedPath here = m_files.resolveLinks(".");
            if (here.error != 0) {
                failed("the working folder", here.error);
                return false;
            }
            m_root = rootOf(here.path);
            const std::vector<std::string> hereNames = namesOf(here.path, m_root.size());
            m_pending.insert(m_pending.begin(), hereNames.begin(), hereNames.end());
        }
        if (m_root.empty()) // a file system that knows no folders: only its own paths to go by
            m_root = std::string(".") + kSeparator;
        m_at = m_root;
        return true;
    }

    bool checkFolder(const std::string& folder, const PathInfo& info) {
        int error = 0;
        std::string risk = folderChangeRisk(m_files, folder, info, &error);
        if (error != 0) {
            failed("the folder " + folder, error);
            return false;
        }
        if (!risk.empty()) {
            refuse(PathStatus::Unsafe, std::move(risk));
            return false;
        }
        m_open = othersMayAdd(m_files, folder, info);
        return true;
    }

    // The root too; a file system without folders (the in-memory one of the fuzz targets) has none.
    bool checkRoot() {
        const PathInfo info = m_files.stat(m_root, false);
        if (!info.exists && info.error != 0 && info.error != ENOENT) {
            failed("the folder " + m_root, info.error);
            return false;
        }
        return !info.exists || checkFolder(m_root, info);
    }

    // Back to the folder before, which the walk has already checked.
    void upOneFolder() {
        if (!m_folders.empty())
            m_folders.pop_back();
        m_at = m_root;
        for (const std::string& folder : m_folders)
            m_at = joined(m_at, folder);
        m_open = false;
        if (const PathInfo info = m_files.stat(m_at, false); info.exists)
            m_open = othersMayAdd(m_files, m_at, info);
    }

    void missing(const std::string& next, const PathInfo& info, bool last) {
        if (info.error != 0 && info.error != ENOENT) {
            m_result.atEnd = last;
            failed(next, info.error);
            return;
        }
        m_result.status = PathStatus::Missing;
        m_result.error = last ? 0 : ENOENT;
        if (m_result.throughLink) {
            std::string rest = next;
            for (const std::string& more : m_pending)
                rest = joined(rest, more);
            m_result.path = rest;
        }
    }

    // A link is followed only when it is root's or the running user's; false when the walk ends here.
    bool followLink(const std::string& next, const PathInfo& info, bool last) {
        m_result.atEnd = last;
        if (!trusted(info.uid)) {
            refuse(PathStatus::Unsafe, next == m_path && last ? std::string("it is a link that belongs to another user")
                                                              : "the link " + next + " belongs to another user");
            return false;
        }
        if (++m_links > kMaxLinks) {
            failed(next, ELOOP);
            return false;
        }
        ResolvedPath target = m_files.readLink(next);
        if (target.error == ENOTSUP)
            target = m_files.resolveLinks(next);
        if (target.error != 0 || target.path.empty()) {
            failed(next, target.error != 0 ? target.error : ENOENT);
            return false;
        }
        const std::string targetRoot = rootOf(target.path);
        const std::vector<std::string> names = namesOf(target.path, targetRoot.size());
        m_pending.insert(m_pending.begin(), names.begin(), names.end());
        if (!targetRoot.empty()) {
            m_root = targetRoot;
            m_folders.clear();
            m_at = m_root;
            if (!checkRoot())
                return false;
        }
        m_result.linkAtEnd = m_result.linkAtEnd || (last && !m_result.throughLink);
        m_result.throughLink = true;
        m_result.atEnd = false;
        return true;
    }

    // The file (or folder) at the end.
    void checkEnd(const std::string& next, const PathInfo& info) {
        m_result.info = info;
        m_result.atEnd = true;
        if (m_result.throughLink)
            m_result.path = next;
        if (m_use == PathUse::Folder) {
            if (!info.isDirectory)
                failed(next, ENOTDIR);
            else
                checkFolder(next, info);
            return;
        }
        const std::string what = m_result.throughLink ? "the file " + next : std::string("it");
        const bool ownerTrusted = trusted(info.uid) || (m_alsoOwner && info.uid == *m_alsoOwner);
        // In a sticky folder others may write, a file of theirs may be swapped by them at any time, and
        // a second name of a file is one anyone there may have made.
        if (m_open && !info.isDirectory && !ownerTrusted) {
            refuse(PathStatus::Unsafe, what + " belongs to another user, in a folder where others may add files");
            return;
        }
        if (m_open && !info.isDirectory && info.links > 1) {
            refuse(PathStatus::Unsafe,
                   what + " has another name (a hard link), in a folder where others may add files");
            return;
        }
        if (m_use != PathUse::Read)
            return;
        if (!ownerTrusted) {
            refuse(PathStatus::Unsafe, what + " belongs to another user");
            return;
        }
        int error = 0;
        std::string risk = changeRisk(m_files, next, what, info, true, &error);
        if (error != 0)
            failed(next, error);
        else if (!risk.empty())
            refuse(PathStatus::Unsafe, std::move(risk));
    }

    FileSystem& m_files;
    const std::string& m_path;
    const PathUse m_use;
    const std::optional<uint32_t> m_alsoOwner;
    const uint32_t m_me;
    CheckedPath m_result;
    std::string m_root;
    std::deque<std::string> m_pending;
    std::vector<std::string> m_folders; // the names from root to where the walk is, none of them a link
    std::string m_at;
    bool m_open = false; // others may add files where the walk is
    int m_links = 0;
};

} // namespace

CheckedPath checkPath(FileSystem& files, const std::string& path, PathUse use, std::optional<uint32_t> alsoOwner) {
    return PathWalk(files, path, use, alsoOwner).run();
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
