#pragma once

#ifdef _WIN32
#include "platform/WindowsFileSystem.h"
#else
#include "platform/PosixFileSystem.h"
#endif

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace velmora {

#ifdef _WIN32
using NativeFileSystem = WindowsFileSystem;
#else
using NativeFileSystem = PosixFileSystem;
#endif

// A file system for tests. Files are real (the tests work in temporary folders, through the file
// system of the system built for), but any operation can be made to fail.
class FakeFileSystem : public NativeFileSystem {
public:
    enum class Op {
        Stat,
        OpenRead,
        Read,
        CreateExclusive,
        OpenWriteInPlace,
        Write,
        Sync,
        SetOwner,
        SetMode,
        Rename,
        Remove,
        Lock, // opening the lock file or taking its lock
    };

    // The next calls of op fail with error, after `skip` calls of it have gone through; `times` calls
    // fail (a negative number: every call from then on). Write failures may be partial: a failing
    // write first writes `partialBytes` bytes when that is not 0.
    void failOp(Op op, int error, int skip = 0, int times = 1, size_t partialBytes = 0);
    void clearFaults() { m_faults.clear(); }
    // Called before each stat of a path: an errno to fail it with, or 0 (for a file that stops answering).
    std::function<int(const std::string& path)> statFault;
    // A hook run before the nth read of a file (for files that change while being read).
    std::function<void(int readIndex)> beforeRead;
    // Every file created exclusively: its path and the mode asked for.
    std::vector<std::pair<std::string, uint32_t>> created;
    // Every file opened for reading, in order: how often a run read a file.
    std::vector<std::string> opened;
    // Every folder synced, in order: a rename or removal made sure of.
    std::vector<std::string> syncedFolders;
    // A process killed part way: after this many calls that change files, every call fails with EIO
    // and changes nothing, as if the process were gone. Negative: never.
    int stopAfterChanges = -1;
    int changes = 0; // calls that changed files so far
    // The running user as the file system reports it (the real one when not set); the real user's
    // files then belong to it.
    int64_t fakeUserId = -1;
    // What stat says of these paths' owner, group and permission bits instead of the real ones, and
    // the access lists of paths: files and folders of other users, folders others may change, for
    // tests that run as any user. A path is named exactly as the caller names it.
    struct Owner {
        uint32_t uid = 0;
        uint32_t gid = 0;
        uint32_t mode = 0;
    };
    std::map<std::string, Owner> owners;
    std::map<std::string, AccessList> accessLists;

    PathInfo stat(const std::string& path, bool followLinks) override;
    AccessList accessList(const std::string& path) override;
    int openRead(const std::string& path, bool followLinks) override;
    int createExclusive(const std::string& path, uint32_t mode) override;
    int openWriteInPlace(const std::string& path) override;
    ssize_t read(int fd, void* buffer, size_t size) override;
    ssize_t write(int fd, const void* data, size_t size) override;
    // Through read and write, so that their faults reach a copy too.
    // NOLINTNEXTLINE(bugprone-parent-virtual-call): the base's copy on purpose, not the real system's.
    int copyData(int from, int to) override { return FileSystem::copyData(from, to); }
    int syncFile(int fd) override;
    int setOwner(int fd, uint32_t uid, uint32_t gid) override;
    int setMode(int fd, uint32_t mode) override;
    int rename(const std::string& from, const std::string& to) override;
    int remove(const std::string& path) override;
    int syncDirectory(const std::string& dir) override;
    int openLockFile(const std::string& path, uint32_t mode) override;
    int tryLock(int fd) override;
    int truncate(int fd) override;
    uint32_t userId() override;

private:
    struct Fault {
        Op op;
        int error;
        int skip;
        int times;
        size_t partialBytes;
    };
    // 0 when the call goes through, else the error to fail with (and partial bytes for writes).
    int fault(Op op, size_t* partialBytes = nullptr);
    // True when the process counts as gone; else counts one more change.
    bool stopped();

    std::vector<Fault> m_faults;
    int m_reads = 0;
};

} // namespace velmora
