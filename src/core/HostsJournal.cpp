// The journal of an in-place rewrite and the recovery that the next run makes from it.
//
// A journal holds what the file held before the rewrite and what it is to hold, each with its size and
// hash. A rewrite cuts the file to nothing and writes the new bytes from the start, so a run killed part
// way leaves the old bytes, a prefix of the new ones, or (when a failed write put the old ones back) a
// prefix of those. Recovery writes only over such a file: anything else was changed by someone after
// the rewrite, and is theirs. The old bytes are kept in the journal itself rather than trusted to the
// backup, which the user may have restored or replaced meanwhile.

#include "core/WriteSteps.h"

#include <cerrno>
#include <cstdio>
#include <string_view>

namespace velmora {

using namespace saving;

namespace {

constexpr std::string_view kJournalMagic = "velmora-journal 2 ";
// How many names "hosts.unfinished-save", "hosts.unfinished-save-2", ... are tried.
constexpr int kAsideNames = 100;

struct JournalRecord {
    std::string old;   // the file's bytes before the rewrite
    std::string fresh; // the bytes it is to hold
};

// The record of a rewrite: a header with the sizes and hashes, the old bytes, then the new ones.
// `fresh` is where the new bytes begin, so that they are written from the record and held once.
std::string journalRecord(std::string_view old, const Content& content, size_t* fresh) {
    const std::string bytes = content.lines ? joinLines(*content.lines, content.lineEnd) : std::string(content.bytes);
    ContentHash oldHash, freshHash;
    oldHash.add(old);
    freshHash.add(bytes);
    std::string record = std::string(kJournalMagic) + std::to_string(old.size()) + " " +
                         std::to_string(oldHash.value()) + " " + std::to_string(bytes.size()) + " " +
                         std::to_string(freshHash.value()) + "\n";
    record.reserve(record.size() + old.size() + bytes.size());
    record.append(old);
    *fresh = record.size();
    record.append(bytes);
    return record;
}

// The two texts of a journal record, or false when the record is not whole.
bool parseJournal(const std::string& record, JournalRecord& parsed) {
    if (record.compare(0, kJournalMagic.size(), kJournalMagic) != 0)
        return false;
    const size_t end = record.find('\n');
    if (end == std::string::npos)
        return false;
    unsigned long long oldSize = 0, oldHash = 0, freshSize = 0, freshHash = 0;
    if (std::sscanf(record.c_str() + kJournalMagic.size(), "%llu %llu %llu %llu", &oldSize, &oldHash, &freshSize,
                    &freshHash) != 4 ||
        record.size() - end - 1 != oldSize + freshSize)
        return false;
    parsed.old = record.substr(end + 1, oldSize);
    parsed.fresh = record.substr(end + 1 + oldSize);
    ContentHash checkOld, checkFresh;
    checkOld.add(parsed.old);
    checkFresh.add(parsed.fresh);
    return checkOld.value() == oldHash && checkFresh.value() == freshHash;
}

size_t commonPrefix(std::string_view a, std::string_view b) {
    size_t n = 0;
    while (n < a.size() && n < b.size() && a[n] == b[n])
        ++n;
    return n;
}

// True when `now` is `first`'s beginning written over `second`: a prefix of first (the file cut and
// written part way), or first's beginning followed by the rest of second.
bool writtenOver(std::string_view now, std::string_view first, std::string_view second) {
    const size_t k = commonPrefix(now, first);
    return k == now.size() || (now.size() == second.size() && now.substr(k) == second.substr(k));
}

} // namespace

bool couldBeLeftByRewrite(std::string_view now, std::string_view old, std::string_view fresh) {
    return writtenOver(now, fresh, old) || writtenOver(now, old, fresh);
}

std::string lockPathFor(const std::string& target) {
    return folderOf(target) + "." + nameOf(target) + ".velmora-lock";
}

std::string journalPathFor(const std::string& target) {
    return folderOf(target) + "." + nameOf(target) + ".velmora-journal";
}

std::string rollbackPathFor(const std::string& target) {
    return folderOf(target) + "." + nameOf(target) + ".velmora-rollback";
}

bool hasJournal(FileSystem& files, const std::string& target) {
    return files.stat(journalPathFor(target), false).exists || files.stat(rollbackPathFor(target), false).exists;
}

namespace saving {

namespace {

// After a rewrite that failed: the old bytes back, or the file damaged. A file that holds its old bytes
// needs no journal; one that does not keeps it under the rollback name, so that the next run puts the
// old bytes back rather than finish a save the user was told had failed.
void afterFailedRewrite(FileSystem& files, const std::string& target, const std::string& journal,
                        const std::string& old, WriteOutcome& out) {
    if (writeInPlace(files, target, bytesContent(old)).error != 0) {
        const FileBytes now = readFileBytes(files, target, false);
        if (now.error != 0 || now.bytes != old) {
            out.damaged = true;
            files.rename(journal, rollbackPathFor(target));
            files.syncDirectory(folderToOpen(target));
            return;
        }
    }
    files.remove(journal);
    files.syncDirectory(folderToOpen(target));
}

} // namespace

// Rewrites target in place with the content, keeping the old and the new bytes in a journal until the
// rewrite is on disk. Without a journal there is no rewrite: a kill part way would leave the file cut
// short for good. A failed rewrite puts the old bytes back.
WriteOutcome writeInPlaceJournaled(FileSystem& files, const std::string& target, const PathInfo& info,
                                   const Content& content, const std::function<bool()>& stillSame) {
    // The old bytes, to put back should the rewrite fail; the file is still as the save found it.
    const FileBytes before = readFileBytes(files, target, false);
    if (before.error != 0) {
        WriteOutcome out;
        out.error = before.error;
        out.failedPath = target;
        return out;
    }
    const std::string journal = journalPathFor(target);
    size_t fresh = 0;
    const std::string record = journalRecord(before.bytes, content, &fresh);
    WriteOutcome journaled = replaceAtomically(files, journal, info, bytesContent(record), false, {});
    if (journaled.error != 0)
        return journaled;
    WriteOutcome out;
    if (stillSame && !stillSame()) {
        out.changed = true;
        out.error = EAGAIN;
    } else {
        out = writeInPlace(files, target, bytesContent(std::string_view(record).substr(fresh)));
    }
    if (out.error != 0 && !out.changed) {
        afterFailedRewrite(files, target, journal, before.bytes, out);
        return out;
    }
    files.remove(journal);
    files.syncDirectory(folderToOpen(target));
    return out;
}

} // namespace saving

namespace {

// A file of its own beside target for the bytes of a save that could not be finished: the first free
// name of "hosts.unfinished-save", "hosts.unfinished-save-2", ... Empty when none could be written.
std::string setAside(FileSystem& files, const std::string& target, const PathInfo& info, const std::string& bytes) {
    for (int n = 1; n <= kAsideNames; ++n) {
        std::string path = target + ".unfinished-save";
        if (n > 1)
            path.append(1, '-').append(std::to_string(n));
        const PathInfo there = files.stat(path, false);
        if (there.exists || (there.error != 0 && there.error != ENOENT))
            continue;
        return replaceAtomically(files, path, info, bytesContent(bytes), false, {}).error == 0 ? path : std::string();
    }
    return {};
}

// Finishes (forward) or undoes (back) the rewrite a journal at `journal` records, when the file holds
// what that rewrite could have left; a file changed since is left alone and the save's bytes set aside.
void replay(FileSystem& files, const std::string& target, const PathInfo& targetInfo, const std::string& journal,
            bool forward, Recovery& recovery) {
    const FileBytes record = readFileBytes(files, journal, false);
    JournalRecord parsed;
    if (record.error != 0) {
        recovery.error = record.error;
        recovery.journal = journal;
        return;
    }
    // A record that is not whole was cut short before the rewrite began: the file was not touched.
    if (parseJournal(record.bytes, parsed) && targetInfo.exists) {
        const FileBytes now = readFileBytes(files, target, false);
        const std::string& wanted = forward ? parsed.fresh : parsed.old;
        if (now.error != 0) {
            recovery.error = now.error;
            recovery.journal = journal;
            return;
        }
        if (!couldBeLeftByRewrite(now.bytes, parsed.old, parsed.fresh)) {
            recovery.journal = journal;
            recovery.keptAside = setAside(files, target, targetInfo, parsed.fresh);
            if (recovery.keptAside.empty())
                return; // the journal stays: it is the one copy of the unfinished save
        } else if (now.bytes != wanted) {
            if (const WriteOutcome out = writeInPlace(files, target, bytesContent(wanted)); out.error != 0) {
                recovery.error = out.error;
                recovery.journal = journal;
                return;
            }
            (forward ? recovery.rolledForward : recovery.rolledBack) = true;
        }
    }
    files.remove(journal);
    files.syncDirectory(folderToOpen(target));
}

} // namespace

Recovery recoverHostsFile(FileSystem& files, const std::string& target, int64_t nowNs) {
    Recovery recovery;
    const uint32_t me = files.userId();
    const PathInfo targetInfo = files.stat(target, false);
    auto ours = [&](const PathInfo& info) {
        return info.exists && info.isRegular && (info.uid == me || (targetInfo.exists && info.uid == targetInfo.uid));
    };
    // A journal a save wrote has one name; a second one is a file someone linked there (in a folder
    // where others may add files), whose bytes would become the HOSTS file's.
    for (const bool forward : {true, false}) {
        const std::string journal = forward ? journalPathFor(target) : rollbackPathFor(target);
        if (const PathInfo info = files.stat(journal, false); ours(info) && info.links <= 1) {
            replay(files, target, targetInfo, journal, forward, recovery);
            if (recovery.error != 0)
                return recovery;
        }
    }
    const std::string folder = folderToOpen(target);
    const std::string name = nameOf(target);
    for (const std::string& entry : files.listFolder(folder).names) {
        if (!isTemporaryName(entry, name))
            continue;
        const std::string path = folderOf(target) + entry;
        const PathInfo info = files.stat(path, false);
        if (ours(info) && nowNs - info.modifiedNs > kStaleAfterNs && files.remove(path) == 0)
            ++recovery.staleRemoved;
    }
    return recovery;
}

std::string recoveryNotice(FileSystem& files, const Recovery& recovery, const std::string& path) {
    if (recovery.error != 0)
        return path + ": a save that was cut short could not be finished (" + files.errorText(recovery.error) +
               "); its journal " + recovery.journal + " is kept, and the next save tries again.";
    if (!recovery.keptAside.empty())
        return path +
               " was changed after a save that was cut short, so that save was not finished and the file "
               "was left as it is. The lines that save was writing are in " +
               recovery.keptAside + ".";
    if (!recovery.journal.empty())
        return path +
               " was changed after a save that was cut short, so that save was not finished and the file "
               "was left as it is. The lines that save was writing are in its journal " +
               recovery.journal + ".";
    if (recovery.rolledForward)
        return path + ": a save that was cut short was finished.";
    if (recovery.rolledBack)
        return path + ": the bytes it held before a failed save were put back.";
    return {};
}

} // namespace velmora
