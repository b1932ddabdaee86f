// Saving the HOSTS file: where the write may go, the backup, and the atomic replacement (or the
// journaled rewrite in place where rename cannot replace).

#include "core/WriteSteps.h"

#include <cerrno>

namespace velmora {

using namespace saving;

SaveTarget saveTargetFor(FileSystem& files, const std::string& path) {
    SaveTarget result;
    auto refuse = [&](SaveStatus status, const std::string& message) {
        result.status = status;
        result.message = message;
        return result;
    };
    const CheckedPath checked = checkPath(files, path, PathUse::Replace);
    if (checked.status == PathStatus::Unsafe)
        return refuse(SaveStatus::Unsafe, path + ": not written, because " + checked.reason);
    if (checked.status == PathStatus::Failed)
        return refuse(SaveStatus::WriteFailed, checked.atEnd ? reason(files, path, checked.error)
                                                             : path + ": not written, because " + checked.reason);
    // A link to nothing is not followed into making a file; a missing folder the save itself reports.
    if (checked.status == PathStatus::Missing && checked.throughLink)
        return refuse(SaveStatus::WriteFailed, reason(files, path, ENOENT));
    result.path = checked.path;
    return result;
}

namespace {

SaveResult failure(SaveResult result, SaveStatus status, const std::string& message, int error = 0) {
    result.status = status;
    result.message = message;
    result.error = error;
    return result;
}

// What the target holds now: looked at, and read once through without being held, so that it can be
// compared with what was read; the start of it chooses the line end.
struct Found {
    PathInfo info;
    std::string head;
    FileFingerprint current;
};

// Looks at the target; a failure (the file cannot be looked at or read, or is no regular file) comes
// back as the failed save, else status Saved.
SaveResult look(FileSystem& files, const std::string& path, const std::string& target, Found& found) {
    // A file that cannot be looked at is not taken for a missing one: that would replace it unbacked.
    found.info = files.stat(target, false);
    const PathInfo& info = found.info;
    if (!info.exists && info.error != 0 && info.error != ENOENT)
        return failure({}, SaveStatus::WriteFailed, reason(files, path, info.error), info.error);
    if (info.exists && !info.isRegular)
        return failure({}, SaveStatus::NotRegular, path + ": not a regular file");
    if (info.exists && info.size > 0) {
        const int error = readFileBlocks(
            files, target,
            [&](std::string_view block) {
                if (found.head.find_first_of("\r\n") == std::string::npos)
                    found.head.append(block.substr(0, kFirstChunk));
            },
            kReadChunk, &found.current, false);
        if (error != 0)
            return failure({}, SaveStatus::BackupFailed, "cannot read " + reason(files, path, error), error);
    }
    return {};
}

// Copies the target into path + ".bak": a new file renamed into place (with the target's mode and
// owner), so that a link planted at the backup's path is replaced, never written through. Fills in the
// backup in result; false (result's message set) when it could not be made.
bool makeBackup(FileSystem& files, const std::string& path, const std::string& target, const PathInfo& info,
                SaveResult& result) {
    result.backupPath = path + ".bak";
    // The folder of the backup is made sure of once, with the target's, when they are the same.
    const bool syncBackupFolder = folderToOpen(result.backupPath) != folderToOpen(target);
    const int source = files.openRead(target, false);
    if (source < 0) {
        result = failure(result, SaveStatus::BackupFailed, "cannot read " + reason(files, path, -source), -source);
        return false;
    }
    // A read-only backup (Windows) refuses to be replaced, and would refuse every save after it: the
    // attribute comes off for the replacement and goes back on whichever backup is there afterwards.
    const PathInfo oldBackup = files.stat(result.backupPath, false);
    const bool backupReadOnly = oldBackup.exists && oldBackup.readOnly;
    if (backupReadOnly) {
        if (int rc = files.setReadOnly(result.backupPath, false); rc < 0) {
            files.close(source);
            result = failure(result, SaveStatus::BackupFailed,
                             "cannot write the backup " + reason(files, result.backupPath, -rc), -rc);
            return false;
        }
    }
    const WriteOutcome backup =
        replaceAtomically(files, result.backupPath, info, copyContent(source), false, {}, syncBackupFolder);
    files.close(source);
    if (backupReadOnly)
        files.setReadOnly(result.backupPath, true);
    if (backup.error != 0) {
        result = failure(result, SaveStatus::BackupFailed,
                         "cannot write the backup " + reason(files, backup.failedPath, backup.error), backup.error);
        return false;
    }
    result.backedUp = true;
    return true;
}

// Replaces the target with the content, or where it cannot be replaced rewrites it in place behind a
// journal. A read-only file (Windows) is replaced by no one: the attribute comes off for the write and
// goes back on whatever is there afterwards, the new file or the old one.
WriteOutcome writeTarget(FileSystem& files, const std::string& target, const PathInfo& info, const Content& content,
                         const std::function<bool()>& stillSame, SaveResult& result) {
    const bool readOnly = info.exists && info.readOnly;
    if (readOnly) {
        if (int rc = files.setReadOnly(target, false); rc < 0) {
            WriteOutcome out;
            out.error = -rc;
            out.failedPath = target;
            return out;
        }
    }
    WriteOutcome out = replaceAtomically(files, target, info, content, true, stillSame);
    if (info.exists && (out.renameRefused || out.error == EACCES || out.error == EPERM)) {
        // The file cannot be replaced (a bind mount, an owner we may not give (EPERM), a new file the
        // folder refused): write it in place, behind a journal. A file changed meanwhile was not renamed
        // over (EAGAIN), and is not written either.
        out = writeInPlaceJournaled(files, target, info, content, stillSame);
    }
    if (readOnly) {
        result.readOnlyCleared = true;
        if (int rc = files.setReadOnly(target, true); rc < 0)
            result.readOnlyError = -rc;
    }
    return out;
}

// What the user is told of an in-place rewrite that failed and could not put the old bytes back.
std::string damagedMessage(FileSystem& files, const std::string& path, const std::string& target,
                           const SaveResult& result, int error) {
    std::string message = path + " is damaged: the save failed part way (" + files.errorText(error) +
                          ") and its earlier bytes could not be put back.";
    if (result.backedUp)
        message += " They are in " + result.backupPath + ": copy it over " + path + " to restore them.";
    const std::string rollback = rollbackPathFor(target);
    const std::string journal = files.stat(rollback, false).exists ? rollback : journalPathFor(target);
    return message +
           " Velmora puts them back itself the next time it saves here, once the file can be written; "
           "until then " +
           journal + " holds them and the unsaved lines";
}

// The save of both forms: lines (each followed by the line end the old file uses) or whole bytes.
SaveResult saveContent(FileSystem& files, const std::string& path, const EntryList* lines, std::string_view bytes,
                       LineConvention convention, const FileFingerprint* expected,
                       WrittenFingerprint fingerprint = WrittenFingerprint::Taken) {
    // A link is written through: everything below works on the file it points at.
    const SaveTarget where = saveTargetFor(files, path);
    if (!where.message.empty())
        return failure({}, where.status, where.message);
    const std::string& target = where.path;
    Found found;
    if (SaveResult looked = look(files, path, target, found); looked.status != SaveStatus::Saved)
        return looked;
    const std::string changed = path + ": another program changed it after it was read";
    if (expected && !(*expected == found.current))
        return failure({}, SaveStatus::Changed, changed);
    std::function<bool()> stillSame;
    if (expected)
        stillSame = [&] { return looksUnchanged(files, target, found.current); };
    const std::string_view lineEnd = lineEndBytes(lineEndFor(found.head, convention));
    const Content content =
        lines ? Content{{}, lines, lineEnd, -1, fingerprint == WrittenFingerprint::Taken} : bytesContent(bytes);
    SaveResult result;
    // Writing what the file already holds would only put the backup of the last real change out of reach.
    if (found.current.hasData && holdsContent(files, target, found.current.size, content)) {
        result.unchanged = true;
        result.written = found.current;
        return result;
    }
    if (found.current.hasData && !makeBackup(files, path, target, found.info, result))
        return result;
    const WriteOutcome out = writeTarget(files, target, found.info, content, stillSame, result);
    if (out.changed)
        return failure(result, SaveStatus::Changed, changed);
    if (out.damaged) {
        result.damaged = true;
        return failure(result, SaveStatus::WriteFailed, damagedMessage(files, path, target, result, out.error),
                       out.error);
    }
    if (out.error != 0) {
        const std::string& failedPath = out.failedPath == target ? path : out.failedPath;
        return failure(result, SaveStatus::WriteFailed, reason(files, failedPath, out.error), out.error);
    }
    result.written = out.written;
    return result;
}

} // namespace

SaveResult saveHostsFile(FileSystem& files, const std::string& path, const EntryList& lines, LineConvention convention,
                         const FileFingerprint* expected, WrittenFingerprint fingerprint) {
    return saveContent(files, path, &lines, {}, convention, expected, fingerprint);
}

SaveResult saveHostsBytes(FileSystem& files, const std::string& path, std::string_view bytes,
                          const FileFingerprint* expected) {
    return saveContent(files, path, nullptr, bytes, nativeLineConvention(), expected);
}

std::string hostsFileBytes(const EntryList& lines, std::string_view current, LineConvention convention) {
    return joinLines(lines, lineEndBytes(lineEndFor(current, convention)));
}

} // namespace velmora
