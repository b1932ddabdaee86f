#pragma once

#include "platform/FileSystem.h"

#include <functional>
#include <string>

namespace velmora {

// One writer of a HOSTS file at a time: an advisory lock on a file beside it (see lockPathFor),
// held while the object lives. The holder's process number is written into the lock file, so that
// whoever waits can say who holds it.
class HostsLock {
public:
    enum class Status {
        Locked,
        Unavailable, // the lock file could not be opened or locked (error says why); nothing holds a lock
        Refused,     // the lock file is another user's, or one another user could change; it was not opened
        Busy,        // another holds it still after the wait
    };

    // Takes the lock of the file target (links already followed), trying again for up to waitMs
    // milliseconds; waiting(holder) is called once when the wait begins.
    static HostsLock acquire(FileSystem& files, const std::string& target, int waitMs,
                             const std::function<void(const std::string& holder)>& waiting = {});

    HostsLock() = default;
    HostsLock(HostsLock&& other) noexcept;
    HostsLock& operator=(HostsLock&& other) noexcept;
    HostsLock(const HostsLock&) = delete;
    HostsLock& operator=(const HostsLock&) = delete;
    ~HostsLock();

    Status status() const { return m_status; }
    bool isLocked() const { return m_status == Status::Locked; }
    // Who held the lock, as "process N" (or "another program" when it did not say).
    const std::string& holder() const { return m_holder; }
    int error() const { return m_error; }
    // Why the lock could not be taken (Unavailable, Refused), naming the lock file: "the lock
    // /etc/.hosts.velmora-lock cannot be taken: it belongs to another user". Empty otherwise.
    const std::string& problem() const { return m_problem; }
    void release();

private:
    FileSystem* m_files = nullptr;
    int m_fd = -1;
    Status m_status = Status::Unavailable;
    std::string m_holder;
    std::string m_problem;
    int m_error = 0;
};

} // namespace velmora
