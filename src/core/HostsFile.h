#pragma once

#include "core/EntryList.h"
#include "core/LineText.h"
#include "platform/FileSystem.h"

#include <functional>
#include <string>
#include <string_view>

namespace velmora {

// True when path names a regular file (links followed) that is at least one byte long. Missing
// files, empty files, folders, devices and FIFOs all count as absent.
bool fileHasData(FileSystem& files, const std::string& path);

// A file's bytes, read to its end. A read that fails part way keeps what was read before the failure
// and reports the error; a file that cannot be opened gives no bytes and its error.
struct FileBytes {
    std::string bytes;
    int error = 0;
};
FileBytes readFileBytes(FileSystem& files, const std::string& path);

// Reads a file line by line without holding it whole: onLine(line) for every line, split exactly as
// forEachLine splits the same bytes. A read that fails part way ends the file there (the partial
// last line is still a line). Returns 0 or the errno of the failure. chunkSize is for tests.
int readFileLines(FileSystem& files, const std::string& path, LineConvention convention,
                  const std::function<void(std::string_view)>& onLine, size_t chunkSize = 1 << 20);

enum class SaveStatus {
    Saved,
    BackupFailed, // the backup could not be made; the target was not touched
    NotRegular,   // the target exists but is not a regular file; it was not touched
    WriteFailed,  // the target could not be written; it holds its previous contents
};

struct SaveResult {
    SaveStatus status = SaveStatus::Saved;
    std::string message; // path and the system's reason, for the user; empty when saved
    bool backedUp = false;
    std::string backupPath;
};

// Writes every entry of lines to path, each followed by the line end that path already uses (see
// lineEndFor). When path holds data it is first copied to path + ".bak", complete and synced,
// replacing any earlier backup (a link planted at that path is replaced, never followed).
// The target is then replaced atomically: a new file in the same folder, with the old file's mode and
// owner, synced and renamed over it. A target that rename cannot replace (a bind mount: EBUSY, EXDEV)
// is rewritten in place, and restored from memory if that write fails. A link as target is written
// through. On any failure the target and the backup keep their previous bytes.
SaveResult saveHostsFile(FileSystem& files, const std::string& path, const EntryList& lines,
                         LineConvention convention = nativeLineConvention());

} // namespace velmora
