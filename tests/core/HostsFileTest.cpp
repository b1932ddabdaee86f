// Reading and saving a HOSTS file, with faults injected through the file system, a run killed part
// way, another program changing the file and another user's links and folders: after each, the file
// and its backup hold exactly what they must, byte for byte, and no temporary file is left behind.

#include "core/HostsFile.h"
#include "platform/FakeFileSystem.h"
#include "support/Lines.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#ifdef _WIN32
#include <thread>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace velmora;
using velmora::test::Lines;
using velmora::test::listOf;
using velmora::test::readFile;
using velmora::test::TempDir;
using velmora::test::writeFile;
using Op = FakeFileSystem::Op;
using Names = std::set<std::string>;

namespace {

Names namesIn(const std::string& dir) {
    Names names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

uint64_t inodeOf(const std::string& path) {
    return NativeFileSystem().stat(path, true).inode;
}

#ifndef _WIN32
struct stat statOf(const std::string& path, bool followLinks = true) {
    struct stat st {};
    followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
    return st;
}
#endif

// New bytes for path: written into it, or as an editor saves (a new file renamed over it, by the
// system's own means, which on Windows replace a file that is open).
void rewrite(const std::string& path, const std::string& bytes, bool byRename) {
    writeFile(byRename ? path + ".new" : path, bytes);
    if (byRename) {
        ASSERT_EQ(NativeFileSystem().rename(path + ".new", path), 0);
    }
}

class HostsFileTest : public ::testing::Test {
protected:
    Lines readLines(const std::string& path, int* error, size_t chunk = 4, FileFingerprint* fingerprint = nullptr) {
        Lines lines;
        *error = readFileLines(
            files, path, [&](std::string_view line) { lines.emplace_back(line); }, chunk, fingerprint);
        return lines;
    }
    FileFingerprint fingerprint() {
        FileFingerprint result;
        int error = 0;
        readLines(hosts, &error, kReadChunk, &result);
        return result;
    }
    SaveResult save(const Lines& lines, LineConvention convention = LineConvention::Posix) {
        return saveHostsFile(files, hosts, listOf(lines), convention);
    }

    TempDir dir;
    FakeFileSystem files;
    std::string hosts = dir.file("hosts");
    const std::string original = "one\r\ntwo\r\nthree\r\n";
};

} // namespace

#ifndef _WIN32 // FIFOs and links are POSIX things here
// Only a regular file with at least one byte has data; a folder, FIFO, empty file or dangling link
// does not, and none of them blocks or yields a line.
TEST_F(HostsFileTest, OnlyNonEmptyRegularFilesAreRead) {
    writeFile(dir.file("one"), "x");
    writeFile(dir.file("empty"), "");
    ::mkfifo(dir.file("fifo").c_str(), 0600);
    ::symlink(dir.file("one").c_str(), dir.file("link").c_str());
    ::symlink(dir.file("none").c_str(), dir.file("dangling").c_str());
    EXPECT_TRUE(fileHasData(files, dir.file("one")));
    EXPECT_TRUE(fileHasData(files, dir.file("link")));
    for (const char* name : {"empty", "fifo", "dangling", "none", ""})
        EXPECT_FALSE(fileHasData(files, dir.file(name))) << name;
    int error = 0;
    EXPECT_TRUE(readLines(dir.file("fifo"), &error).empty());
    EXPECT_EQ(error, EINVAL);
    EXPECT_TRUE(readLines(dir.path(), &error).empty());
    EXPECT_EQ(error, EISDIR);
    EXPECT_EQ(readFileBytes(files, dir.path()).error, EISDIR);
}
#endif

// Reading piece by piece splits exactly as splitting the whole text, wherever the pieces end (a CR at
// the end of one piece and its LF at the start of the next included).
TEST_F(HostsFileTest, LinesReadInPiecesMatchTheWholeText) {
    std::mt19937 rng(7);
    const char alphabet[] = {'a', 'b', '\r', '\n', ' ', '\0'};
    for (int round = 0; round < 200; ++round) {
        std::string bytes(rng() % 64, 'x');
        for (char& c : bytes)
            c = alphabet[rng() % sizeof alphabet];
        writeFile(hosts, bytes);
        Lines whole;
        forEachLine(bytes, [&](std::string_view line) { whole.emplace_back(line); });
        for (size_t chunk : {1u, 2u, 3u, 7u, 64u}) {
            Lines pieces;
            EXPECT_EQ(readFileLines(
                          files, hosts, [&](std::string_view line) { pieces.emplace_back(line); }, chunk),
                      0);
            ASSERT_EQ(pieces, whole) << "chunk " << chunk;
        }
        EXPECT_EQ(countLineEnds(bytes), static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')));
    }
}

// What the lines of a text are guessed at from its first bytes: as many to the byte as there, never
// fewer than there, none for nothing.
// A file's hash is the same however it is read in pieces, and any one byte changed, anywhere in the
// four lanes or in the tail, or one zero byte more, gives another.
TEST(ContentHashTest, PiecesDoNotMatterEveryByteDoes) {
    std::string text;
    for (int i = 0; i < 203; ++i)
        text += static_cast<char>('a' + i % 26);
    auto hashOf = [](std::string_view bytes, size_t piece) {
        ContentHash hash;
        for (size_t at = 0; at < bytes.size(); at += piece)
            hash.add(bytes.substr(at, piece));
        EXPECT_EQ(hash.length(), bytes.size());
        return hash.value();
    };
    const uint64_t whole = hashOf(text, text.size());
    for (const size_t piece : {1, 5, 8, 31, 32, 33, 100})
        EXPECT_EQ(hashOf(text, piece), whole) << piece;
    for (size_t at = 0; at < text.size(); ++at) {
        std::string changed = text;
        changed[at] ^= 1;
        EXPECT_NE(hashOf(changed, 7), whole) << at;
    }
    EXPECT_NE(hashOf(text + '\0', 64), whole);
    EXPECT_NE(hashOf(std::string(5, '\0'), 5), hashOf(std::string(6, '\0'), 6));
}

TEST(LineEstimate, ScalesTheSample) {
    const struct {
        std::string sample;
        uint64_t size;
        size_t lines;
    } cases[] = {
        {"a\nb\n", 4, 3},
        {"a\nb\n", 400, 300},
        {"a\r\nb", 5000, 2500},
        {"abc\nde", 3, 2},
        {"", 1000, 0},
        {std::string(1000, 'x'), 1 << 20, 1048},
        {std::string(9, '\n'), 9, 10},
    };
    for (const auto& c : cases)
        EXPECT_EQ(estimateLines(c.sample, c.size), c.lines) << c.sample << " " << c.size;
}

// A file that vanishes, loses its permission, fails, grows, shrinks or is replaced while it is read:
// the reader ends with whole lines of what it saw, and the reason.
TEST_F(HostsFileTest, ReadEndsWithWholeLines) {
    const struct {
        Op op;
        int fault, skip;     // injected when fault is not 0
        const char* rewrite; // the file's new bytes before the second read
        bool byRename;       // the open file stays the old one
        Lines lines;
        int error;
    } cases[] = {
        {Op::OpenRead, ENOENT, 0, nullptr, false, {}, ENOENT},
        {Op::OpenRead, EACCES, 0, nullptr, false, {}, EACCES},
        // "two" came without its line end: it may be torn, and is not taken for a line.
        {Op::Read, EIO, 2, nullptr, false, {"one"}, EIO},
        {Op::Read, EIO, 3, nullptr, false, {"one", "two"}, EIO},
        {Op::Read, 0, 0, "one\r\ntwo\r\nthree\r\nfour\r\n", false, {"one", "two", "three", "four"}, 0},
        {Op::Read, 0, 0, "", false, {"one"}, 0},
        {Op::Read, 0, 0, "other\r\n", true, {"one", "two", "three"}, 0},
    };
    for (const auto& c : cases) {
        writeFile(hosts, original);
        files.clearFaults();
        if (c.fault)
            files.failOp(c.op, c.fault, c.skip);
        int reads = 0;
        files.beforeRead = [&](int) {
            if (++reads == 2 && c.rewrite)
                rewrite(hosts, c.rewrite, c.byRename);
        };
        int error = -1;
        EXPECT_EQ(readLines(hosts, &error), c.lines) << c.fault << (c.rewrite ? c.rewrite : "");
        EXPECT_EQ(error, c.error);
    }
}

// Exact bytes out with the target's own line end; a backup only of a target that had data.
TEST_F(HostsFileTest, SaveWritesExactBytes) {
    const std::string odd = std::string("\xEF\xBB\xBF\x61\0b\xFF\xFE", 8) + std::string(3 << 20, 'z');
    const struct {
        const char* before; // nullptr: no target
        Lines lines;
        LineConvention convention;
        std::string after;
    } cases[] = {
        {nullptr, {"a", "b"}, LineConvention::Posix, "a\nb\n"},
        {"", {"a"}, LineConvention::Posix, "a\n"},
        {"x\r\ny", {"a", " b ", ""}, LineConvention::Posix, "a\r\n b \r\n\r\n"},
        {"x\ny\r\n", {"a"}, LineConvention::Posix, "a\n"},
        {"x\ry\r\n", {"a"}, LineConvention::Posix, "a\n"},
        {"x\r\n", {}, LineConvention::Posix, ""},
        {"x\ny\n", {"a", "b"}, LineConvention::Windows, "a\r\nb\r\n"},
        {nullptr, {odd, "x"}, LineConvention::Posix, odd + "\nx\n"},
    };
    for (const auto& c : cases) {
        std::remove(hosts.c_str());
        if (c.before)
            writeFile(hosts, c.before);
        writeFile(hosts + ".bak", "old backup");
        const SaveResult result = save(c.lines, c.convention);
        SCOPED_TRACE(c.after.substr(0, 20));
        ASSERT_EQ(result.status, SaveStatus::Saved) << result.message;
        EXPECT_EQ(readFile(hosts), c.after);
        // What the window hands the helper to save as administrator is what a save writes.
        EXPECT_EQ(hostsFileBytes(listOf(c.lines), c.before ? c.before : "", c.convention), c.after);
        const bool backup = c.before && *c.before;
        EXPECT_EQ(result.backedUp, backup);
        EXPECT_EQ(readFile(hosts + ".bak"), backup ? std::string(c.before) : "old backup");
        EXPECT_EQ(namesIn(dir.path()), (Names{"hosts", "hosts.bak"}));
    }
    // A reordered list leaves its memory in pieces: small ones are gathered, large ones written as
    // they are, all in the list's order.
    const std::string a(1 << 17, 'a'), d(1 << 17, 'd');
    EntryList reordered = listOf({a, "b", "c", d});
    reordered.reorder({1, 0, 2, 3});
    ASSERT_EQ(saveHostsFile(files, hosts, reordered, LineConvention::Posix).status, SaveStatus::Saved);
    EXPECT_EQ(readFile(hosts), "b\n" + a + "\nc\n" + d + "\n");
    // What a save wrote is fingerprinted as reading it finds it, unless the caller never compares again.
    for (const WrittenFingerprint fingerprint : {WrittenFingerprint::Taken, WrittenFingerprint::Skipped}) {
        writeFile(hosts, "x\n");
        const SaveResult saved =
            saveHostsFile(files, hosts, listOf({"a", "b"}), LineConvention::Posix, nullptr, fingerprint);
        EXPECT_EQ(readFile(hosts), "a\nb\n");
        EXPECT_EQ(saved.written, fingerprint == WrittenFingerprint::Taken ? readFileBytes(files, hosts).fingerprint
                                                                          : FileFingerprint{});
    }
}

#ifndef _WIN32 // modes, links, FIFOs and other users' folders
// The file is replaced, not rewritten: a new inode with the old mode, whatever the umask; the backup
// and the file's copies are created beside the file a link names, and the link stays a link.
TEST_F(HostsFileTest, ReplacesBesideTheRealFileKeepingItsMode) {
    const mode_t oldMask = ::umask(077);
    ::mkdir(dir.file("real").c_str(), 0755);
    const std::string real = dir.file("real/hosts");
    const std::string realFolder = std::filesystem::canonical(dir.file("real")).string();
    ::symlink(real.c_str(), hosts.c_str());
    for (uint32_t mode : {0600u, 0644u, 0664u}) {
        SCOPED_TRACE(mode);
        writeFile(real, original);
        ::chmod(real.c_str(), mode);
        const ino_t inode = statOf(real).st_ino;
        files.created.clear();
        files.syncedFolders.clear();
        ASSERT_EQ(save({"new"}).status, SaveStatus::Saved);
        // Each rename is made sure of in its own folder, the backup's beside the link and the file's.
        EXPECT_EQ(files.syncedFolders, (std::vector<std::string>{dir.path() + "/", realFolder + "/"}));
        ASSERT_EQ(files.created.size(), 2u);
        EXPECT_EQ(files.created[0].first.rfind(dir.path() + "/.hosts.bak.", 0), 0u) << files.created[0].first;
        EXPECT_EQ(files.created[1].first.rfind(realFolder + "/.hosts.", 0), 0u) << files.created[1].first;
        for (const auto& created : files.created)
            EXPECT_EQ(created.second, mode);
        EXPECT_NE(statOf(real).st_ino, inode);
        EXPECT_EQ(statOf(real).st_mode & 07777, mode);
        EXPECT_EQ(statOf(hosts + ".bak").st_mode & 07777, mode);
        EXPECT_TRUE(S_ISLNK(statOf(hosts, false).st_mode));
        EXPECT_EQ(readFile(real), "new\r\n");
        EXPECT_EQ(readFile(hosts + ".bak"), original);
    }
    ::umask(oldMask);
}

// A link planted at the backup's path is replaced, never followed; a second save backs up the first.
TEST_F(HostsFileTest, BackupReplacesAPlantedLink) {
    writeFile(dir.file("victim"), "precious");
    writeFile(hosts, "old\n");
    ::symlink(dir.file("victim").c_str(), (hosts + ".bak").c_str());
    ASSERT_EQ(save({"first"}).status, SaveStatus::Saved);
    EXPECT_EQ(readFile(dir.file("victim")), "precious");
    EXPECT_TRUE(S_ISREG(statOf(hosts + ".bak", false).st_mode));
    EXPECT_EQ(readFile(hosts + ".bak"), "old\n");
    ASSERT_EQ(save({"second"}).status, SaveStatus::Saved);
    EXPECT_EQ(readFile(hosts + ".bak"), "first\n");
}

// What may not be written is refused with the path and the reason, and nothing is created: what is
// not a regular file, a missing folder, a name too long for the temporary file (which is named rather
// than the file), a folder any user may change unless it is sticky, and another user's link (only
// root can give a link away).
TEST_F(HostsFileTest, RefusalsNameThePathAndTheReason) {
    ::mkfifo(dir.file("fifo").c_str(), 0600);
    const std::string longName(250, 'h');
    writeFile(dir.file(longName), "old\n");
    const std::string open = dir.file("open");
    std::filesystem::create_directory(open);
    ::chmod(open.c_str(), 0777);
    writeFile(open + "/hosts", "x\n");
    writeFile(dir.file("real"), "theirs\n");
    ::symlink(dir.file("real").c_str(), hosts.c_str());
    const bool root = ::geteuid() == 0 && ::lchown(hosts.c_str(), 65534, 65534) == 0;
    const struct {
        std::string path;
        SaveStatus status;
        std::string start, end; // of the message
    } cases[] = {
        {dir.file("fifo"), SaveStatus::NotRegular, dir.file("fifo") + ": not a regular file", ""},
        {dir.file("no/hosts"), SaveStatus::WriteFailed, dir.file("no/hosts") + ": No such file or directory", ""},
        {dir.file(longName), SaveStatus::BackupFailed,
         "cannot write the backup " + dir.file("." + longName + ".bak.velmora-"), ": File name too long"},
        {open + "/hosts", SaveStatus::Unsafe, open + "/hosts: not written, because any user may change the folder", ""},
        {hosts, SaveStatus::Unsafe, hosts + ": not written, because it is a link that belongs to another user", ""},
    };
    for (const auto& c : cases) {
        if (c.path == hosts && !root)
            continue;
        const SaveResult result = saveHostsFile(files, c.path, listOf({"new"}));
        EXPECT_EQ(result.status, c.status) << c.path;
        EXPECT_TRUE(result.message.starts_with(c.start) && result.message.ends_with(c.end)) << result.message;
    }
    EXPECT_EQ(namesIn(dir.path()), (Names{"fifo", longName, "open", "real", "hosts"}));
    EXPECT_EQ(namesIn(open), Names{"hosts"});
    EXPECT_EQ(readFile(dir.file("real")), "theirs\n");
    ::chmod(open.c_str(), 01777);
    EXPECT_EQ(saveHostsFile(files, open + "/hosts", listOf({"new"})).status, SaveStatus::Saved);
}

#endif

#ifndef _WIN32
// A link to nothing is not followed into making a file where it points.
TEST_F(HostsFileTest, LinkToNothingIsNotFollowed) {
    ::symlink(dir.file("gone").c_str(), hosts.c_str());
    const SaveResult result = save({"new"});
    EXPECT_EQ(result.status, SaveStatus::WriteFailed);
    EXPECT_EQ(result.message, hosts + ": No such file or directory");
    EXPECT_EQ(namesIn(dir.path()), Names{"hosts"});
}
#endif

struct FaultCase {
    const char* name;
    Op op;
    int error;
    int skip;  // calls of op that go through first
    int times; // calls that fail (-1: all from then on)
    size_t partial;
    SaveStatus status;
    bool hostsKept;       // the file keeps its old bytes (else it holds the new ones)
    bool backupKept;      // the backup keeps its earlier bytes (else it holds the file's old ones)
    const char* reason;   // in the message
    bool inPlace = false; // the file keeps its inode (else it is replaced, unless kept)
    int thenError = 0;    // a write that fails after `thenSkip` writes, `thenPartial` bytes written
    int thenSkip = 0;
    size_t thenPartial = 0;
};

class SaveFaults : public HostsFileTest, public ::testing::WithParamInterface<FaultCase> {};

// Whatever fails, the file and its backup hold exactly what they must, no temporary file is left
// behind, and the message names the path and the system's reason.
TEST_P(SaveFaults, NothingIsLost) {
    const FaultCase& c = GetParam();
    writeFile(hosts, original);
    writeFile(hosts + ".bak", "older\n");
    const uint64_t inode = inodeOf(hosts);
    files.failOp(c.op, c.error, c.skip, c.times, c.partial);
    if (c.thenError)
        files.failOp(Op::Write, c.thenError, c.thenSkip, 1, c.thenPartial);
    // Several megabytes, so the file is written in more than one piece.
    Lines lines;
    std::string expected;
    for (int i = 0; i < 200000; ++i) {
        lines.push_back("127.0.0.1 host" + std::to_string(i) + ".example");
        expected += lines.back() + "\r\n";
    }
    const SaveResult result = save(lines);
    EXPECT_EQ(result.status, c.status) << result.message;
    EXPECT_EQ(readFile(hosts), c.hostsKept ? original : expected);
    EXPECT_EQ(readFile(hosts + ".bak"), c.backupKept ? "older\n" : original);
    EXPECT_EQ(inodeOf(hosts) == inode, c.hostsKept || c.inPlace);
    EXPECT_EQ(namesIn(dir.path()), (Names{"hosts", "hosts.bak"}));
    EXPECT_TRUE(!c.reason || result.message.find(c.reason) != std::string::npos) << result.message;
    // A name already taken is never opened again: every attempt has a fresh one.
    Names created;
    for (const auto& file : files.created)
        created.insert(file.first);
    EXPECT_EQ(created.size(), files.created.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveFaults,
    ::testing::Values(
        // The backup cannot be made: the file is not touched.
        FaultCase{"BackupCreateDenied", Op::CreateExclusive, EACCES, 0, 1, 0, SaveStatus::BackupFailed, true, true,
                  "Permission denied"},
        FaultCase{"NoFreeTemporaryName", Op::CreateExclusive, EEXIST, 0, -1, 0, SaveStatus::BackupFailed, true, true,
                  "File exists"},
        FaultCase{"BackupWriteDiskFull", Op::Write, ENOSPC, 0, 1, 5, SaveStatus::BackupFailed, true, true,
                  "No space left on device"},
        FaultCase{"BackupModeRefused", Op::SetMode, EPERM, 0, 1, 0, SaveStatus::BackupFailed, true, true,
                  "Operation not permitted"},
        FaultCase{"BackupSyncFails", Op::Sync, EIO, 0, 1, 0, SaveStatus::BackupFailed, true, true,
                  "Input/output error"},
        FaultCase{"BackupRenameFails", Op::Rename, EIO, 0, 1, 0, SaveStatus::BackupFailed, true, true,
                  "Input/output error"},
        FaultCase{"OldBytesUnreadable", Op::OpenRead, EACCES, 0, 1, 0, SaveStatus::BackupFailed, true, true,
                  "Permission denied"},
        // A file that cannot be looked at is not taken for a missing one (the path, then the file).
        FaultCase{"LookFails", Op::Stat, EIO, 0, 1, 0, SaveStatus::WriteFailed, true, true, ": Input/output error"},
        FaultCase{"SecondLookFails", Op::Stat, EIO, 1, 1, 0, SaveStatus::WriteFailed, true, true,
                  ": Input/output error"},
        // Taken names cost only another attempt.
        FaultCase{"TakenTemporaryNames", Op::CreateExclusive, EEXIST, 0, 2, 0, SaveStatus::Saved, false, false,
                  nullptr},
        // The file's new copy fails: the old file stays, the backup is complete.
        FaultCase{"DiskFullHalfWay", Op::Write, ENOSPC, 2, 1, 4096, SaveStatus::WriteFailed, true, false,
                  "No space left on device"},
        FaultCase{"SyncFails", Op::Sync, EIO, 1, 1, 0, SaveStatus::WriteFailed, true, false, "Input/output error"},
        FaultCase{"RenameRefused", Op::Rename, EROFS, 1, 1, 0, SaveStatus::WriteFailed, true, false,
                  "Read-only file system"},
        // Where the file cannot be replaced (a bind mount, a folder we may not write in, a mode we may
        // not set, an owner we may not give) it is written in place instead.
        FaultCase{"BindMountBusy", Op::Rename, EBUSY, 1, 1, 0, SaveStatus::Saved, false, false, nullptr, true},
        FaultCase{"CrossDevice", Op::Rename, EXDEV, 1, 1, 0, SaveStatus::Saved, false, false, nullptr, true},
        FaultCase{"FolderNotWritable", Op::CreateExclusive, EACCES, 1, 1, 0, SaveStatus::Saved, false, false, nullptr,
                  true},
        // ... but never without its journal.
        FaultCase{"NoJournalNoRewrite", Op::CreateExclusive, EACCES, 1, 2, 0, SaveStatus::WriteFailed, true, false,
                  "Permission denied"},
        FaultCase{"FileModeRefused", Op::SetMode, EPERM, 1, 1, 0, SaveStatus::Saved, false, false, nullptr, true},
        FaultCase{"FileOwnerRefused", Op::SetOwner, EPERM, 1, 1, 0, SaveStatus::Saved, false, false, nullptr, true},
        // The backup need not keep the owner: it is made all the same, and the file replaced.
        FaultCase{"BackupOwnerRefused", Op::SetOwner, EPERM, 0, 1, 0, SaveStatus::Saved, false, false, nullptr},
        // That write fails too: the old bytes are put back.
        FaultCase{"InPlaceWriteFails", Op::Rename, EBUSY, 1, 1, 0, SaveStatus::WriteFailed, true, false,
                  "No space left on device", true, ENOSPC, 8, 3}),
    [](const auto& p) { return std::string(p.param.name); });

// A file changed since it was read (appended, replaced at the same size, emptied, made where there
// was none) is left alone; an unchanged one is saved, and what was saved is what is there.
TEST_F(HostsFileTest, ChangedFileIsNotOverwritten) {
    const struct {
        const char* before; // nullptr: no file
        const char* after;  // nullptr: unchanged
        bool byRename;
    } cases[] = {{"a\n", nullptr, false},
                 {"a\n", "a\nx\n", false},
                 {"a\n", "b\n", true},
                 {"a\n", "", false},
                 {nullptr, "made\n", false}};
    for (const auto& c : cases) {
        std::remove(hosts.c_str());
        if (c.before)
            writeFile(hosts, c.before);
        const FileFingerprint read = fingerprint();
        if (c.after)
            rewrite(hosts, c.after, c.byRename);
        const SaveResult result = saveHostsFile(files, hosts, listOf({"new"}), LineConvention::Posix, &read);
        EXPECT_EQ(result.status, c.after ? SaveStatus::Changed : SaveStatus::Saved) << (c.after ? c.after : "");
        EXPECT_EQ(readFile(hosts), c.after ? c.after : "new\n");
        EXPECT_TRUE(c.after || result.written == fingerprint()) << "what was saved is what is there";
    }
}

#ifdef _WIN32
bool isReadOnly(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// A read-only backup is replaced by the next save, alone or beside a read-only HOSTS file, and keeps
// its attribute; a replacement that fails keeps the old backup, read-only, and the file untouched.
TEST_F(HostsFileTest, ReadOnlyBackupIsReplaced) {
    const std::string backup = hosts + ".bak";
    for (const bool hostsReadOnly : {false, true}) {
        for (const bool renameFails : {false, true}) {
            SetFileAttributesA(hosts.c_str(), FILE_ATTRIBUTE_NORMAL);
            writeFile(hosts, original);
            SetFileAttributesA(backup.c_str(), FILE_ATTRIBUTE_NORMAL);
            writeFile(backup, "older\r\n");
            SetFileAttributesA(backup.c_str(), FILE_ATTRIBUTE_READONLY);
            if (hostsReadOnly)
                SetFileAttributesA(hosts.c_str(), FILE_ATTRIBUTE_READONLY);
            if (renameFails)
                files.failOp(Op::Rename, EIO);
            const SaveResult result = save({"new"}, LineConvention::Windows);
            files.clearFaults();
            EXPECT_EQ(result.message, renameFails ? "cannot write the backup " + backup + ": Input/output error" : "");
            EXPECT_EQ(readFile(backup), renameFails ? "older\r\n" : original);
            EXPECT_EQ(readFile(hosts), renameFails ? original : "new\r\n");
            EXPECT_TRUE(isReadOnly(backup)) << hostsReadOnly << renameFails;
            EXPECT_EQ(isReadOnly(hosts), hostsReadOnly);
        }
    }
    SetFileAttributesA(hosts.c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA(backup.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(namesIn(dir.path()), (Names{"hosts", "hosts.bak"}));
}

// A file another program holds without sharing is waited for: a short hold costs a moment, a long one
// ends the save with the system's own words, and nothing changes. A bare name is replaced as well.
TEST_F(HostsFileTest, SharingViolationIsWaitedForThenReported) {
    const std::string busy = files.errorText(kWindowsErrorBase + ERROR_SHARING_VIOLATION);
    for (int holdMs : {300, 2500}) {
        writeFile(hosts, original);
        const HANDLE held = CreateFileA(hosts.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        std::thread release([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
            CloseHandle(held);
        });
        const SaveResult result = save({"new"});
        release.join();
        EXPECT_EQ(result.message, holdMs < 1000 ? "" : "cannot read " + hosts + ": " + busy);
        EXPECT_EQ(readFile(hosts), holdMs < 1000 ? "new\r\n" : original);
    }
    EXPECT_FALSE(busy.empty() || busy.starts_with("Windows error")) << "the system's words";
    SetCurrentDirectoryA(dir.path().c_str());
    EXPECT_EQ(saveHostsFile(files, "hosts", listOf({"bare"})).status, SaveStatus::Saved);
    EXPECT_EQ(readFile(hosts), "bare\r\n");
    SetCurrentDirectoryA("C:\\");
}
#endif

// A file that stops answering after the path check found it is not taken for a missing one, which would
// be replaced without a backup.
TEST_F(HostsFileTest, FileThatCannotBeLookedAtIsNotMissing) {
    writeFile(hosts, original);
    int looks = 0;
    files.statFault = [&](std::string path) {
        std::replace(path.begin(), path.end(), '\\', '/'); // the walk names it with the system's separator
        return path == hosts && ++looks > 1 ? EIO : 0;
    };
    const SaveResult result = save({"new"});
    EXPECT_EQ(result.status, SaveStatus::WriteFailed);
    EXPECT_EQ(result.message, hosts + ": Input/output error");
    EXPECT_EQ(readFile(hosts), original);
}

// A file that another program changes while the save is at work (after it was compared, before it is
// replaced, whether by rename or in place) is left with that program's bytes; the backup it was copied
// to meanwhile is taken from before. A save makes its rename sure on disk by syncing the folder once.
TEST_F(HostsFileTest, ChangeDuringTheSaveIsNotOverwritten) {
    for (const bool inPlace : {false, true}) {
        SCOPED_TRACE(inPlace);
        writeFile(hosts, original);
        const FileFingerprint read = fingerprint();
        files.clearFaults();
        if (inPlace)
            files.failOp(Op::Rename, EBUSY, 1);
        int reads = 0;
        // The last read of the old bytes: the backup's copy, or the in-place rewrite's own read.
        const int last = inPlace ? 5 : 3;
        files.beforeRead = [&](int) {
            if (++reads == last + 1)
                rewrite(hosts, "theirs\n", false);
        };
        const SaveResult result = saveHostsFile(files, hosts, listOf({"new"}), LineConvention::Posix, &read);
        files.beforeRead = nullptr;
        EXPECT_EQ(result.status, SaveStatus::Changed) << result.message << " after " << reads << " reads";
        EXPECT_EQ(readFile(hosts), "theirs\n");
        EXPECT_EQ(namesIn(dir.path()), (Names{"hosts", "hosts.bak"}));
    }
    files.clearFaults();
    files.syncedFolders.clear();
    ASSERT_EQ(save({"again"}).status, SaveStatus::Saved);
    EXPECT_EQ(files.syncedFolders, (std::vector<std::string>{dir.path() + "/"}));
}
