// Faults around reading and saving a HOSTS file, injected through the platform layer: files that change
// between a look and a read, paths that are not files, a look that fails, and the temporary file of the
// atomic save. After each, the files hold exactly what they must, byte for byte.

#include "core/HostsFile.h"
#include "platform/FakePlatform.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmora;
using velmora::test::readFile;
using velmora::test::TempDir;
using velmora::test::writeFile;
using Op = FakePlatform::Op;
using Lines = std::vector<std::string>;

namespace {

// Records where and with which mode every exclusive file was created.
class RecordingPlatform : public FakePlatform {
public:
    struct Created {
        std::string path;
        uint32_t mode;
    };
    std::vector<Created> created;
    int createExclusive(const std::string& path, uint32_t mode) override {
        created.push_back({path, mode});
        return FakePlatform::createExclusive(path, mode);
    }
};

std::set<std::string> namesIn(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

uint32_t modeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

EntryList listOf(const Lines& texts) {
    EntryList list;
    for (const auto& t : texts)
        list.addItemText(t);
    return list;
}

class FaultTest : public ::testing::Test {
protected:
    Lines readLines(const std::string& path, int* error = nullptr, size_t chunk = 4) {
        Lines lines;
        const int rc = readFileLines(
            platform, path, LineConvention::Windows, [&](std::string_view line) { lines.emplace_back(line); }, chunk);
        if (error)
            *error = rc;
        return lines;
    }

    TempDir dir;
    RecordingPlatform platform;
    std::string hosts = dir.file("hosts");
    const std::string original = "one\r\ntwo\r\nthree\r\n";
};

} // namespace

enum class PathKind { File, Folder, Fifo };

struct OpenCase {
    const char* name;
    PathKind kind;
    int fault; // errno injected into the open after the presence check, or 0
    int error; // what the reader reports
};

class OpenFaults : public FaultTest, public ::testing::WithParamInterface<OpenCase> {};

// A file that vanishes or loses its permission after the look, a folder or a FIFO: the reader returns at
// once with the reason and no line, and the file on disk is left as it was.
TEST_P(OpenFaults, ReaderReturnsAtOnceWithTheReason) {
    const OpenCase& c = GetParam();
    if (c.kind == PathKind::File)
        writeFile(hosts, original);
    else if (c.kind == PathKind::Folder)
        ::mkdir(hosts.c_str(), 0755);
    else
        ::mkfifo(hosts.c_str(), 0644);
    EXPECT_EQ(FileHasData(platform, hosts), c.kind == PathKind::File);
    if (c.fault)
        platform.failOp(Op::OpenRead, c.fault);
    int error = 0;
    EXPECT_TRUE(readLines(hosts, &error).empty());
    EXPECT_EQ(error, c.error);
    if (c.kind == PathKind::File) {
        EXPECT_EQ(readFile(hosts), original);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, OpenFaults,
                         ::testing::Values(OpenCase{"VanishesAfterTheLook", PathKind::File, ENOENT, ENOENT},
                                           OpenCase{"PermissionLostAfterTheLook", PathKind::File, EACCES, EACCES},
                                           OpenCase{"Folder", PathKind::Folder, 0, EISDIR},
                                           OpenCase{"Fifo", PathKind::Fifo, 0, EINVAL}),
                         [](const auto& p) { return std::string(p.param.name); });

struct ChangeCase {
    const char* name;
    void (*change)(const std::string& path); // run before the second read
    Lines lines;
};

class ChangeWhileRead : public FaultTest, public ::testing::WithParamInterface<ChangeCase> {};

// A file changed by someone else while it is read: the reader ends, with whole lines of what it saw.
TEST_P(ChangeWhileRead, ReaderEndsWithWholeLines) {
    writeFile(hosts, original);
    platform.beforeRead = [&](int readIndex) {
        if (readIndex == 1)
            GetParam().change(hosts);
    };
    int error = -1;
    EXPECT_EQ(readLines(hosts, &error), GetParam().lines);
    EXPECT_EQ(error, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChangeWhileRead,
    ::testing::Values(
        ChangeCase{"Appended", [](const std::string& p) { writeFile(p, "one\r\ntwo\r\nthree\r\nfour\r\n"); },
                   {"one", "two", "three", "four"}},
        ChangeCase{"Truncated", [](const std::string& p) { writeFile(p, ""); }, {"one"}},
        // Replaced by rename, as an editor saves: the open file is still the old one, read to its end.
        ChangeCase{"ReplacedByRename",
                   [](const std::string& p) {
                       writeFile(p + ".new", "other\r\n");
                       std::filesystem::rename(p + ".new", p);
                   },
                   {"one", "two", "three"}}),
    [](const auto& p) { return std::string(p.param.name); });

// A file that cannot be looked at is not taken for a missing one: nothing is replaced, nothing backed up.
TEST_F(FaultTest, SaveStopsWhenTheFileCannotBeLookedAt) {
    for (int skip : {0, 1}) { // the look at the path itself, then at the file it names
        SCOPED_TRACE(skip);
        writeFile(hosts, original);
        writeFile(hosts + ".bak", "older\r\n");
        platform.clearFaults();
        platform.failOp(Op::Stat, EIO, skip);
        const SaveResult result = saveHostsFile(platform, hosts, listOf({"new"}), LineConvention::Windows);
        EXPECT_EQ(result.status, SaveStatus::WriteFailed);
        EXPECT_EQ(result.message, hosts + ": Input/output error");
        EXPECT_EQ(readFile(hosts), original);
        EXPECT_EQ(readFile(hosts + ".bak"), "older\r\n");
        EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"hosts", "hosts.bak"}));
    }
}

// The backup's and the file's new copies are created exclusively beside the file that is replaced, with
// its mode, whatever the umask; a link as target puts them beside the file it names.
TEST_F(FaultTest, TemporaryFilesBesideTheTargetWithItsMode) {
    const mode_t oldMask = ::umask(077);
    ::mkdir(dir.file("real").c_str(), 0755);
    const std::string real = dir.file("real/hosts");
    const std::string realFolder = std::filesystem::canonical(dir.file("real")).string();
    ::symlink(real.c_str(), hosts.c_str());
    for (uint32_t mode : {0600u, 0604u, 0644u, 0664u}) {
        SCOPED_TRACE(mode);
        writeFile(real, original);
        ::chmod(real.c_str(), mode);
        platform.created.clear();
        ASSERT_EQ(saveHostsFile(platform, hosts, listOf({"new"}), LineConvention::Windows).status, SaveStatus::Saved);
        ASSERT_EQ(platform.created.size(), 2u);
        EXPECT_EQ(platform.created[0].path.rfind(dir.path() + "/.hosts.bak.", 0), 0u) << platform.created[0].path;
        EXPECT_EQ(platform.created[1].path.rfind(realFolder + "/.hosts.", 0), 0u) << platform.created[1].path;
        for (const auto& c : platform.created)
            EXPECT_EQ(c.mode, mode);
        EXPECT_EQ(modeOf(real), mode);
        EXPECT_EQ(modeOf(hosts + ".bak"), mode);
        EXPECT_EQ(readFile(real), "new\r\n");
        EXPECT_EQ(readFile(hosts + ".bak"), original);
    }
    ::umask(oldMask);
}

// A name already taken is never opened: the save tries fresh names; when none can be had it stops
// before anything is touched.
TEST_F(FaultTest, TakenTemporaryNamesAreNeverOpened) {
    writeFile(hosts, original);
    platform.failOp(Op::CreateExclusive, EEXIST, 0, 2);
    ASSERT_EQ(saveHostsFile(platform, hosts, listOf({"new"}), LineConvention::Windows).status, SaveStatus::Saved);
    std::set<std::string> names;
    for (const auto& c : platform.created)
        names.insert(c.path);
    EXPECT_EQ(names.size(), platform.created.size());

    platform.clearFaults();
    platform.failOp(Op::CreateExclusive, EEXIST, 0, -1);
    const SaveResult result = saveHostsFile(platform, hosts, listOf({"newer"}), LineConvention::Windows);
    EXPECT_EQ(result.status, SaveStatus::BackupFailed);
    EXPECT_EQ(readFile(hosts), "new\r\n");
    EXPECT_EQ(readFile(hosts + ".bak"), original);
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"hosts", "hosts.bak"}));
}

struct TempCase {
    const char* name;
    Op op;
    int error;
    int skip; // 0: the backup's copy fails; 1: the file's
    SaveStatus status;
    const char* hostsAfter; // nullptr: the new lines
    const char* backupAfter;
};

class TemporaryRemoved : public FaultTest, public ::testing::WithParamInterface<TempCase> {};

// Whichever step fails after a copy was created, the copy is gone and both files hold what they must.
TEST_P(TemporaryRemoved, OnEveryFailurePath) {
    const TempCase& c = GetParam();
    writeFile(hosts, original);
    writeFile(hosts + ".bak", "older\r\n");
    platform.failOp(c.op, c.error, c.skip);
    const SaveResult result = saveHostsFile(platform, hosts, listOf({"new"}), LineConvention::Windows);
    EXPECT_EQ(result.status, c.status) << result.message;
    EXPECT_EQ(readFile(hosts), c.hostsAfter ? c.hostsAfter : "new\r\n");
    EXPECT_EQ(readFile(hosts + ".bak"), c.backupAfter);
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"hosts", "hosts.bak"}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TemporaryRemoved,
    ::testing::Values(
        TempCase{"BackupModeRefused", Op::SetMode, EPERM, 0, SaveStatus::BackupFailed, "one\r\ntwo\r\nthree\r\n",
                 "older\r\n"},
        TempCase{"BackupSyncFails", Op::Sync, EIO, 0, SaveStatus::BackupFailed, "one\r\ntwo\r\nthree\r\n",
                 "older\r\n"},
        TempCase{"FileModeRefusedThenWrittenInPlace", Op::SetMode, EPERM, 1, SaveStatus::Saved, nullptr,
                 "one\r\ntwo\r\nthree\r\n"},
        TempCase{"FileWriteFails", Op::Write, EIO, 1, SaveStatus::WriteFailed, "one\r\ntwo\r\nthree\r\n",
                 "one\r\ntwo\r\nthree\r\n"},
        // A folder we may not create in: the file is rewritten in place instead.
        TempCase{"FolderNotWritable", Op::CreateExclusive, EACCES, 1, SaveStatus::Saved, nullptr,
                 "one\r\ntwo\r\nthree\r\n"}),
    [](const auto& p) { return std::string(p.param.name); });
