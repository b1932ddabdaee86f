#include "core/HostsFile.h"
#include "platform/FakePlatform.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmora;
using velmora::test::exists;
using velmora::test::readFile;
using velmora::test::TempDir;
using velmora::test::writeFile;
using Op = FakePlatform::Op;

namespace {

EntryList listOf(std::initializer_list<std::string> texts) {
    EntryList list;
    for (const auto& t : texts)
        list.addItemText(t);
    return list;
}

size_t filesIn(const std::string& dir) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
        ++n;
    return n;
}

class HostsFileTest : public ::testing::Test {
protected:
    TempDir dir;
    FakePlatform platform;
    std::string hosts = dir.file("hosts");
};

} // namespace

// Only a regular file with at least one byte has data; folders, FIFOs and links to nothing do not.
TEST_F(HostsFileTest, FileHasDataOnlyForNonEmptyRegularFiles) {
    writeFile(dir.file("one"), "x");
    writeFile(dir.file("empty"), "");
    ::mkfifo(dir.file("fifo").c_str(), 0600);
    ::symlink(dir.file("one").c_str(), dir.file("link").c_str());
    ::symlink(dir.file("none").c_str(), dir.file("dangling").c_str());
    EXPECT_TRUE(FileHasData(platform, dir.file("one")));
    EXPECT_TRUE(FileHasData(platform, dir.file("link")));
    for (const char* name : {"empty", "fifo", "dangling", "none"})
        EXPECT_FALSE(FileHasData(platform, dir.file(name))) << name;
    EXPECT_FALSE(FileHasData(platform, dir.path()));
    EXPECT_FALSE(FileHasData(platform, ""));
}

// A FIFO or a folder is refused at once instead of blocking the reader.
TEST_F(HostsFileTest, ReadingAFifoOrFolderDoesNotBlock) {
    ::mkfifo(dir.file("fifo").c_str(), 0600);
    EXPECT_NE(readFileBytes(platform, dir.file("fifo")).error, 0);
    EXPECT_EQ(readFileBytes(platform, dir.path()).error, EISDIR);
}

// A read that fails part way keeps the bytes read before the failure.
TEST_F(HostsFileTest, FailedReadKeepsWhatWasRead) {
    writeFile(hosts, std::string(3 << 20, 'a'));
    platform.failOp(Op::Read, EIO, 1);
    const FileBytes read = readFileBytes(platform, hosts);
    EXPECT_EQ(read.error, EIO);
    EXPECT_EQ(read.bytes, std::string(1 << 20, 'a'));
}

struct SaveCase {
    const char* name;
    const char* before; // nullptr: no target
    std::vector<std::string> lines;
    const char* after;
    bool backup;
};

class SaveBytes : public HostsFileTest, public ::testing::WithParamInterface<SaveCase> {};

// Exact bytes out, with the target's own line end, and a backup only of a target that had data.
TEST_P(SaveBytes, WritesExactBytes) {
    const SaveCase& c = GetParam();
    if (c.before)
        writeFile(hosts, c.before);
    writeFile(hosts + ".bak", "old backup");
    EntryList lines;
    for (const auto& l : c.lines)
        lines.addItemText(l);
    const SaveResult result = saveHostsFile(platform, hosts, lines, LineConvention::Posix);
    ASSERT_EQ(result.status, SaveStatus::Saved) << result.message;
    EXPECT_EQ(readFile(hosts), c.after);
    EXPECT_EQ(result.backedUp, c.backup);
    EXPECT_EQ(readFile(hosts + ".bak"), c.backup ? std::string(c.before) : "old backup");
    EXPECT_EQ(filesIn(dir.path()), 2u); // no temporary file left behind
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveBytes,
    ::testing::Values(SaveCase{"NewFileGetsLf", nullptr, {"a", "b"}, "a\nb\n", false},
                      SaveCase{"EmptyTargetNoBackup", "", {"a"}, "a\n", false},
                      SaveCase{"CrLfTargetKeepsCrLf", "x\r\ny", {"a", " b ", ""}, "a\r\n b \r\n\r\n", true},
                      SaveCase{"LfTarget", "x\ny\r\n", {"a"}, "a\n", true},
                      SaveCase{"EmptyListWritesNothing", "x\r\n", {}, "", true}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(HostsFileTest, WindowsConventionAlwaysWritesCrLf) {
    writeFile(hosts, "x\ny\n");
    ASSERT_EQ(saveHostsFile(platform, hosts, listOf({"a", "b"}), LineConvention::Windows).status, SaveStatus::Saved);
    EXPECT_EQ(readFile(hosts), "a\r\nb\r\n");
}

// Bytes in, bytes out: NUL, BOM, invalid UTF-8 and long lines survive a save unchanged.
TEST_F(HostsFileTest, ArbitraryBytesSurvive) {
    const std::string odd = std::string("\xEF\xBB\xBF" "a\0b\xFF\xFE", 8) + std::string(3 << 20, 'z');
    ASSERT_EQ(saveHostsFile(platform, hosts, listOf({odd, "x"}), LineConvention::Posix).status, SaveStatus::Saved);
    EXPECT_EQ(readFile(hosts), odd + "\nx\n");
}

// Saving twice: the backup holds the first save's result.
TEST_F(HostsFileTest, SecondSaveBacksUpTheFirst) {
    writeFile(hosts, "orig\n");
    saveHostsFile(platform, hosts, listOf({"first"}), LineConvention::Posix);
    saveHostsFile(platform, hosts, listOf({"second"}), LineConvention::Posix);
    EXPECT_EQ(readFile(hosts), "second\n");
    EXPECT_EQ(readFile(hosts + ".bak"), "first\n");
}

// Mode is kept; the file is a new inode (replaced, not rewritten).
TEST_F(HostsFileTest, ReplacesAtomicallyKeepingMode) {
    writeFile(hosts, "old\n");
    ::chmod(hosts.c_str(), 0640);
    struct stat before {};
    ::stat(hosts.c_str(), &before);
    ASSERT_EQ(saveHostsFile(platform, hosts, listOf({"new"}), LineConvention::Posix).status, SaveStatus::Saved);
    struct stat after {};
    ::stat(hosts.c_str(), &after);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_NE(after.st_ino, before.st_ino);
    struct stat bak {};
    ::stat((hosts + ".bak").c_str(), &bak);
    EXPECT_EQ(bak.st_mode & 07777, 0640u);
}

// A link as target is written through; the link stays a link.
TEST_F(HostsFileTest, WritesThroughASymlinkedTarget) {
    const std::string real = dir.file("real-hosts");
    writeFile(real, "old\n");
    ::symlink(real.c_str(), hosts.c_str());
    ASSERT_EQ(saveHostsFile(platform, hosts, listOf({"new"}), LineConvention::Posix).status, SaveStatus::Saved);
    EXPECT_EQ(readFile(real), "new\n");
    struct stat st {};
    ::lstat(hosts.c_str(), &st);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readFile(hosts + ".bak"), "old\n");
}

// A link planted at the backup's path is replaced, never followed.
TEST_F(HostsFileTest, BackupReplacesAPlantedLink) {
    const std::string victim = dir.file("victim");
    writeFile(victim, "precious");
    writeFile(hosts, "old\n");
    ::symlink(victim.c_str(), (hosts + ".bak").c_str());
    ASSERT_EQ(saveHostsFile(platform, hosts, listOf({"new"}), LineConvention::Posix).status, SaveStatus::Saved);
    EXPECT_EQ(readFile(victim), "precious");
    struct stat st {};
    ::lstat((hosts + ".bak").c_str(), &st);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(readFile(hosts + ".bak"), "old\n");
}

TEST_F(HostsFileTest, NeverReplacesANonRegularTarget) {
    ::mkfifo(hosts.c_str(), 0600);
    const SaveResult result = saveHostsFile(platform, hosts, listOf({"a"}), LineConvention::Posix);
    EXPECT_EQ(result.status, SaveStatus::NotRegular);
    EXPECT_EQ(result.message, hosts + ": not a regular file");
    struct stat st {};
    ::lstat(hosts.c_str(), &st);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

struct FaultCase {
    const char* name;
    Op op;
    int error;
    int skip; // calls of op that go through first
    size_t partial;
    SaveStatus status;
    const char* hostsAfter;
    const char* backupAfter;
    const char* reason;
};

class SaveFaults : public HostsFileTest, public ::testing::WithParamInterface<FaultCase> {};

// Whatever fails, the HOSTS file and its backup hold exactly what they must, no temporary file is
// left behind, and the message names the path and the system's reason.
TEST_P(SaveFaults, NothingIsLost) {
    const FaultCase& c = GetParam();
    writeFile(hosts, "orig1\norig2\n");
    writeFile(hosts + ".bak", "older\n");
    platform.failOp(c.op, c.error, c.skip, 1, c.partial);
    // Several megabytes, so the target is written in more than one piece.
    EntryList lines;
    std::string expected;
    for (int i = 0; i < 200000; ++i) {
        const std::string line = "127.0.0.1 host" + std::to_string(i) + ".example";
        lines.addItemText(line);
        expected += line + "\n";
    }
    const SaveResult result = saveHostsFile(platform, hosts, lines, LineConvention::Posix);
    EXPECT_EQ(result.status, c.status) << result.message;
    EXPECT_EQ(readFile(hosts), c.hostsAfter ? std::string(c.hostsAfter) : expected);
    EXPECT_EQ(readFile(hosts + ".bak"), c.backupAfter);
    EXPECT_EQ(filesIn(dir.path()), 2u);
    if (c.reason) {
        EXPECT_NE(result.message.find(c.reason), std::string::npos) << result.message;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveFaults,
    ::testing::Values(
        // The backup cannot be created: the target is not touched.
        FaultCase{"BackupCreateDenied", Op::CreateExclusive, EACCES, 0, 0, SaveStatus::BackupFailed,
                  "orig1\norig2\n", "older\n", "Permission denied"},
        FaultCase{"BackupWriteDiskFull", Op::Write, ENOSPC, 0, 5, SaveStatus::BackupFailed, "orig1\norig2\n",
                  "older\n", "No space left on device"},
        FaultCase{"BackupRenameFails", Op::Rename, EIO, 0, 0, SaveStatus::BackupFailed, "orig1\norig2\n", "older\n",
                  "Input/output error"},
        FaultCase{"SourceUnreadable", Op::OpenRead, EACCES, 0, 0, SaveStatus::BackupFailed, "orig1\norig2\n",
                  "older\n", "Permission denied"},
        // The target's new file fails half way: the old file stays, the backup is complete.
        FaultCase{"DiskFullHalfWay", Op::Write, ENOSPC, 2, 4096, SaveStatus::WriteFailed, "orig1\norig2\n",
                  "orig1\norig2\n", "No space left on device"},
        FaultCase{"SyncFails", Op::Sync, EIO, 1, 0, SaveStatus::WriteFailed, "orig1\norig2\n", "orig1\norig2\n",
                  "Input/output error"},
        FaultCase{"RenameRefused", Op::Rename, EROFS, 1, 0, SaveStatus::WriteFailed, "orig1\norig2\n",
                  "orig1\norig2\n", "Read-only file system"},
        // A bind-mounted file cannot be renamed over: it is written in place instead.
        FaultCase{"BindMountBusy", Op::Rename, EBUSY, 1, 0, SaveStatus::Saved, nullptr, "orig1\norig2\n", nullptr},
        FaultCase{"CrossDevice", Op::Rename, EXDEV, 1, 0, SaveStatus::Saved, nullptr, "orig1\norig2\n", nullptr}),
    [](const auto& p) { return std::string(p.param.name); });

// In place after EBUSY, and the in-place write fails too: the old bytes are put back.
TEST_F(HostsFileTest, FailedInPlaceWriteRestoresTheOldBytes) {
    writeFile(hosts, "orig1\norig2\n");
    platform.failOp(Op::Rename, EBUSY, 1);
    platform.failOp(Op::Write, ENOSPC, 2, 1, 3);
    const SaveResult result = saveHostsFile(platform, hosts, listOf({"new1", "new2"}), LineConvention::Posix);
    EXPECT_EQ(result.status, SaveStatus::WriteFailed);
    EXPECT_EQ(readFile(hosts), "orig1\norig2\n");
    EXPECT_EQ(readFile(hosts + ".bak"), "orig1\norig2\n");
}

// A missing folder: reported with the path and the reason, nothing created.
TEST_F(HostsFileTest, MissingFolderIsReported) {
    const std::string target = dir.file("no/such/hosts");
    const SaveResult result = saveHostsFile(platform, target, listOf({"a"}), LineConvention::Posix);
    EXPECT_EQ(result.status, SaveStatus::WriteFailed);
    EXPECT_EQ(result.message, target + ": No such file or directory");
}

// Reading piece by piece splits exactly as splitting the whole text, wherever the pieces end
// (a CR at the end of one piece and its LF at the start of the next included).
TEST_F(HostsFileTest, LinesReadInPiecesMatchTheWholeText) {
    std::mt19937 rng(7);
    const char alphabet[] = {'a', 'b', '\r', '\n', ' ', '\0'};
    for (int round = 0; round < 200; ++round) {
        std::string bytes(rng() % 64, 'x');
        for (char& c : bytes)
            c = alphabet[rng() % sizeof alphabet];
        writeFile(hosts, bytes);
        for (LineConvention convention : {LineConvention::Windows, LineConvention::Posix}) {
            std::vector<std::string> whole;
            forEachLine(bytes, convention, [&](std::string_view line) { whole.emplace_back(line); });
            for (size_t chunk : {1u, 2u, 3u, 7u, 64u}) {
                std::vector<std::string> pieces;
                EXPECT_EQ(readFileLines(platform, hosts, convention,
                                        [&](std::string_view line) { pieces.emplace_back(line); }, chunk),
                          0);
                ASSERT_EQ(pieces, whole) << "chunk " << chunk;
            }
        }
    }
}

// A read failing part way ends the file there: the lines so far, then the partial one.
TEST_F(HostsFileTest, LineReadingStopsAtAFailure) {
    writeFile(hosts, "one\r\ntwo\r\nthree\r\n");
    platform.failOp(Op::Read, EIO, 2);
    std::vector<std::string> lines;
    EXPECT_EQ(readFileLines(platform, hosts, LineConvention::Windows,
                            [&](std::string_view line) { lines.emplace_back(line); }, 4),
              EIO);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two"}));
}
