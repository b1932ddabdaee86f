#pragma once

#include "core/EntryList.h"
#include "core/LineText.h"
#include "core/PathSafety.h"
#include "platform/FileSystem.h"

#include <functional>
#include <string>
#include <string_view>

namespace velmora {

// True when path names a regular file (links followed) that is at least one byte long. Missing
// files, empty files, folders, devices and FIFOs all count as absent.
bool fileHasData(FileSystem& files, const std::string& path);

// A hash of a file's bytes, fed piece by piece; pieces split anywhere give the same value.
class ContentHash {
public:
    void add(std::string_view bytes);
    uint64_t value() const;
    uint64_t length() const { return m_length; } // bytes added so far

private:
    // Four words at a time, each into its own lane: the lanes' multiplications overlap, so that a large
    // file is hashed about 1.7 times as fast as through one chain (7.5 GB/s here).
    static constexpr size_t kStride = 32;
    void mixStride(const char* bytes);
    uint64_t m_lanes[4] = {0x6a09e667f3bcc909ull, 0xbb67ae8584caa73bull, 0x3c6ef372fe94f82bull, 0xa54ff53a5f1d36f1ull};
    char m_tail[kStride] = {};
    size_t m_tailBytes = 0;
    uint64_t m_length = 0;
};

// Which file was read and what it held, to tell later whether another program has changed it since.
// A missing or empty file has no data and nothing else to compare.
struct FileFingerprint {
    bool hasData = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    uint64_t hash = 0;
    bool operator==(const FileFingerprint&) const = default;
};

// A file's bytes, read to its end. A read that fails part way keeps what was read before the failure
// and reports the error; a file that cannot be opened gives no bytes and its error.
struct FileBytes {
    std::string bytes;
    int error = 0;
    FileFingerprint fingerprint;
};
// fingerprint: also take the file's fingerprint (a pass over the bytes that a list to parse does not need).
FileBytes readFileBytes(FileSystem& files, const std::string& path, bool followLinks = true, bool fingerprint = true);
// True when the file at path is still the one the fingerprint was taken of, as far as looking at it can
// tell without reading it: the same file, size and time of its last change; or still missing or empty
// when it had no data. A link at path is another file unless followLinks.
bool looksUnchanged(FileSystem& files, const std::string& path, const FileFingerprint& read, bool followLinks = false);

constexpr size_t kReadChunk = 1 << 20;

// Reads a file line by line without holding it whole: onLine(line) for every line, split exactly as
// forEachLine splits the same bytes. A read that fails part way ends the file at the last line end
// before the failure: the line it cut is dropped, never taken for a whole one. Returns 0 or the errno of
// the failure, and when asked the fingerprint of what was read. chunkSize is for tests.
int readFileLines(FileSystem& files, const std::string& path, const std::function<void(std::string_view)>& onLine,
                  size_t chunkSize = kReadChunk, FileFingerprint* fingerprint = nullptr);
// The LF bytes in bytes.
size_t countLineEnds(std::string_view bytes);
// About how many lines a text of `size` bytes holds whose first bytes are `sample`: its lines as many
// to the byte as the sample's (LF ends counted), never fewer than the sample's. For sizing what will
// hold them without reading the text twice; a guess too small only costs growing.
size_t estimateLines(std::string_view sample, uint64_t size);
// Makes room in list for `lines` lines of `bytes` bytes about to be appended (with room for an address
// in front of each), so that ten million lines are not copied as the list grows. Room never used costs
// no memory.
void reserveForLines(EntryList& list, uint64_t bytes, size_t lines);
// The same in blocks of whole lines (each ends just after a line end, except the file's last), for a
// caller that splits them itself with forEachLine and so pays no call per line. A file larger than the
// first piece is read a chunk at a time from the start.
int readFileBlocks(FileSystem& files, const std::string& path, const std::function<void(std::string_view)>& onBlock,
                   size_t chunkSize = kReadChunk, FileFingerprint* fingerprint = nullptr, bool followLinks = true);

enum class SaveStatus {
    Saved,
    BackupFailed, // the backup could not be made; the target was not touched
    NotRegular,   // the target exists but is not a regular file; it was not touched
    WriteFailed,  // the target could not be written; it holds its previous contents
    Changed,      // another program changed the target since it was read; it was not touched
    Unsafe,       // another user could redirect the write (a link or folder of theirs); nothing touched
};

struct SaveResult {
    SaveStatus status = SaveStatus::Saved;
    std::string message; // path and the system's reason, for the user; empty when saved
    int error = 0;       // errno of the failure, when the system gave one
    // The file already held exactly these bytes: nothing was written, not even the backup, which still
    // holds what was there before the last real change.
    bool unchanged = false;
    bool backedUp = false;
    std::string backupPath;
    FileFingerprint written; // the saved file, as it is now; none when it was not to be taken
    // The target had the read-only attribute (Windows): it was cleared for the write and set again
    // on what is there afterwards; the errno when it could not be set again.
    bool readOnlyCleared = false;
    int readOnlyError = 0;
    // An in-place rewrite failed and the old bytes could not be put back: the message says where they are.
    bool damaged = false;
};

// Where saving path writes: the file a link there points at, refused (message set) when a link or a
// folder on the way could be swapped by another user than root and the running one (checkPath), or
// when a link there names nothing.
struct SaveTarget {
    std::string path;
    std::string message; // empty when the target may be written
    SaveStatus status = SaveStatus::Saved;
};
SaveTarget saveTargetFor(FileSystem& files, const std::string& path);

// Writes all of data to fd; 0 or an errno.
int writeAll(FileSystem& files, int fd, std::string_view data);
// A new file of mode created exclusively under a fresh temporary name in path's folder; fd -1 and the
// errno in error when none could be made.
struct TempFile {
    std::string path;
    int fd = -1;
    int error = 0;
};
TempFile createTemporaryBeside(FileSystem& files, const std::string& path, uint32_t mode);

// The names that saving path uses beside its target: the lock, the journal of an in-place rewrite, and
// the journal of one that failed and could not put the old bytes back (which recovery rolls back).
std::string lockPathFor(const std::string& target);
std::string journalPathFor(const std::string& target);
std::string rollbackPathFor(const std::string& target);
// True when a journal of either kind is beside target: a recovery has work to do.
bool hasJournal(FileSystem& files, const std::string& target);
// True when a file holding `now` could have been left by an in-place rewrite from `old` to `fresh`
// that was cut short, or by putting `old` back after it failed: either text whole, a prefix of
// either, or the start of one followed by the rest of the other.
bool couldBeLeftByRewrite(std::string_view now, std::string_view old, std::string_view fresh);

// What the clean-up before a save found beside the target.
struct Recovery {
    bool rolledForward = false; // an in-place write that a killed run left unfinished was completed
    bool rolledBack = false;    // the old bytes of a failed in-place write were put back
    int staleRemoved = 0;       // temporary files of killed runs removed
    int error = 0;              // errno of a roll forward or back that failed (the journal is then kept)
    // The file was changed after the rewrite was cut short: it was left alone, and the bytes the
    // rewrite was writing are in keptAside (a file beside it), or still in the journal when that file
    // could not be written.
    std::string keptAside;
    std::string journal; // the journal of a failure or of a save not finished
};
// Run while holding the lock, before reading the file: finishes an in-place rewrite whose journal is
// complete and undoes one that failed, as long as the file holds what the rewrite could have left (see
// couldBeLeftByRewrite); a file changed since is left alone. An incomplete journal is dropped (the file
// was not yet touched). Then removes this user's temporary files beside the target that are older than
// a minute.
Recovery recoverHostsFile(FileSystem& files, const std::string& target, int64_t nowNs);
// What the user is told of a recovery of the file at path (a sentence naming the file that holds an
// unfinished save), or "" when it did nothing worth telling.
std::string recoveryNotice(FileSystem& files, const Recovery& recovery, const std::string& path);

// Writes every entry of lines to path, each followed by the line end that path already uses (see
// lineEndFor). When path holds data it is first copied to path + ".bak", complete and synced,
// replacing any earlier backup (a link planted at that path is replaced, never followed).
// The target is then replaced atomically: a new file in the same folder, with the old file's mode and
// owner, synced and renamed over it. A target that rename cannot replace (a bind mount: EBUSY, EXDEV)
// is rewritten in place, and restored from memory if that write fails (when that fails too, the result
// is damaged and the next recovery puts the old bytes back). A link as target is written
// through. On any failure the target and the backup keep their previous bytes. A file that already
// holds exactly the bytes to write is left alone, and so is its backup (unchanged).
// An in-place write first keeps the new bytes in a journal beside the target, so that a run killed
// part way is completed by the next (recoverHostsFile). With expected, a target whose fingerprint
// differs is left alone (Changed): the lines were made from another version of it. A target whose
// owner a new file could not get is written in place, so that it keeps its owner. A read-only target
// (Windows) has the attribute cleared for the write and set again afterwards, also when the write fails.
// Whether a save takes the fingerprint of what it wrote (SaveResult::written), for a caller that compares
// the file with it before a later save; a run that ends with its save skips hashing the bytes.
enum class WrittenFingerprint { Taken, Skipped };
SaveResult saveHostsFile(FileSystem& files, const std::string& path, const EntryList& lines,
                         LineConvention convention = nativeLineConvention(), const FileFingerprint* expected = nullptr,
                         WrittenFingerprint fingerprint = WrittenFingerprint::Taken);

// The same save with the file's new bytes given whole (line ends included), written exactly as they are.
SaveResult saveHostsBytes(FileSystem& files, const std::string& path, std::string_view bytes,
                          const FileFingerprint* expected = nullptr);

// The bytes saveHostsFile would write for lines into a file that now holds `current`.
std::string hostsFileBytes(const EntryList& lines, std::string_view current, LineConvention convention);

} // namespace velmora
