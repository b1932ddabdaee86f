#include "document/HostsDocument.h"

#include "core/HostsPath.h"
#include "core/PathSafety.h"
#include "core/PrivilegedSave.h"
#include "core/Progress.h"
#include "core/TextUtil.h"
#include "merge/RemoveBlock.h"
#include "merge/SourceList.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <limits>
#include <numeric>

namespace velmora {

namespace {

// Files longer than this show the progress window while they load.
constexpr uint64_t kQuietLoadBytes = 32000;
constexpr std::string_view kLocalhostLine = "127.0.0.1 localhost";

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::vector<int32_t> numbersFrom(int32_t first, int32_t count) {
    std::vector<int32_t> numbers(static_cast<size_t>(std::max(count, 0)));
    std::iota(numbers.begin(), numbers.end(), first);
    return numbers;
}

std::string itemsText(int32_t count) {
    return std::to_string(count) + " items";
}

// The busy state for as long as an operation runs, however it ends.
class BusyScope {
public:
    explicit BusyScope(UserInterface& ui) : m_ui(ui) { m_ui.setBusy(true); }
    ~BusyScope() { m_ui.setBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    UserInterface& m_ui;
};

// A list being refilled: its views stop following it and are shown the result once, at the end.
class RefillScope {
public:
    explicit RefillScope(EntryList& list) : m_list(list) { m_list.beginBulkChange(); }
    ~RefillScope() { m_list.endBulkChange(); }
    RefillScope(const RefillScope&) = delete;
    RefillScope& operator=(const RefillScope&) = delete;

private:
    EntryList& m_list;
};

} // namespace

HostsDocument::HostsDocument(FileSystem& files, Environment& environment, UserInterface& ui)
    : m_files(files), m_environment(environment), m_ui(ui), m_collation(std::make_unique<AsciiCollation>()),
      m_clock([] {
          return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
              .count();
      }) {}

void HostsDocument::textsChanged() {
    if (m_textsListener)
        m_textsListener();
}

void HostsDocument::setStatus(std::string& status, const std::string& text) {
    status = text;
    textsChanged();
}

void HostsDocument::showTotal() {
    setStatus(m_totalStatus, "Total: " + std::to_string(m_lines.count()));
}

void HostsDocument::setSourcePath(const std::string& path) {
    if (m_sourcePath == path)
        return;
    m_sourcePath = path;
    textsChanged();
}

void HostsDocument::setHostsPath(const std::string& path) {
    if (m_hostsPath == path)
        return;
    m_hostsPath = path;
    m_needsReload = true;
    textsChanged();
}

void HostsDocument::noteRead(const std::string& path, const FileFingerprint& fingerprint) {
    m_readPath = path;
    m_readFingerprint = fingerprint;
}

std::string HostsDocument::notAFile(const std::string& path) const {
    if (path.empty())
        return {};
    const PathInfo info = m_files.stat(path, true);
    if (!info.exists || info.isRegular)
        return {};
    return info.isDirectory ? path + " is a folder" : path + " is no regular file (a FIFO, a device or a socket)";
}

bool HostsDocument::setDroppedSourcePath(const std::string& path) {
    if (const std::string why = notAFile(path); !why.empty()) {
        m_ui.notify(why + ", not a list to merge; drop a list file.");
        return false;
    }
    setSourcePath(path);
    return true;
}

bool HostsDocument::load(const std::string& path) {
    if (!fileHasData(m_files, path)) {
        noteRead(path, FileFingerprint{});
        // Not a missing file: the window says what it is, and keeps its name for the next merge.
        if (const std::string why = notAFile(path); !why.empty() && m_askWhenChanged) {
            m_ui.reportError(why + ", not a HOSTS file; it was not read.");
            setHostsPath(path);
        }
        return true;
    }
    // One change with its path: taking it back returns to the file read before, path boxes and all.
    const AddedChange change = beginAddedChange();
    replaceForRead();
    // The lines are the file's now, whatever was unsaved before (the opening can be taken back).
    m_modified = false;
    const bool whole = readHosts(path);
    endAddedChange(change);
    return whole;
}

bool HostsDocument::readHosts(const std::string& path) {
    {
        BusyScope busy(m_ui);
        RefillScope refill(m_lines);
        m_selection.reset();
        appendHostsLines(path, nullptr, false);
    }
    noteSavedIfUnmodified();
    showTotal();
    setHostsPath(path);
    tellPartialRead(path);
    return !m_hostsReadIncomplete;
}

int32_t HostsDocument::appendHostsLines(const std::string& path, DuplicateIndex* index, bool showProgress) {
    const PathInfo info = m_files.stat(path, true);
    ProgressSink& progress = m_ui.progress();
    if (showProgress || info.size > kQuietLoadBytes)
        progress.show();
    const int32_t first = m_lines.count();
    m_lines.beginAppend();
    ProgressSteps steps(progress, clampToInt32(info.size));
    FileFingerprint fingerprint;
    bool sized = false;
    const int error = readFileBlocks(
        m_files, path,
        [&](std::string_view block) {
            if (!sized) {
                // Sized once, from the first block: a large file's lines are never copied as they grow.
                const size_t lines = estimateLines(block, info.size);
                reserveForLines(m_lines, info.size, lines);
                if (index)
                    index->reserve(index->size() + lines);
                sized = true;
            }
            if (index) {
                forEachLine(block, [&](std::string_view line) {
                    if (m_lines.append(line))
                        index->addExisting(m_lines.count() - 1);
                });
            } else {
                forEachLine(block, [&](std::string_view line) { m_lines.append(line); });
            }
            steps.step(clampToInt32(block.size()));
        },
        kReadChunk, &fingerprint);
    notePartialRead(path, error);
    if (error == 0)
        noteRead(path, fingerprint);
    else
        m_readFingerprint.reset();
    m_lines.endAppend();
    progress.close();
    return m_lines.count() - first;
}

void HostsDocument::notePartialRead(const std::string& path, int error) {
    m_hostsReadIncomplete = error != 0;
    m_partialReadPath = error != 0 ? path : std::string();
    m_partialReadError = error;
    m_partialSaveAgreed = false;
}

void HostsDocument::tellPartialRead(const std::string& path) {
    // The command line tells of it in its own words, and saves nothing then.
    if (m_hostsReadIncomplete && m_askWhenChanged)
        m_ui.reportError(path + " could not be read to its end: " + m_files.errorText(m_partialReadError) +
                         ". The list shows the lines read before that point.");
}

HostsLock HostsDocument::takeLock(const std::string& path,
                                  const std::function<void(const std::string& holder)>& waiting, int waitMs) {
    m_lockFailure = SaveResult{};
    const auto fail = [&](SaveStatus status, const std::string& message, int error) {
        m_lockFailure.status = status;
        m_lockFailure.message = message;
        m_lockFailure.error = error;
    };
    // The lock and the journal belong to the file a link names, whichever path names it. Where
    // another user could plant files, nothing is created or read.
    const SaveTarget where = saveTargetFor(m_files, path);
    if (!where.message.empty()) {
        fail(where.status, where.message, 0);
        return HostsLock{};
    }
    HostsLock lock = HostsLock::acquire(m_files, where.path, waitMs, waiting);
    if (lock.isLocked()) {
        // A save cut short is finished only over what it could have left; the user hears of any other
        // outcome, and where the unfinished save is.
        if (const std::string notice = recoveryNotice(m_files, recoverHostsFile(m_files, where.path, nowNs()), path);
            !notice.empty())
            m_ui.notify(notice);
    } else if (lock.status() == HostsLock::Status::Busy)
        fail(SaveStatus::WriteFailed, path + ": " + lock.holder() + " is saving it; try again when it has finished.",
             0);
    else
        fail(lock.status() == HostsLock::Status::Refused ? SaveStatus::Unsafe : SaveStatus::WriteFailed,
             path + ": not written, because " + lock.problem(), lock.error());
    return lock;
}

HostsLock::Status HostsDocument::holdLock(const std::string& path,
                                          const std::function<void(const std::string& holder)>& waiting) {
    m_lock.release();
    m_lock = takeLock(path, waiting, m_lockWaitMs);
    return m_lock.status();
}

void HostsDocument::start(bool noLoad) {
    const std::string path = hostsFilePath(m_environment);
    // A save that a killed run left half done is finished before the file is read. A writer at work
    // now finishes it itself, so the window does not wait for it. Without a journal there is nothing
    // to finish, and no lock file is made: only saving takes the lock.
    if (const SaveTarget where = saveTargetFor(m_files, path); where.message.empty() && hasJournal(m_files, where.path))
        takeLock(path, {}, 0);
    if (noLoad) {
        setHostsPath(path);
    } else {
        m_ui.progress().setTitle("Loading HOSTS...");
        load(path);
        // A file that was not loaded leaves the title set: the next operation starts from the default.
        m_ui.progress().close();
    }
    m_history.clear();
    markSaved();
    m_needsReload = false;
    // Nothing to take back yet, also when the read said otherwise on its way.
    textsChanged();
}

MergeResult HostsDocument::merge() {
    MergeResult result;
    // A web address is read from its download; one that gives no list changes nothing.
    const WebListResult fetched = fetchList(m_sourcePath);
    if (fetched.status == WebListStatus::Failed) {
        result.downloadFailed = true;
        return result;
    }
    if (isWebAddress(m_sourcePath)) {
        const AddedChange change = beginAddedChange();
        result = mergeWebList(fetched.path);
        endAddedChange(change);
        return result;
    }
    // A run as root reads no list that another user could swap for a file of root's.
    CheckedRead list(m_files, fetched.path);
    if (!list.refusal().empty()) {
        result.listReadError = EACCES;
        m_ui.reportError("The list " + m_sourcePath + " was not read: " + list.refusal() + ".");
        return result;
    }
    bool listPresent = false;
    if (!listReadable(list.files(), list.path(), fetched.path, listPresent, result))
        return result;
    BusyScope busy(m_ui);
    const AddedChange change = beginAddedChange();
    {
        RefillScope refill(m_lines);
        m_added.clear();
        m_addedSelection.reset();
        DuplicateIndex index(m_lines);
        if (m_lines.count() == 0 || m_needsReload)
            rereadHostsForMerge(index, result);
        else
            indexLinesForMerge(index);
        ProgressSink& progress = m_ui.progress();
        progress.close();
        progress.setTitle("Merging New HOSTS...");
        if (listPresent)
            appendList(list.files(), list.path(), index, result);
        else
            result.listMissing = true;
    }
    endAddedChange(change);
    noteSavedIfUnmodified();
    showTotal();
    m_ui.progress().close();
    m_needsReload = false;
    return result;
}

bool HostsDocument::listReadable(FileSystem& listFiles, const std::string& listFile, const std::string& named,
                                 bool& present, MergeResult& result) {
    // A list that is there but cannot be read changes nothing, not even the reload of the HOSTS file;
    // one that has gone meanwhile is a missing one.
    present = fileHasData(listFiles, listFile);
    if (const std::string why = notAFile(named); !present && !why.empty()) {
        result.listMissing = true;
        m_ui.notify(why + ", not a list; nothing was merged.");
        return false;
    }
    if (!present)
        return true;
    const int fd = listFiles.openRead(listFile, true);
    if (fd >= 0) {
        m_files.close(fd);
    } else if (fd == -ENOENT) {
        present = false;
    } else {
        result.listReadError = -fd;
        m_ui.reportError("The list " + m_sourcePath + " could not be read: " + m_files.errorText(-fd));
        return false;
    }
    return true;
}

void HostsDocument::rereadHostsForMerge(DuplicateIndex& index, MergeResult& result) {
    // One change with the list's lines: taking it back brings the lines from before the read.
    replaceForRead();
    m_selection.reset();
    notePartialRead(m_hostsPath, 0);
    m_ui.progress().setTitle("Loading HOSTS...");
    result.hostsReread = true;
    if (!fileHasData(m_files, m_hostsPath)) {
        noteRead(m_hostsPath, FileFingerprint{});
        tellHostsNotRead();
        return;
    }
    // The lines are the file's again, every one as it is written; only what the list adds is unsaved.
    m_modified = false;
    result.hostsLinesRead = appendHostsLines(m_hostsPath, &index, true);
    result.hostsReadError = m_partialReadError;
    setStatus(m_rereadStatus, itemsText(result.hostsLinesRead));
    tellPartialRead(m_hostsPath);
}

void HostsDocument::tellHostsNotRead() {
    // A path that cannot be looked at (a loop of links, a folder we may not enter) is named with its
    // reason, not taken for a missing file.
    const PathInfo info = m_files.stat(m_hostsPath, true);
    if (m_hostsPath.empty())
        m_ui.notify("No HOSTS file is named: type its path under \"Current HOSTS\", or open one "
                    "with File > Open HOSTS.");
    else if (!info.exists && info.error != 0 && info.error != ENOENT)
        m_ui.notify(m_hostsPath + ": " + m_files.errorText(info.error));
    else if (const std::string why = notAFile(m_hostsPath); !why.empty())
        m_ui.notify(why + ", not a HOSTS file; it was not read.");
    else
        m_ui.notify(m_hostsPath + " does not exist.");
}

void HostsDocument::indexLinesForMerge(DuplicateIndex& index) {
    ProgressSink& progress = m_ui.progress();
    progress.setTitle("Finding Duplicates...");
    progress.show();
    indexHostsLines(m_lines, index, progress);
}

void HostsDocument::appendList(FileSystem& listFiles, const std::string& listFile, DuplicateIndex& index,
                               MergeResult& result) {
    ProgressSink& progress = m_ui.progress();
    const bool wasModified = m_modified;
    const int32_t before = m_lines.count();
    m_modified = true;
    progress.show();
    const SourceReadResult read = readSourceFile(listFiles, listFile, m_lines, index, progress, &m_allow, true);
    result.linesKeptOut = read.keptOut;
    progress.close();
    if (read.error != 0) {
        // Half a list is not what the user asked for: its lines go again.
        std::vector<uint8_t> partial(static_cast<size_t>(m_lines.count()), 0);
        std::fill(partial.begin() + before, partial.end(), uint8_t{1});
        m_lines.removeWhere(partial);
        m_modified = wasModified;
        result.listReadError = read.error;
        m_ui.reportError("The list " + m_sourcePath + " could not be read to its end: " +
                         (read.problem.empty() ? m_files.errorText(read.error) : read.problem));
    } else {
        result.linesAdded = read.appended;
        m_added.set(before, read.appended);
        if (!result.hostsReread)
            m_history.added(numbersFrom(before, read.appended));
        // A list with nothing new leaves the lines as they were, and so unsaved only if they were.
        if (read.appended == 0)
            m_modified = wasModified;
    }
    setStatus(m_addedStatus, itemsText(result.linesAdded));
}

bool HostsDocument::save(const std::string& path) {
    std::string target = path;
    if (target.empty())
        target = std::string(trimSpaces(m_ui.chooseSaveFile(hostsFilePath(m_environment))));
    if (target.empty())
        return false;
    // A list read only in part would cut the file short: the window asks once whether that is meant.
    if (m_hostsReadIncomplete && m_askWhenChanged && !m_partialSaveAgreed) {
        if (m_ui.ask(m_partialReadPath + " was not read to its end (" + m_files.errorText(m_partialReadError) +
                         "), so this list lacks the lines after the point where reading stopped.\n\n"
                         "Save the list as it is anyway?",
                     MessageStyle::YesNo | MessageStyle::Exclamation | MessageStyle::DefaultButton2) != Answer::Yes)
            return false;
        m_partialSaveAgreed = true;
    }
    // One writer at a time: a save that cannot hold the lock writes nothing, and fails as a save would,
    // so that a lock this user may not make offers the save as administrator.
    HostsLock ownLock;
    if (!m_lock.isLocked())
        ownLock = takeLock(target, {}, m_lockWaitMs);
    const WrittenFingerprint written =
        m_keepsSavedFingerprint ? WrittenFingerprint::Taken : WrittenFingerprint::Skipped;
    if (m_lock.isLocked() || ownLock.isLocked()) {
        const bool sameFile = m_readFingerprint && m_readPath == target;
        m_lastSave =
            saveHostsFile(m_files, target, m_lines, m_convention, sameFile ? &*m_readFingerprint : nullptr, written);
    } else {
        m_lastSave = m_lockFailure;
    }
    if (m_lastSave.status == SaveStatus::Changed && m_askWhenChanged) {
        const Answer answer =
            m_ui.ask(target + " was changed by another program after it was read.\n\n"
                              "Yes: save this list over it.\n"
                              "No: read it again, with the lines merged last.\n"
                              "Cancel: leave both as they are.",
                     MessageStyle::YesNoCancel | MessageStyle::Exclamation | MessageStyle::DefaultButton3);
        if (answer == Answer::Yes)
            m_lastSave = saveHostsFile(m_files, target, m_lines, m_convention, nullptr, written);
        else if (answer == Answer::No)
            readAgainWithAddedLines(target);
        if (answer != Answer::Yes)
            return false;
    }
    if (m_lastSave.status != SaveStatus::Saved) {
        if (m_lastSave.status == SaveStatus::Changed && !m_askWhenChanged)
            return false;
        const uint32_t user = m_files.userId();
        if (m_runner &&
            offersPrivilegedSave(m_lastSave, user, target, m_helperTarget, m_files.stat(m_helper, true).isRegular)) {
            // The helper takes the same lock for itself.
            ownLock.release();
            return saveAsAdministrator(target);
        }
        std::string message = "The HOSTS list was not saved. " + asSentence(m_lastSave.message);
        if (failedForPermission(m_lastSave) && user != 0 && !m_permissionAdvice.empty())
            message += ". " + m_permissionAdvice;
        m_ui.reportError(message);
        return false;
    }
    markSaved();
    noteRead(target, m_lastSave.written);
    if (m_lastSave.unchanged && m_askWhenChanged)
        m_ui.notify(target + " already holds these lines: nothing was written, and its backup was kept.");
    if (m_lastSave.readOnlyCleared) {
        m_ui.notify(m_lastSave.readOnlyError == 0
                        ? target + " is read-only: the attribute was cleared for the save and set again."
                        : target +
                              " is read-only: the attribute was cleared for the save and could not be set "
                              "again: " +
                              m_files.errorText(m_lastSave.readOnlyError));
    }
    return true;
}

void HostsDocument::enableAdministratorSave(ProcessRunner& runner, std::string helper, std::string helperTarget) {
    m_runner = &runner;
    m_helper = std::move(helper);
    m_helperTarget = std::move(helperTarget);
}

bool HostsDocument::saveAsAdministrator(const std::string& target) {
    const Answer answer = m_ui.ask("The HOSTS list was not saved. " + asSentence(m_lastSave.message) +
                                       ".\n\nSave it as administrator? " + administratorPromptText(),
                                   MessageStyle::YesNo | MessageStyle::Exclamation);
    if (answer != Answer::Yes)
        return false;
    // The helper writes these bytes only over the file as it is now, which the failed save has just
    // compared with what was read.
    const FileBytes current = readFileBytes(m_files, target);
    const bool readable = current.error == 0 || current.error == ENOENT;
    const std::string bytes = hostsFileBytes(m_lines, current.bytes, m_convention);
    ProcessResult run;
    {
        BusyScope busy(m_ui);
        run = m_runner->runAsAdministrator(
            privilegedSaveArguments(m_helper, bytes,
                                    readable ? std::optional<std::string_view>(current.bytes) : std::nullopt),
            bytes);
    }
    const PrivilegedReport report = privilegedReport(run, target, m_files.errorText(run.startError));
    if (report.outcome == PrivilegedOutcome::Saved) {
        const FileBytes saved = readFileBytes(m_files, target);
        m_lastSave = SaveResult{};
        m_lastSave.backedUp = !current.bytes.empty();
        m_lastSave.backupPath = m_lastSave.backedUp ? target + ".bak" : std::string();
        m_lastSave.written = saved.fingerprint;
        markSaved();
        noteRead(target, saved.fingerprint);
        return true;
    }
    if (report.outcome == PrivilegedOutcome::Changed)
        m_lastSave.status = SaveStatus::Changed;
    m_lastSave.message = report.message;
    if (report.outcome == PrivilegedOutcome::Cancelled)
        m_ui.notify(report.message);
    else
        m_ui.reportError(report.message);
    return false;
}

void HostsDocument::readAgainWithAddedLines(const std::string& path) {
    std::vector<std::string> again;
    again.reserve(static_cast<size_t>(m_added.count()));
    for (int32_t i = 0; i < m_added.count(); ++i)
        again.emplace_back(m_added.text(i));
    const AddedChange change = beginAddedChange();
    m_added.clear();
    m_addedSelection.reset();
    replaceForRead();
    m_selection.reset();
    if (fileHasData(m_files, path))
        readHosts(path);
    else
        noteRead(path, FileFingerprint{});
    BusyScope busy(m_ui);
    {
        RefillScope refill(m_lines);
        DuplicateIndex index(m_lines);
        indexHostsLines(m_lines, index, m_ui.progress());
        SourceListReader reader(m_lines, index);
        for (const std::string& line : again)
            reader.line(line);
        reader.finish();
        m_added.set(reader.firstAppended(), reader.appended());
        m_modified = reader.appended() > 0;
        setStatus(m_addedStatus, itemsText(reader.appended()));
    }
    endAddedChange(change);

    showTotal();
    m_needsReload = false;
}

bool HostsDocument::queryClose() {
    if (!m_modified)
        return true;
    const Answer answer = m_ui.ask("Do you want to save the changes?", MessageStyle::YesNoCancel);
    if (answer == Answer::Yes) {
        // The window stays open after saving, so that the user sees the save went through.
        save();
        return false;
    }
    return answer != Answer::Cancel;
}

void HostsDocument::sort() {
    BusyScope busy(m_ui);
    ProgressSink& progress = m_ui.progress();
    const int32_t last = m_lines.count() - 1;
    // Two passes, as the user sees them: ordering the copy, then putting it back. The first bar moves
    // as the ordering goes (the keys take most of it), and is then drawn to its end.
    progress.show();
    std::vector<int32_t> order = m_collation->order(m_lines, [&](int64_t done, int64_t total) {
        auto value = static_cast<int32_t>(total > 0 ? done * last / total : 0);
        progress.step(0, value, last);
    });
    int32_t full = last;
    progress.step(0, full, last);
    progress.close();
    progress.setTitle("Sorting...");
    progress.show();
    // Sorting leaves the document as modified as it was; taking the order back still tells whether
    // the lines are the saved ones again.
    m_history.reorder(std::move(order));
    m_selection.reset();
    ProgressSteps refilling(progress, last);
    for (int32_t i = 0; i <= last; ++i)
        refilling.step(1);
    progress.close();
    textsChanged();
}

void HostsDocument::clear() {
    if (m_ui.ask("Do you want to clear the HOSTS file?",
                 MessageStyle::YesNo | MessageStyle::Critical | MessageStyle::DefaultButton2) != Answer::Yes)
        return;
    resetToLocalhost();
}

void HostsDocument::resetToLocalhost() {
    m_history.replaceAll();
    m_selection.reset();
    m_lines.append(kLocalhostLine);
    m_modified = true;
    textsChanged();
}

int32_t HostsDocument::removeBlock(const std::string& name) {
    const std::vector<uint8_t> removed = markBlocks(m_lines, name);
    const int32_t before = m_lines.count();
    m_lastCompletion = BlocksRebuild{};
    const std::vector<BlockInfo> blocks = findBlocks(m_lines);
    const bool listGoes = std::any_of(blocks.begin(), blocks.end(), [&](const BlockInfo& block) {
        return !block.source.empty() && removed[static_cast<size_t>(block.begin)] != 0;
    });
    if (!listGoes) {
        m_history.remove(removed);
        m_selection.linesRemoved(removed, m_lines.count());
        return before - m_lines.count();
    }
    // The names of the list that goes may stand in another list too, written only in the first block
    // that had them: the other blocks are completed from their lists, in the same change.
    EntryList rest;
    rest.reserveEntries(static_cast<size_t>(before));
    rest.beginAppend();
    for (int32_t i = 0; i < before; ++i)
        if (!removed[static_cast<size_t>(i)])
            rest.append(m_lines.text(i));
    rest.endAppend();
    const int32_t left = rest.count();
    m_added.clear();
    m_addedSelection.reset();
    replaceCompleting(rest);
    return before - left;
}

int32_t HostsDocument::removeBlockAsking() {
    constexpr std::string_view kBegin = "#BEGIN of ";
    const std::string_view current = m_lines.text(m_selection.current());
    const std::string suggestion =
        istartsWith(current, kBegin) ? std::string(trimSpaces(current.substr(kBegin.size()))) : std::string();
    const std::string name =
        std::string(trimSpaces(m_ui.askText("Name of the block to remove:", "Remove block", suggestion, false)));
    if (name.empty())
        return 0;
    return removeBlockAsking(name);
}

void HostsDocument::edited() {
    m_needsReload = true;
    m_modified = true;
}

void HostsDocument::markSaved() {
    m_modified = false;
    m_savedState = m_history.state();
}

void HostsDocument::replaceForRead() {
    // The old lines are kept to go back to; which lines the file holds is known once the read ends.
    m_history.replaceAll();
    m_savedState = kNoState;
}

void HostsDocument::noteSavedIfUnmodified() {
    // Lines just read and not changed since are the file's.
    if (!m_modified)
        m_savedState = m_history.state();
}

void HostsDocument::undo() {
    historyStep(true);
}

void HostsDocument::redo() {
    historyStep(false);
}

void HostsDocument::historyStep(bool back) {
    std::vector<int32_t> restored;
    const uint64_t from = m_history.state();
    {
        BusyScope busy(m_ui);
        if (!(back ? m_history.undo(restored) : m_history.redo(restored)))
            return;
    }
    // A merge taken back shows what the added lines and counts showed before it, and again after.
    const AddedView* left = nullptr;
    if (const AddedView* view = m_addedViews.after(from, m_history.state(), back, &left)) {
        returnToFiles(*left, *view);
        showAddedView(*view);
    }
    m_selection.selectLines(restored);
    m_modified = m_history.state() != m_savedState;
    m_needsReload = true;
    showTotal();
}

void HostsDocument::selectAll() {
    m_selection.selectAll(m_lines.count());
}

void HostsDocument::deleteSelected() {
    if (m_selection.selectedCount() > 0) {
        const std::vector<uint8_t> removed = m_selection.flags();
        m_history.remove(removed);
        m_selection.linesRemoved(removed, m_lines.count());
        edited();
    }
    showTotal();
}

void HostsDocument::addLine() {
    const std::string line =
        m_ui.askText("Enter code to add:", std::string(), std::string(m_lines.text(m_selection.current())), true);
    if (line.empty())
        return;
    if (m_lines.append(line))
        m_history.added({m_lines.count() - 1});
    edited();
    textsChanged();
}

FindResult HostsDocument::find(bool askForText) {
    if (askForText || m_searchText.empty()) {
        const std::string text = m_ui.askText("Enter text to find:", "Find", m_searchText, false);
        if (text.empty())
            return FindResult::Cancelled;
        m_searchText = text;
    }
    m_selection.clear();
    for (int32_t i = std::max(m_selection.current() + 1, 0); i < m_lines.count(); ++i) {
        if (ifind(m_lines.text(i), m_searchText) != std::string_view::npos) {
            m_selection.selectOnly(i);
            return FindResult::Found;
        }
    }
    m_ui.notify("'" + m_searchText + "' not found.");
    return FindResult::NotFound;
}

void HostsDocument::selectCurrentAddedLine() {
    m_selection.clear();
    const int32_t found = m_lines.findIgnoringCase(m_added.text(m_addedSelection.current()));
    if (found >= 0)
        m_selection.selectOnly(found);
}

} // namespace velmora
