// Saving with one or two file operations failing anywhere (any call, a choice of errors, writes that
// land part of their bytes first). Nothing is lost:
// - saved: the file holds the new lines, the backup the old bytes (or, for a file without data, the
//   earlier backup untouched);
// - not saved: the file holds its old bytes (or is still absent), the backup is the earlier one or the
//   old bytes, and a failed backup leaves the earlier one;
// - either way no temporary file and no open descriptor is left, and the mode is kept.
// Two faults cover the file that cannot be renamed over (EBUSY) and whose in-place write then fails.
// Or the run is killed at any call instead. Either way the next run's recovery follows, and after it
// the file holds its old bytes or the new ones, never a mix: a killed rewrite in place is finished from
// its journal, and one that failed without putting the old bytes back has them put back.

#include "FuzzSupport.h"
#include "MemoryFileSystem.h"

#include "core/HostsFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>

using namespace velmora;
using namespace velmora::fuzz;

namespace {
constexpr int kErrors[] = {EIO, ENOSPC, EACCES, EPERM, EBUSY, EXDEV, EROFS, EEXIST, EINTR};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const LineConvention convention = input.ConsumeBool() ? LineConvention::Windows : LineConvention::Posix;
    MemoryFileSystem disk;
    disk.readLimit = input.ConsumeIntegralInRange<size_t>(0, 5);
    const bool killed = input.ConsumeBool();
    if (killed)
        disk.stopAt = input.ConsumeIntegralInRange(0, 47);
    const int faultCount = input.ConsumeIntegralInRange(0, 2);
    for (int i = 0; i < faultCount; ++i) {
        const int call = input.ConsumeIntegralInRange(0, 47);
        const int error = kErrors[input.ConsumeIntegralInRange<size_t>(0, std::size(kErrors) - 1)];
        disk.faults.push_back({call, error, input.ConsumeIntegralInRange<size_t>(0, 8)});
    }
    const std::vector<MemoryFileSystem::Fault> faults = disk.faults;

    const std::string path = "etc/hosts";
    const std::string backupPath = path + ".bak";
    const bool hadFile = input.ConsumeBool();
    const std::string old = hadFile ? input.ConsumeRandomLengthString(64) : std::string();
    if (hadFile) {
        disk.put(path, old);
        disk.files[path]->mode = 0604;
    }
    const bool hadBackup = input.ConsumeBool();
    const std::string earlierBackup = hadBackup ? input.ConsumeRandomLengthString(16) : std::string();
    if (hadBackup)
        disk.put(backupPath, earlierBackup);
    Lines lines;
    while (lines.size() < 8 && input.remaining_bytes() > 0)
        lines.push_back(input.ConsumeRandomLengthString(16));

    const SaveResult result = saveHostsFile(disk, path, listOf(lines), convention);
    if (std::getenv("VELMORA_FUZZ_TRACE")) {
        for (const MemoryFileSystem::Fault& f : faults)
            std::fprintf(stderr, "fault: call %d %s, %zu bytes land\n", f.call, std::strerror(f.error), f.bytes);
        std::fprintf(stderr, "file %s, backup %s, %zu lines: status %d %s\n", hadFile ? "present" : "absent",
                     hadBackup ? "present" : "absent", lines.size(), static_cast<int>(result.status),
                     result.message.c_str());
    }

    disk.stopAt = -1;
    disk.faults.clear();
    recoverHostsFile(disk, path, int64_t{1} << 62);

    std::string expected;
    const std::string_view end = lineEndBytes(lineEndFor(old, convention));
    for (const std::string& line : lines)
        expected.append(line).append(end);
    const std::string* target = disk.bytesOf(path);
    const std::string* backup = disk.bytesOf(backupPath);
    auto backupIs = [&](const std::string* expected) {
        return expected ? backup && *backup == *expected : backup == nullptr;
    };
    const std::string* earlier = hadBackup ? &earlierBackup : nullptr;
    if (killed) {
        const bool isOld = hadFile ? target && *target == old : target == nullptr;
        FUZZ_CHECK(isOld || (target && *target == expected), "a killed save leaves the old bytes or the new ones");
        FUZZ_CHECK(backupIs(earlier) || backupIs(&old), "the backup is the earlier one or the old bytes");
    } else if (result.status == SaveStatus::Saved) {
        FUZZ_CHECK(target && *target == expected, "a save that succeeded wrote every line");
        // A file that already held these bytes is left alone, and so is the backup of the last change.
        const bool same = !old.empty() && old == expected;
        FUZZ_CHECK(result.unchanged == same, "a save of the bytes already there is told apart");
        FUZZ_CHECK(result.backedUp == (!old.empty() && !same), "a file with data was backed up, unless unchanged");
        FUZZ_CHECK(backupIs(old.empty() || same ? earlier : &old), "the backup holds the old bytes");
        FUZZ_CHECK(result.message.empty(), "a save that succeeded has no message");
    } else {
        const bool isOld = hadFile ? target && *target == old : target == nullptr;
        FUZZ_CHECK(isOld, "a failed save leaves the file as it was, or its old bytes are put back");
        if (result.status == SaveStatus::BackupFailed || old.empty())
            FUZZ_CHECK(backupIs(earlier), "a failed backup leaves the earlier one");
        else
            FUZZ_CHECK(backupIs(earlier) || backupIs(&old), "the backup is the earlier one or the old bytes");
        FUZZ_CHECK(!result.message.empty(), "a failure says why");
    }
    if (hadFile)
        FUZZ_CHECK(disk.files.count(path) && disk.files[path]->mode == 0604, "the mode is kept");
    for (const auto& [name, node] : disk.files)
        FUZZ_CHECK(name == path || name == backupPath, "no temporary file is left");
    FUZZ_CHECK(disk.openDescriptors() == 0, "every file is closed");
    return 0;
}
