// What keeps a save from losing anything when it is not alone: a run killed part way, another
// program changing the file, another Velmora at the same time, and another user's links and folders.

#include "core/HostsFile.h"
#include "core/HostsLock.h"
#include "platform/FakeFileSystem.h"
#include "support/Lines.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmora;
using velmora::test::listOf;
using velmora::test::readFile;
using velmora::test::TempDir;
using velmora::test::writeFile;
using Op = FakeFileSystem::Op;

namespace {

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::set<std::string> namesIn(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

FileFingerprint fingerprintOf(FileSystem& files, const std::string& path) {
    FileFingerprint fingerprint;
    readFileLines(
        files, path, LineConvention::Posix, [](std::string_view) {}, kReadChunk, &fingerprint);
    return fingerprint;
}

class SaveSafetyTest : public ::testing::Test {
protected:
    TempDir dir;
    FakeFileSystem files;
    std::string hosts = dir.file("hosts");
};

} // namespace

// A run killed at any step of an in-place rewrite (a file rename cannot replace): the next run's
// recovery leaves the old bytes or the new ones, never a mix, and no file of the killed run stays.
TEST_F(SaveSafetyTest, KilledInPlaceRewriteIsFinishedOrUndone) {
    const std::string old = "127.0.0.1 localhost\n";
    test::Lines lines;
    std::string fresh;
    for (int i = 0; i < 150000; ++i) { // several megabytes: written in several pieces
        lines.push_back("127.0.0.1 host" + std::to_string(i));
        fresh += lines.back() + "\n";
    }
    const EntryList list = listOf(lines);
    std::set<std::string> outcomes;
    bool finished = false;
    for (int step = 0; !finished; ++step) {
        writeFile(hosts, old);
        FakeFileSystem killed;
        killed.failOp(Op::Rename, EBUSY, 1); // the backup goes into place; the file itself cannot
        killed.stopAfterChanges = step;
        const SaveStatus status = saveHostsFile(killed, hosts, list, LineConvention::Posix).status;
        finished = killed.changes < step; // never stopped: the last step
        if (finished) {
            EXPECT_EQ(status, SaveStatus::Saved);
        }
        const Recovery recovery = recoverHostsFile(files, hosts, nowNs() + 120'000'000'000);
        const std::string now = readFile(hosts);
        ASSERT_TRUE(now == old || now == fresh) << "step " << step << ": " << now.size() << " bytes";
        EXPECT_EQ(recovery.error, 0);
        outcomes.insert(now == old ? "old" : recovery.rolledForward ? "rolled forward" : "new");
        const std::set<std::string> left = namesIn(dir.path());
        EXPECT_EQ(left.count("hosts"), 1u);
        EXPECT_LE(left.size(), 3u) << "step " << step; // hosts, hosts.bak and the lock at most
        std::filesystem::remove(hosts + ".bak");
    }
    EXPECT_EQ(outcomes, (std::set<std::string>{"old", "rolled forward", "new"}));
}

// A journal that is not whole (cut short, or not a journal) is dropped and the file left alone.
TEST_F(SaveSafetyTest, BrokenJournalIsDropped) {
    for (const std::string record : {"velmora-journal 1 9 123\nshort", "velmora-journal 1 5 123\nshort", "other"}) {
        writeFile(hosts, "old\n");
        writeFile(journalPathFor(hosts), record);
        EXPECT_FALSE(recoverHostsFile(files, hosts, nowNs()).rolledForward);
        EXPECT_EQ(readFile(hosts), "old\n");
        EXPECT_FALSE(test::exists(journalPathFor(hosts)));
    }
}

// Only this program's leftovers older than a minute go; anything else beside the file stays.
TEST_F(SaveSafetyTest, StaleTemporaryFilesAreRemoved) {
    const std::set<std::string> kept = {"hosts", ".hosts.velmora-lock", ".other.velmora-1-2-3", ".hosts.velmora-x",
                                        "hosts.velmora-1-2-3"};
    for (const std::string& name : kept)
        writeFile(dir.file(name), "x");
    for (const char* name :
         {".hosts.velmora-1-2-3", ".hosts.bak.velmora-4-5-6", "..hosts.velmora-journal.velmora-7-8-9"})
        writeFile(dir.file(name), "x");
    EXPECT_EQ(recoverHostsFile(files, hosts, nowNs()).staleRemoved, 0); // too young: a slow run's
    EXPECT_EQ(recoverHostsFile(files, hosts, nowNs() + 61'000'000'000).staleRemoved, 3);
    EXPECT_EQ(namesIn(dir.path()), kept);
}

// A file changed since it was read is left alone, however it changed; an unchanged one is saved.
TEST_F(SaveSafetyTest, ChangedFileIsNotOverwritten) {
    const struct {
        const char* name;
        std::function<void()> change;
        SaveStatus status;
    } cases[] = {
        {"unchanged", [] {}, SaveStatus::Saved},
        {"appended",
         [&] {
             std::FILE* f = std::fopen(hosts.c_str(), "a");
             std::fputs("x\n", f);
             std::fclose(f);
         },
         SaveStatus::Changed},
        {"replaced, same size",
         [&] {
             writeFile(hosts + ".new", "b\n");
             std::filesystem::rename(hosts + ".new", hosts);
         },
         SaveStatus::Changed},
        {"emptied", [&] { writeFile(hosts, ""); }, SaveStatus::Changed},
    };
    for (const auto& c : cases) {
        writeFile(hosts, "a\n");
        const FileFingerprint read = fingerprintOf(files, hosts);
        c.change();
        const std::string before = readFile(hosts);
        const SaveResult result = saveHostsFile(files, hosts, listOf({"new"}), LineConvention::Posix, &read);
        EXPECT_EQ(result.status, c.status) << c.name;
        EXPECT_EQ(readFile(hosts), c.status == SaveStatus::Saved ? "new\n" : before) << c.name;
        if (c.status == SaveStatus::Saved) {
            EXPECT_EQ(result.written, fingerprintOf(files, hosts)) << "what was saved is what is there";
        }
    }
    // A file that was missing when read and has been made since.
    std::filesystem::remove(hosts);
    const FileFingerprint missing = fingerprintOf(files, hosts);
    writeFile(hosts, "made meanwhile\n");
    EXPECT_EQ(saveHostsFile(files, hosts, listOf({"new"}), LineConvention::Posix, &missing).status,
              SaveStatus::Changed);
}

// One writer at a time: a second lock waits, then gives up naming the holder; the first one's
// release lets it in.
TEST_F(SaveSafetyTest, LockHasOneHolder) {
    writeFile(hosts, "x\n");
    HostsLock first = HostsLock::acquire(files, hosts, 0);
    ASSERT_TRUE(first.isLocked());
    int waits = 0;
    std::string holder;
    HostsLock second = HostsLock::acquire(files, hosts, 120, [&](const std::string& who) {
        ++waits;
        holder = who;
    });
    EXPECT_EQ(second.status(), HostsLock::Status::Busy);
    EXPECT_EQ(waits, 1);
    EXPECT_EQ(holder, "process " + std::to_string(::getpid()));
    first.release();
    EXPECT_TRUE(HostsLock::acquire(files, hosts, 0).isLocked());
    EXPECT_EQ(HostsLock::acquire(files, dir.file("no/hosts"), 0).status(), HostsLock::Status::Unavailable);
}

// Another user's link or a folder another user may change is refused before anything is written.
// The running user is faked as root, and the other user is whoever really runs the test, or nobody.
TEST_F(SaveSafetyTest, OtherUsersLinksAndFoldersAreRefused) {
    const uint32_t other = ::geteuid() == 0 ? 65534 : ::geteuid();
    files.fakeUserId = 0;
    std::filesystem::create_directories(dir.file("safe"));
    std::filesystem::create_directories(dir.file("open"));
    writeFile(dir.file("safe/hosts"), "root's\n");
    writeFile(dir.file("open/hosts"), "x\n");
    ::chown(dir.path().c_str(), 0, 0); // as root only; else the folder is the running user's, like root's
    ::symlink(dir.file("safe/hosts").c_str(), hosts.c_str());
    ::lchown(hosts.c_str(), other, other);
    ::chmod(dir.file("open").c_str(), 0777);
    const struct {
        std::string path;
        SaveStatus status;
        const char* why;
    } cases[] = {
        {hosts, SaveStatus::Unsafe, "a link that belongs to another user"},
        {dir.file("open/hosts"), SaveStatus::Unsafe, "any user may change the folder"},
    };
    for (const auto& c : cases) {
        const SaveResult result = saveHostsFile(files, c.path, listOf({"new"}), LineConvention::Posix);
        EXPECT_EQ(result.status, c.status) << c.path;
        EXPECT_NE(result.message.find(c.why), std::string::npos) << result.message;
    }
    EXPECT_EQ(readFile(dir.file("safe/hosts")), "root's\n");
    EXPECT_EQ(namesIn(dir.file("open")), std::set<std::string>{"hosts"});
    // The sticky bit keeps others from swapping what is not theirs.
    ::chmod(dir.file("open").c_str(), 01777);
    EXPECT_EQ(saveHostsFile(files, dir.file("open/hosts"), listOf({"new"})).status, SaveStatus::Saved);
}

// A new file that cannot be given the file's owner is not put in its place: the file is written in
// place and keeps its owner (and its inode).
TEST_F(SaveSafetyTest, OwnerThatCannotBeKeptMeansInPlace) {
    writeFile(hosts, "old\n");
    struct stat before {};
    ::stat(hosts.c_str(), &before);
    files.failOp(Op::SetOwner, EPERM, 1); // the backup's owner is no matter; the file's is
    ASSERT_EQ(saveHostsFile(files, hosts, listOf({"new"}), LineConvention::Posix).status, SaveStatus::Saved);
    struct stat after {};
    ::stat(hosts.c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(readFile(hosts), "new\n");
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"hosts", "hosts.bak"}));
}

// A name too long is the temporary file's, and the message says so rather than blame the file.
TEST_F(SaveSafetyTest, FailureNamesThePathThatFailed) {
    const std::string longName = dir.file(std::string(250, 'h'));
    writeFile(longName, "old\n");
    const SaveResult result = saveHostsFile(files, longName, listOf({"new"}));
    EXPECT_EQ(result.status, SaveStatus::BackupFailed);
    EXPECT_NE(result.message.find(".velmora-"), std::string::npos) << result.message;
    EXPECT_NE(result.message.find("File name too long"), std::string::npos) << result.message;
}
