#include "platform/FakeFileSystem.h"

#include <algorithm>

namespace velmora {

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

PathInfo FakeFileSystem::stat(const std::string& path, bool followLinks) {
    if (int error = fault(Op::Stat)) {
        PathInfo info;
        info.error = error;
        return info;
    }
    return PosixFileSystem::stat(path, followLinks);
}

int FakeFileSystem::openRead(const std::string& path) {
    if (int error = fault(Op::OpenRead))
        return -error;
    return PosixFileSystem::openRead(path);
}

int FakeFileSystem::createExclusive(const std::string& path, uint32_t mode) {
    created.emplace_back(path, mode);
    if (int error = fault(Op::CreateExclusive))
        return -error;
    return PosixFileSystem::createExclusive(path, mode);
}

int FakeFileSystem::openWriteInPlace(const std::string& path) {
    if (int error = fault(Op::OpenWriteInPlace))
        return -error;
    return PosixFileSystem::openWriteInPlace(path);
}

ssize_t FakeFileSystem::read(int fd, void* buffer, size_t size) {
    if (beforeRead)
        beforeRead(m_reads);
    ++m_reads;
    if (int error = fault(Op::Read))
        return -error;
    return PosixFileSystem::read(fd, buffer, size);
}

ssize_t FakeFileSystem::write(int fd, const void* data, size_t size) {
    size_t partial = 0;
    if (int error = fault(Op::Write, &partial)) {
        // A disk that fills up part way: some bytes land, then the write fails.
        if (partial > 0)
            PosixFileSystem::write(fd, data, std::min(partial, size));
        return -error;
    }
    return PosixFileSystem::write(fd, data, size);
}

int FakeFileSystem::syncFile(int fd) {
    if (int error = fault(Op::Sync))
        return -error;
    return PosixFileSystem::syncFile(fd);
}

int FakeFileSystem::setMode(int fd, uint32_t mode) {
    if (int error = fault(Op::SetMode))
        return -error;
    return PosixFileSystem::setMode(fd, mode);
}

int FakeFileSystem::rename(const std::string& from, const std::string& to) {
    if (int error = fault(Op::Rename))
        return -error;
    return PosixFileSystem::rename(from, to);
}

int FakeFileSystem::remove(const std::string& path) {
    if (int error = fault(Op::Remove))
        return -error;
    return PosixFileSystem::remove(path);
}

} // namespace velmora
