#include "platform/FakeFileSystem.h"

#include <algorithm>
#include <cerrno>

namespace velmora {

namespace {

// A test names a file as it likes; the path checks build the names they look at with the system's own
// separator. On Windows both separators name the same file.
template <typename Map> typename Map::const_iterator findPath(const Map& map, const std::string& path) {
#ifdef _WIN32
    const auto same = [](const std::string& a, const std::string& b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return (x == '\\' ? '/' : x) == (y == '\\' ? '/' : y);
               });
    };
    return std::find_if(map.begin(), map.end(), [&](const auto& entry) { return same(entry.first, path); });
#else
    return map.find(path);
#endif
}

} // namespace

void FakeFileSystem::failOp(Op op, int error, int skip, int times, size_t partialBytes) {
    m_faults.push_back(Fault{op, error, skip, times, partialBytes});
}

int FakeFileSystem::fault(Op op, size_t* partialBytes) {
    for (Fault& f : m_faults) {
        if (f.op != op || f.times == 0)
            continue;
        if (f.skip > 0) {
            --f.skip;
            continue;
        }
        if (f.times > 0)
            --f.times;
        if (partialBytes)
            *partialBytes = f.partialBytes;
        return f.error;
    }
    return 0;
}

bool FakeFileSystem::stopped() {
    if (stopAfterChanges >= 0 && changes >= stopAfterChanges)
        return true;
    ++changes;
    return false;
}

PathInfo FakeFileSystem::stat(const std::string& path, bool followLinks) {
    if (int error = statFault ? statFault(path) : 0; error != 0 || (error = fault(Op::Stat)) != 0) {
        PathInfo info;
        info.error = error;
        return info;
    }
    PathInfo info = NativeFileSystem::stat(path, followLinks);
    // The files of the real user are the fake user's.
    if (fakeUserId >= 0 && info.exists && info.uid == NativeFileSystem::userId())
        info.uid = static_cast<uint32_t>(fakeUserId);
    if (const auto it = findPath(owners, path); it != owners.end() && info.exists) {
        info.uid = it->second.uid;
        info.gid = it->second.gid;
        info.mode = it->second.mode;
    }
    return info;
}

AccessList FakeFileSystem::accessList(const std::string& path) {
    const auto it = findPath(accessLists, path);
    return it != accessLists.end() ? it->second : NativeFileSystem::accessList(path);
}

int FakeFileSystem::openRead(const std::string& path, bool followLinks) {
    opened.push_back(path);
    if (int error = fault(Op::OpenRead))
        return -error;
    return NativeFileSystem::openRead(path, followLinks);
}

int FakeFileSystem::createExclusive(const std::string& path, uint32_t mode) {
    created.emplace_back(path, mode);
    if (int error = fault(Op::CreateExclusive))
        return -error;
    if (stopped())
        return -EIO;
    return NativeFileSystem::createExclusive(path, mode);
}

int FakeFileSystem::openWriteInPlace(const std::string& path) {
    if (int error = fault(Op::OpenWriteInPlace))
        return -error;
    if (stopped())
        return -EIO;
    return NativeFileSystem::openWriteInPlace(path);
}

ssize_t FakeFileSystem::read(int fd, void* buffer, size_t size) {
    if (beforeRead)
        beforeRead(m_reads);
    ++m_reads;
    if (int error = fault(Op::Read))
        return -error;
    return NativeFileSystem::read(fd, buffer, size);
}

ssize_t FakeFileSystem::write(int fd, const void* data, size_t size) {
    size_t partial = 0;
    if (stopped())
        return -EIO;
    if (int error = fault(Op::Write, &partial)) {
        // A disk that fills up part way: some bytes land, then the write fails.
        if (partial > 0)
            NativeFileSystem::write(fd, data, std::min(partial, size));
        return -error;
    }
    return NativeFileSystem::write(fd, data, size);
}

int FakeFileSystem::syncFile(int fd) {
    if (int error = fault(Op::Sync))
        return -error;
    if (stopped())
        return -EIO;
    return NativeFileSystem::syncFile(fd);
}

int FakeFileSystem::setOwner(int fd, uint32_t uid, uint32_t gid) {
    if (int error = fault(Op::SetOwner))
        return -error;
    if (stopped())
        return -EIO;
    return NativeFileSystem::setOwner(fd, uid, gid);
}

int FakeFileSystem::setMode(int fd, uint32_t mode) {
    if (int error = fault(Op::SetMode))
        return -error;
    if (stopped())
        return -EIO;
    return NativeFileSystem::setMode(fd, mode);
}

int FakeFileSystem::rename(const std::string& from, const std::string& to) {
    if (int error = fault(Op::Rename))
        return -error;
    if (stopped())
        return -EIO;
    return NativeFileSystem::rename(from, to);
}

int FakeFileSystem::remove(const std::string& path) {
    if (int error = fault(Op::Remove))
        return -error;
    if (stopped())
        return -EIO;
    return NativeFileSystem::remove(path);
}

int FakeFileSystem::syncDirectory(const std::string& dir) {
    syncedFolders.push_back(dir);
    if (stopped())
        return -EIO;
    return NativeFileSystem::syncDirectory(dir);
}

int FakeFileSystem::openLockFile(const std::string& path, uint32_t mode) {
    if (int error = fault(Op::Lock))
        return -error;
    return NativeFileSystem::openLockFile(path, mode);
}

int FakeFileSystem::tryLock(int fd) {
    if (int error = fault(Op::Lock))
        return -error;
    return NativeFileSystem::tryLock(fd);
}

int FakeFileSystem::truncate(int fd) {
    if (stopped())
        return -EIO;
    return NativeFileSystem::truncate(fd);
}

uint32_t FakeFileSystem::userId() {
    return fakeUserId >= 0 ? static_cast<uint32_t>(fakeUserId) : NativeFileSystem::userId();
}

} // namespace velmora
