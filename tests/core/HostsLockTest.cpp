// One writer at a time: the lock beside the HOSTS file, who holds it, and the lock files it refuses.

#include "core/HostsLock.h"
#include "core/HostsFile.h"
#include "platform/FakeFileSystem.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

using namespace velmora;
using velmora::test::readFile;
using velmora::test::TempDir;
using velmora::test::writeFile;

namespace {

class LockTest : public ::testing::Test {
protected:
    TempDir dir;
    FakeFileSystem files;
    std::string hosts = dir.file("hosts");
    std::string lockFile = lockPathFor(hosts);
};

} // namespace

// The lock file holds the holder's process number alone (a longer one there before is cut), and a
// second writer waits, hears who holds it once, and gives up Busy. Moving a held lock keeps it held
// until the last owner lets go.
TEST_F(LockTest, OneWriterAtATime) {
    {
        const HostsLock made = HostsLock::acquire(files, hosts, 0);
        ASSERT_TRUE(made.isLocked()) << made.problem();
    }
#ifndef _WIN32
    // Only its owner may open it (see RefusedAndUnavailableLocksSayWhy).
    EXPECT_EQ(std::filesystem::status(lockFile).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
#endif
    writeFile(lockFile, "123456789012\n");
    HostsLock held;
    {
        HostsLock first = HostsLock::acquire(files, hosts, 0);
        ASSERT_TRUE(first.isLocked()) << first.problem();
        held = std::move(first);
    }
    EXPECT_EQ(readFile(lockFile), std::to_string(files.processId()) + "\n");
    int told = 0;
    std::string heard;
    const HostsLock second = HostsLock::acquire(files, hosts, 120, [&](const std::string& holder) {
        ++told;
        heard = holder;
    });
    EXPECT_EQ(second.status(), HostsLock::Status::Busy);
    EXPECT_EQ(second.holder(), "process " + std::to_string(files.processId()));
    EXPECT_EQ(told, 1);
    EXPECT_EQ(heard, second.holder());
    held.release();
    EXPECT_TRUE(HostsLock::acquire(files, hosts, 0).isLocked());
}

// A lock file of another user's is never opened: whoever can open it decides when two runs write at
// once. A lock that cannot be made says why, naming the lock file.
TEST_F(LockTest, RefusedAndUnavailableLocksSayWhy) {
    writeFile(lockFile, "");
    files.fakeUserId = 1000;
    files.owners[lockFile] = {4242, 4242, 0600};
    const HostsLock theirs = HostsLock::acquire(files, hosts, 0);
    EXPECT_EQ(theirs.status(), HostsLock::Status::Refused);
    EXPECT_EQ(theirs.problem(), "the lock " + lockFile + " cannot be taken: it belongs to another user");
    files.owners.clear();
    files.failOp(FakeFileSystem::Op::Lock, EIO, 1);
    const HostsLock failing = HostsLock::acquire(files, hosts, 0);
    EXPECT_EQ(failing.status(), HostsLock::Status::Unavailable);
    EXPECT_EQ(failing.problem(), "the lock " + lockFile + " cannot be taken: " + files.errorText(EIO));
    EXPECT_EQ(failing.error(), EIO);
    const std::string missing = dir.file("gone/hosts");
    EXPECT_EQ(HostsLock::acquire(files, missing, 0).status(), HostsLock::Status::Unavailable);
}
