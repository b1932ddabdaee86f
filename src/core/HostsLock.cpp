#include "core/HostsLock.h"

#include "core/HostsFile.h"
#include "core/PathSafety.h"

#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

namespace velmora {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(50);

std::string holderOf(FileSystem& files, const std::string& lockPath) {
    const FileBytes bytes = readFileBytes(files, lockPath, false);
    std::string pid;
    for (char c : bytes.bytes) {
        if (c < '0' || c > '9')
            break;
        pid += c;
    }
    return pid.empty() ? std::string("another program") : "process " + pid;
}

} // namespace

HostsLock HostsLock::acquire(FileSystem& files, const std::string& target, int waitMs,
                             const std::function<void(const std::string& holder)>& waiting) {
    HostsLock lock;
    lock.m_files = &files;
    const std::string path = lockPathFor(target);
    const auto cannot = [&](Status status, const std::string& why) {
        lock.m_status = status;
        lock.m_problem = "the lock " + path + " cannot be taken: " + why;
        return std::move(lock);
    };
    // Only the file's owner may open it: anyone able to open it could hold every writer off, and a lock
    // of another user's would let them decide when two runs write at once.
    if (const CheckedPath checked = checkPath(files, path, PathUse::Read); !checked.usable())
        return cannot(checked.status == PathStatus::Unsafe ? Status::Refused : Status::Unavailable, checked.reason);
    lock.m_fd = files.openLockFile(path, 0600);
    if (lock.m_fd < 0) {
        lock.m_error = -lock.m_fd;
        lock.m_fd = -1;
        return cannot(Status::Unavailable, files.errorText(lock.m_error));
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    bool told = false;
    for (;;) {
        const int rc = files.tryLock(lock.m_fd);
        if (rc == 0)
            break;
        if (rc != -EWOULDBLOCK) {
            lock.m_error = -rc;
            lock.release();
            return cannot(Status::Unavailable, files.errorText(lock.m_error));
        }
        lock.m_holder = holderOf(files, path);
        if (std::chrono::steady_clock::now() >= deadline) {
            lock.release();
            lock.m_status = Status::Busy;
            return lock;
        }
        if (!told && waiting) {
            waiting(lock.m_holder);
            told = true;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    lock.m_status = Status::Locked;
    const std::string pid = std::to_string(files.processId()) + "\n";
    if (files.truncate(lock.m_fd) == 0)
        files.write(lock.m_fd, pid.data(), pid.size());
    return lock;
}

HostsLock::HostsLock(HostsLock&& other) noexcept {
    *this = std::move(other);
}

HostsLock& HostsLock::operator=(HostsLock&& other) noexcept {
    if (this != &other) {
        release();
        m_files = other.m_files;
        m_fd = std::exchange(other.m_fd, -1);
        m_status = std::exchange(other.m_status, Status::Unavailable);
        m_holder = std::move(other.m_holder);
        m_problem = std::move(other.m_problem);
        m_error = other.m_error;
    }
    return *this;
}

HostsLock::~HostsLock() {
    release();
}

void HostsLock::release() {
    if (m_fd >= 0 && m_files)
        m_files->close(m_fd);
    m_fd = -1;
    if (m_status == Status::Locked)
        m_status = Status::Unavailable;
}

} // namespace velmora
