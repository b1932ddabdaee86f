#include "platform/FakePlatform.h"

#include <algorithm>

namespace velmora {

void FakePlatform::failOp(Op op, int error, int skip, int times, size_t partialBytes) {
    m_faults.push_back(Fault{op, error, skip, times, partialBytes});
}

int FakePlatform::calls(Op op) const {
    const auto it = m_calls.find(op);
    return it == m_calls.end() ? 0 : it->second;
}

int FakePlatform::fault(Op op, size_t* partialBytes) {
    ++m_calls[op];
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

std::string FakePlatform::environment(const char* name) {
    const auto it = env.find(name);
    return it == env.end() ? std::string() : it->second;
}

PathInfo FakePlatform::stat(const std::string& path, bool followLinks) {
    if (int error = fault(Op::Stat)) {
        PathInfo info;
        info.error = error;
        return info;
    }
    return PosixPlatform::stat(path, followLinks);
}

int FakePlatform::openRead(const std::string& path) {
    if (int error = fault(Op::OpenRead))
        return -error;
    return PosixPlatform::openRead(path);
}

int FakePlatform::createExclusive(const std::string& path, uint32_t mode) {
    if (int error = fault(Op::CreateExclusive))
        return -error;
    return PosixPlatform::createExclusive(path, mode);
}

int FakePlatform::openWriteInPlace(const std::string& path) {
    if (int error = fault(Op::OpenWriteInPlace))
        return -error;
    return PosixPlatform::openWriteInPlace(path);
}

ssize_t FakePlatform::read(int fd, void* buffer, size_t size) {
    if (beforeRead)
        beforeRead(m_reads);
    ++m_reads;
    if (int error = fault(Op::Read))
        return -error;
    return PosixPlatform::read(fd, buffer, size);
}

ssize_t FakePlatform::write(int fd, const void* data, size_t size) {
    size_t partial = 0;
    if (int error = fault(Op::Write, &partial)) {
        // A disk that fills up part way: some bytes land, then the write fails.
        if (partial > 0)
            PosixPlatform::write(fd, data, std::min(partial, size));
        return -error;
    }
    return PosixPlatform::write(fd, data, size);
}

int FakePlatform::syncFile(int fd) {
    if (int error = fault(Op::Sync))
        return -error;
    return PosixPlatform::syncFile(fd);
}

int FakePlatform::setMode(int fd, uint32_t mode) {
    if (int error = fault(Op::SetMode))
        return -error;
    return PosixPlatform::setMode(fd, mode);
}

int FakePlatform::rename(const std::string& from, const std::string& to) {
    if (int error = fault(Op::Rename))
        return -error;
    return PosixPlatform::rename(from, to);
}

int FakePlatform::remove(const std::string& path) {
    if (int error = fault(Op::Remove))
        return -error;
    return PosixPlatform::remove(path);
}

std::string FakePlatform::chooseOpenFile(const FileDialogRequest& request) {
    dialogRequests.push_back(request);
    if (openAnswers.empty())
        return {};
    std::string answer = openAnswers.front();
    openAnswers.erase(openAnswers.begin());
    return answer;
}

std::string FakePlatform::chooseSaveFile(const FileDialogRequest& request) {
    dialogRequests.push_back(request);
    if (saveAnswers.empty())
        return {};
    std::string answer = saveAnswers.front();
    saveAnswers.erase(saveAnswers.begin());
    return answer;
}

} // namespace velmora
