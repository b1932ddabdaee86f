#pragma once

#include "platform/FileSystem.h"

#include <optional>
#include <string>

namespace velmora {

// What a run does with the file at the end of a path, which decides what is asked of that file.
enum class PathUse {
    // Written by replacing it (the HOSTS file, its backup, journal and temporary files): every folder
    // on the way and every link must be beyond other users; the file itself is replaced, not trusted.
    Replace,
    // Taken in (a list, the allowlist, a backup to restore, a kept download, the lock): the file must
    // also belong to root or the running user, and no one else may change it.
    Read,
    // A folder files are kept in (the download cache): the folder itself is asked what every folder
    // on the way is.
    Folder,
};

enum class PathStatus {
    Safe,    // only root and the running user could change or replace what path names
    Missing, // as Safe, but nothing is there yet; error is ENOENT when a folder on the way is missing
    Unsafe,  // another user could change or replace it: reason says how
    Failed,  // a step could not be looked at: error and reason say why
};

struct CheckedPath {
    PathStatus status = PathStatus::Safe;
    // What to open, never through a link: path with every link on the way followed (each one checked),
    // or path itself when there was none.
    std::string path;
    std::string reason; // Unsafe and Failed: why, naming the step ("the folder /home/ann belongs to another user")
    int error = 0;
    bool atEnd = false;       // the refusal or failure is about the file at the end, not a folder or link on the way
    bool throughLink = false; // a link was followed
    bool linkAtEnd = false;   // path itself names a link
    PathInfo info;            // the file or folder at the end (lstat), when it exists

    bool usable() const { return status == PathStatus::Safe || status == PathStatus::Missing; }
};

// The one check of every path that a run reads or writes, and of all of them when it runs as root. It
// walks path from the root (a relative one from the working folder's own root) one component at a
// time with lstat. A link is followed only when it belongs to root or the running user, and what it
// names is walked the same way. Every folder on the way must belong to root or the running user and
// be closed to changes by anyone else: by its mode (for root also by a group other than root's) and by
// its access list; a sticky folder only lets others add files, so a file at the end of the path in it
// must belong to root or the running user and have no other name (a planted hard link). alsoOwner is
// one more user whose file at the end is trusted (the HOSTS file's owner, for its backup). Nothing is
// opened or changed; the caller then opens the returned path without following a link at its end.
CheckedPath checkPath(FileSystem& files, const std::string& path, PathUse use,
                      std::optional<uint32_t> alsoOwner = std::nullopt);

// Why another user than root and the running one could put something of theirs in the folder (info
// is what lstat says of it): it is theirs, or its mode or access list lets them change it; empty when
// no one could. A sticky folder only lets each user change what is theirs. error is set when the
// access list cannot be read.
std::string folderChangeRisk(FileSystem& files, const std::string& folder, const PathInfo& info, int* error = nullptr);

// The file system as it is, except that a file is never opened for reading through a link at the end
// of its path: for reading, by readers that open by path, a path that checkPath has returned.
class NoFollowReads : public FileSystem {
public:
    explicit NoFollowReads(FileSystem& files) : m_files(files) {}

    int openRead(const std::string& path, bool) override { return m_files.openRead(path, false); }

    PathInfo stat(const std::string& path, bool followLinks) override { return m_files.stat(path, followLinks); }
    ResolvedPath resolveLinks(const std::string& path) override { return m_files.resolveLinks(path); }
    ResolvedPath readLink(const std::string& path) override { return m_files.readLink(path); }
    AccessList accessList(const std::string& path) override { return m_files.accessList(path); }
    PathInfo fileInfo(int fd) override { return m_files.fileInfo(fd); }
    int createExclusive(const std::string& path, uint32_t mode) override { return m_files.createExclusive(path, mode); }
    int openWriteInPlace(const std::string& path) override { return m_files.openWriteInPlace(path); }
    ssize_t read(int fd, void* buffer, size_t size) override { return m_files.read(fd, buffer, size); }
    ssize_t write(int fd, const void* data, size_t size) override { return m_files.write(fd, data, size); }
    int copyData(int from, int to) override { return m_files.copyData(from, to); }
    int syncFile(int fd) override { return m_files.syncFile(fd); }
    int setOwner(int fd, uint32_t uid, uint32_t gid) override { return m_files.setOwner(fd, uid, gid); }
    int setMode(int fd, uint32_t mode) override { return m_files.setMode(fd, mode); }
    int setReadOnly(const std::string& path, bool readOnly) override { return m_files.setReadOnly(path, readOnly); }
    int close(int fd) override { return m_files.close(fd); }
    int rename(const std::string& from, const std::string& to) override { return m_files.rename(from, to); }
    int remove(const std::string& path) override { return m_files.remove(path); }
    int syncDirectory(const std::string& dir) override { return m_files.syncDirectory(dir); }
    FolderNames listFolder(const std::string& dir) override { return m_files.listFolder(dir); }
    int makeFolder(const std::string& path, uint32_t mode) override { return m_files.makeFolder(path, mode); }
    int openLockFile(const std::string& path, uint32_t mode) override { return m_files.openLockFile(path, mode); }
    int tryLock(int fd) override { return m_files.tryLock(fd); }
    int truncate(int fd) override { return m_files.truncate(fd); }
    uint32_t userId() override { return m_files.userId(); }
    int processId() override { return m_files.processId(); }
    std::string errorText(int error) override { return m_files.errorText(error); }

private:
    FileSystem& m_files;
};

// How a run reads a file that it was named and whose bytes it takes in (a list, the allowlist). A run
// as root reads it only where checkPath(Read) finds that no other user could change or swap it, at the
// path the check gives (every link on the way followed and checked) and never through a link at its
// end; refusal() says why not and what to do. Any other user reads it as named, links and all: the
// file can hold nothing that user could not read anyway.
class CheckedRead {
public:
    CheckedRead(FileSystem& files, const std::string& path);
    CheckedRead(const CheckedRead&) = delete;
    CheckedRead& operator=(const CheckedRead&) = delete;

    const std::string& path() const { return m_path; }
    // Empty when the file may be read (or is missing: its reader says so).
    const std::string& refusal() const { return m_refusal; }
    FileSystem& files() { return m_checked ? m_noFollow : m_files; }

private:
    FileSystem& m_files;
    NoFollowReads m_noFollow;
    bool m_checked = false;
    std::string m_path;
    std::string m_refusal;
};

} // namespace velmora
