#pragma once

#include "core/EntryList.h"
#include "core/HostsFile.h"
#include "core/HostsLock.h"
#include "core/LineText.h"
#include "core/Selection.h"
#include "core/UserInterface.h"
#include "core/WebList.h"
#include "document/AddedViews.h"
#include "document/ListHistory.h"
#include "merge/AllowList.h"
#include "merge/BlockList.h"
#include "merge/BlockSwitch.h"
#include "merge/Blocks.h"
#include "merge/DuplicateIndex.h"
#include "merge/Sort.h"
#include "platform/Downloader.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/ProcessRunner.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace velmora {

// How a search ended.
enum class FindResult { Found, NotFound, Cancelled };

// What a merge did.
struct MergeResult {
    bool hostsReread = false;   // the HOSTS file was read again first
    int32_t hostsLinesRead = 0; // lines that reading took in
    int hostsReadError = 0;     // errno of a HOSTS read that ended early
    bool listMissing = false;   // the list was missing or empty: nothing was added
    int32_t linesAdded = 0;
    int listReadError = 0;       // errno of a list that could not be read to its end: nothing was added
    bool downloadFailed = false; // the list's web address gave no list: nothing was added
    int32_t linesKeptOut = 0;    // list lines the allowlist kept out
    bool keptAsBlock = false;    // a list from the web: kept as the block named by its address
};

// A block to keep from its list.
struct BlockRequest {
    std::string name;
    std::string source;   // noted in its "# source:" line
    std::string address;  // where its names go; empty: the block's own, else 127.0.0.1
    std::string listFile; // the list as a file; empty: the block stays as it is (its list could not be had)
};

// The web addresses of the lists a note of HostsDocument::blocksNote names, each once.
std::vector<std::string> webSourcesNoted(std::string_view note);
// The blocks whose lists are what they were when `last` was noted, by `now`, a note of the same file:
// none unless both notes agree on all but the lists (the file's bytes, the allowlist, the limit, the
// machine's name), and then each block noted with the same source, address and list bytes in both.
std::vector<std::string> unchangedLists(std::string_view now, std::string_view last);

// What keeping blocks from their lists did.
struct BlocksUpdate {
    BlocksRebuild rebuild;
    // How each requested list was read, by block name.
    std::vector<std::pair<std::string, BlockListCounts>> read;
    bool failed = false; // a requested list was no list or could not be read: its block stayed, the user was told
};

// The HOSTS document: the HOSTS lines, the lines added by the last merge, the two paths, the status
// texts, the selection and search, and whether there are unsaved changes. Every operation of the
// window lives here, without any widget, so the window only forwards events and shows this state;
// the command line drives the same operations with no window at all.
class HostsDocument {
public:
    HostsDocument(FileSystem& files, Environment& environment, UserInterface& ui);

    const EntryList& lines() const { return m_lines; }
    const LineSource& addedLines() const { return m_added; }
    // The selection of the HOSTS lines, and of the added lines (where only the current one counts).
    Selection& selection() { return m_selection; }
    Selection& addedSelection() { return m_addedSelection; }

    // Unsaved changes: set by merging, editing and clearing, cleared by a save and at start-up.
    bool isModified() const { return m_modified; }
    // The next merge reads the HOSTS file again first: the lines were edited by hand or the HOSTS path
    // changed since they were read.
    bool needsReload() const { return m_needsReload; }

    const std::string& sourcePath() const { return m_sourcePath; }
    void setSourcePath(const std::string& path);
    // The same for a path the user dropped on the window: a folder, or anything else there that is no
    // file (a FIFO, a device), is refused with its name and changes nothing. False when refused.
    bool setDroppedSourcePath(const std::string& path);
    const std::string& hostsPath() const { return m_hostsPath; }
    // A different path marks the lines as needing a reload.
    void setHostsPath(const std::string& path);

    // The status texts: lines added by the last merge ("N items"), lines read when a merge read the
    // HOSTS file again ("N items"), and the total ("Total: N").
    const std::string& addedStatus() const { return m_addedStatus; }
    const std::string& rereadStatus() const { return m_rereadStatus; }
    const std::string& totalStatus() const { return m_totalStatus; }

    // Called whenever a path, a status text or what can be undone changes, so that a window can show it.
    void setTextsListener(std::function<void()> listener) { m_textsListener = std::move(listener); }

    // Start-up: loads the HOSTS file of the running system (or with noLoad only takes its path);
    // afterwards nothing counts as modified or needing a reload.
    void start(bool noLoad);

    // Replaces the lines with those of the file, kept exactly as read, and takes its path. A missing or
    // empty file changes nothing. A folder, FIFO or device at the path changes nothing either, and the
    // window's user is told with its name (the path is taken, so that a merge names it again). Progress
    // shows for files over 32000 bytes, under the title the caller set. False when the file could not be
    // read to its end (the lines then lack some of it).
    bool load(const std::string& path);
    // True when the last read of the HOSTS file (a load, or a merge that read it again) ended early:
    // saving would drop the lines it did not reach.
    bool hostsReadIncomplete() const { return m_hostsReadIncomplete; }
    // The errno that ended that read early; 0 when it reached the end.
    int hostsReadError() const { return m_partialReadError; }

    // Merges the list at sourcePath() into the lines: each new line is appended once (letter case
    // ignored) and also listed among the added lines. A list from the web is kept as a block named by
    // its address instead (see updateBlocks), and the block's lines are the added lines. When the lines are empty or
    // need a reload, the HOSTS file at hostsPath() is read again first. Lines already there are never changed, dropped
    // or moved; a list line is left out when one of them already holds it (see lineKey). A list that cannot be read to
    // its end adds nothing, and the user is told why.
    MergeResult merge();
    // The next merge reads the HOSTS file again first.
    void markForReload() { m_needsReload = true; }

    // Saves the lines to path; with an empty path the user chooses where (starting at the HOSTS
    // file). False when nothing was saved: cancelled, or failed, when the user has been told why and
    // the document stays modified. When another program has changed the file since it was read, the
    // user chooses between overwriting it, reading it again (with the lines of the last merge merged
    // into it) and leaving both as they are; without asking (see setAskWhenChanged) nothing is saved
    // and lastSave() says Changed. A read-only file (Windows) is saved, and the user told so. A list
    // whose HOSTS file was read only in part is saved only after the user agreed to (asked once per
    // read); without asking, the command line never saves one. A file that already holds the lines
    // exactly is not written (lastSave().unchanged), and the window says so.
    bool save(const std::string& path = {});
    const SaveResult& lastSave() const { return m_lastSave; }
    // False for the command line: it neither asks nor is told by the document, and decides itself.
    void setAskWhenChanged(bool ask) { m_askWhenChanged = ask; }
    // False for a run that ends with its save: what a save wrote is then never compared with the file
    // again, so its bytes are not hashed for that (lastSave().written stays empty).
    void setKeepsSavedFingerprint(bool keep) { m_keepsSavedFingerprint = keep; }

    // Saving as administrator. When saving helperTarget (the system HOSTS file) fails because this
    // user may not write it, the user is asked whether to save it as administrator; Yes runs helper
    // with an administrator's rights through runner (pkexec, or on Windows Velmora's own program
    // elevated by the UAC prompt: see core/PrivilegedSave.h). A cancelled prompt, a refusal or a
    // failure leaves the document modified and tells the user so. Only the window enables this.
    void enableAdministratorSave(ProcessRunner& runner, std::string helper, std::string helperTarget);
    // Added to the message of a save that failed for permission when no administrator save is offered
    // and the user is not root: how to get the rights some other way.
    void setPermissionAdvice(std::string advice) { m_permissionAdvice = std::move(advice); }

    // Holds the lock of the HOSTS file at path until releaseLock(), waiting for another writer for up
    // to the lock wait; finishes a save that a killed run left unfinished. Without a lock, each save
    // takes it for itself, and saves nothing when it cannot. Busy when another still holds it (holder()
    // says who); any other status but Locked when the lock cannot be taken, or path is one another user
    // could redirect: lockFailure() then says why.
    HostsLock::Status holdLock(const std::string& path,
                               const std::function<void(const std::string& holder)>& waiting = {});
    void releaseLock() { m_lock.release(); }
    const HostsLock& lock() const { return m_lock; }
    // Why the last lock the document tried to take was not taken, as the failed save it stops.
    const SaveResult& lockFailure() const { return m_lockFailure; }
    void setLockWait(int milliseconds) { m_lockWaitMs = milliseconds; }

    // The closing question about unsaved changes; true when the window may close.
    bool queryClose();

    // Sorts the lines with the collation (ASCII letter case ignored by default).
    void sort();
    void setCollation(std::unique_ptr<Collation> collation) { m_collation = std::move(collation); }

    // Asks, then resets the lines to the single line "127.0.0.1 localhost".
    void clear();
    // The same without asking: the command line's reset.
    void resetToLocalhost();
    // Removes every block of the name (see removeBlocks); returns how many lines went. When a block
    // kept from a list goes, the other such blocks are completed from the copies of their lists (see
    // updateBlocks), so that no name another list still has is unblocked; lastCompletion() says how.
    int32_t removeBlock(const std::string& name);
    const BlocksRebuild& lastCompletion() const { return m_lastCompletion; }
    // Edit > Remove block: asks for the name (suggesting the block whose first line is the current
    // one), then the command line's question for --remove; Yes removes the blocks as a change of the
    // lines. Returns how many lines went.
    int32_t removeBlockAsking();
    // The same for the blocks of a name the window already knows: the question, then the removal.
    int32_t removeBlockAsking(const std::string& name);

    // The blocks of the lines, from the top (see findBlocks), and how many names one holds.
    std::vector<BlockInfo> blocks() const { return findBlocks(m_lines); }
    int32_t namesIn(const BlockInfo& block) const { return namesInBlock(m_lines, block); }
    // Switches every block of the name off or on (see switchBlocks) as one change of the lines, and
    // completes the blocks kept from lists from the copies of their lists (see removeBlock): a name
    // that a block switched off held is then written in the next block switched on whose list has it,
    // and goes from there again when the block is switched on. lastCompletion() says how. Nothing
    // changes unless the result is Switched; nothing is said to the user.
    BlockSwitchResult switchBlock(const std::string& name, bool on);
    // Keeps the block of the name from its list, downloaded now (with progress and Cancel) or read from
    // its file, as one change of the lines (see updateBlocks). A block that names no list, a download
    // that fails and a list that is no list change nothing and are told; a cancelled download changes
    // nothing.
    BlocksUpdate updateBlockNow(const std::string& name);
    // Asks for the address (or full path) of a list and the name of its block, then adds the block at
    // the end of the lines from the list as updateBlockNow keeps one. Returns the block's name, or ""
    // when nothing was added (cancelled, a name already taken, a list that could not be had).
    std::string addListAsking();
    // Seconds since 1970, for the "# updated: " notes of the blocks an update changes.
    void setClock(std::function<int64_t()> clock) { m_clock = std::move(clock); }

    // Undo and redo of every change of the lines: edits, merges (with the reading of the HOSTS file
    // again), sorting, clearing and block removal. Taking a change back or making it again counts as
    // an edit by hand, except that the document is unmodified again exactly when its lines are those
    // last read or saved. Lines put back are selected.
    bool canUndo() const { return m_history.canUndo(); }
    bool canRedo() const { return m_history.canRedo(); }
    void undo();
    void redo();
    // Off for the command line, which never takes a change back.
    void setKeepsHistory(bool keep) { m_history.setEnabled(keep); }

    // Editing by hand. Each edit marks the document modified and needing a reload.
    void selectAll();
    // Removes the selected lines in one pass; the total is shown again even when none was selected.
    void deleteSelected();
    // Asks for a line (the current one as the suggestion) and appends it as typed.
    void addLine();
    // Searches forward from the line after the current one for the search text (letter case ignored)
    // and selects the first hit; tells the user when there is none. Asks for the text first when
    // askForText is set or there is no search text yet.
    FindResult find(bool askForText);
    const std::string& searchText() const { return m_searchText; }
    // Selects the first HOSTS line equal to the current added line, letter case ignored; nothing
    // stays selected when there is none.
    void selectCurrentAddedLine();

    // Lists at web addresses: merge() and the command line's updates download them through downloader
    // with these options (without a downloader an address is refused); the allowlist keeps their names out.
    void setDownloader(Downloader* downloader) { m_downloader = downloader; }
    // A download is coming: the downloader may ready itself meanwhile (Downloader::prepare).
    void prepareDownloads() {
        if (m_downloader)
            m_downloader->prepare();
    }
    // Asks in the background whether the copies kept of these addresses are still current, while the
    // caller reads the HOSTS file (see WebListProbe): fetchList takes a 304 to its own request from there.
    // False when nothing was asked (no downloader, no copy kept); the downloader is then not readied.
    bool probeLists(const std::vector<std::string>& addresses) {
        m_probe = std::make_unique<WebListProbe>();
        return m_downloader && m_probe->start(*m_downloader, m_files, m_environment, addresses, m_webOptions);
    }
    WebListOptions& webListOptions() { return m_webOptions; }
    void setAllowList(AllowList allow) {
        m_allow = std::move(allow);
        m_checkedLists.clear();
    }
    // The list at source as a file to read: a path as it is, a web address downloaded into the cache
    // folder (with progress). A download that fails is reported to the user and changes nothing.
    // A file:// address is read as its file. A download is kept only when it is a block list (see
    // readBlockList): a refused one changes nothing and is told. The user may cancel a download (see
    // ProgressSink::offerCancel): nothing changes, and nothing more is said.
    // forBlock: the list is for updateBlocks next, which then takes the names the check before keeping
    // the download read from it instead of reading the file again.
    WebListResult fetchList(const std::string& source, bool forBlock = false);
    // Keeps the requested blocks from their lists, as one change of the lines (see rebuildSourcedBlocks):
    // every block that names its source is rebuilt, from the list requested for it, else from the copy
    // of its list kept from before (the file itself for a local list; nothing is downloaded), else it
    // stays as it is. A requested list that is no list is told, and its block stays as it is.
    //
    // `upToDate` names the blocks whose lists are the ones they were last made from (see unchangedLists):
    // those before the first block that is not among them are kept line for line and their lists not
    // read, for what comes before a block is all that its lines depend on besides its list.
    BlocksUpdate updateBlocks(const std::vector<BlockRequest>& requests, const std::vector<std::string>& upToDate = {});
    // Everything that updateBlocks(requests) depends on, as one text: the HOSTS file's bytes as last read
    // or saved (by their hash), each request and each sourced block with the bytes of the list it would be
    // kept from (by their hash), the allowlist, the size limit and this machine's name. When it is the same
    // as right after an update that went through, that update would change nothing now. Empty when it
    // cannot be said: the lines are not the file's (changed, or read only in part), or a sourced block has
    // no end (an update says so every time).
    // `blocks`: the blocks of the lines as they are now, when the caller has found them already.
    // `lists`: what the note says of each list file, filled by the note before an update and taken by
    // the one after it, so that the note kept speaks of the bytes as they were before the update read
    // them: a list changed meanwhile is then a changed list to the next update, not one up to date.
    std::string blocksNote(const std::vector<BlockRequest>& requests, const std::vector<BlockInfo>* blocks = nullptr,
                           std::map<std::string, std::string>* lists = nullptr);
    // True when the file at path is still the one last read or saved, as far as looking at it can tell,
    // and the lines are still its lines: reading it again would give these lines.
    bool holdsFileAsRead(const std::string& path);

    // An operation that ends in an exception (std::bad_alloc on an input too large for memory) is taken
    // back whole: the window takes a checkpoint before each operation and rolls back to it when the
    // operation threw, so that the lines, the paths, the texts and what can be undone are as they were
    // before it, and can still be saved. Taking one copies no line of the document.
    struct Checkpoint {
        uint64_t state = 0;
        int32_t count = 0;
        AddedView view;
        bool modified = false;
        bool needsReload = false;
        uint64_t savedState = 0;
        std::optional<FileFingerprint> readFingerprint;
        bool readIncomplete = false;
        int partialError = 0;
    };
    Checkpoint checkpoint() const;
    void rollBack(const Checkpoint& checkpoint);

    void setLineConvention(LineConvention convention) { m_convention = convention; }
    LineConvention lineConvention() const { return m_convention; }
    FileSystem& files() { return m_files; }
    Environment& environment() { return m_environment; }
    UserInterface& ui() { return m_ui; }

private:
    // Notes how the last read of the HOSTS file ended (error 0: at its end); tells the window's user of
    // one that ended early.
    void notePartialRead(const std::string& path, int error);
    void tellPartialRead(const std::string& path);
    void textsChanged();
    // "PATH is a folder" or "PATH is no regular file (...)" when something that is no file is at the
    // path; empty for a file, or nothing.
    std::string notAFile(const std::string& path) const;
    void setStatus(std::string& status, const std::string& text);
    void showTotal();
    void edited();
    void markSaved();
    void noteSavedIfUnmodified();
    void replaceForRead();
    bool readHosts(const std::string& path);
    // Appends the lines of the HOSTS file at path exactly as they are written, entering each into index
    // when there is one, and notes how the read ended. Progress shows for a large file, or always.
    int32_t appendHostsLines(const std::string& path, DuplicateIndex* index, bool showProgress);
    void historyStep(bool back);
    void readAgainWithAddedLines(const std::string& path);
    void noteRead(const std::string& path, const FileFingerprint& fingerprint);
    bool saveAsAdministrator(const std::string& target);
    HostsLock takeLock(const std::string& path, const std::function<void(const std::string& holder)>& waiting,
                       int waitMs);

    FileSystem& m_files;
    Environment& m_environment;
    UserInterface& m_ui;
    std::unique_ptr<Collation> m_collation;
    LineConvention m_convention = nativeLineConvention();

    EntryList m_lines;
    LineRange m_added{m_lines}; // the lines the last merge appended to m_lines
    Selection m_selection;
    Selection m_addedSelection;
    ListHistory m_history{m_lines};
    bool m_modified = false;
    // The history's state of the lines as last read or saved; none after a read the history cannot
    // name.
    static constexpr uint64_t kNoState = ~uint64_t{0};
    uint64_t m_savedState = kNoState;
    bool m_needsReload = false;
    bool m_hostsReadIncomplete = false;
    std::string m_partialReadPath; // the file whose read ended early, and why
    int m_partialReadError = 0;
    bool m_partialSaveAgreed = false; // the user said to save the partial list

    std::string m_sourcePath;
    std::string m_hostsPath;
    std::string m_addedStatus;
    std::string m_rereadStatus;
    std::string m_totalStatus;
    std::string m_searchText;
    SaveResult m_lastSave;
    std::function<void()> m_textsListener;
    // The HOSTS file as last read or saved, to notice another program's changes before saving over them.
    std::string m_readPath;
    std::optional<FileFingerprint> m_readFingerprint;
    bool m_askWhenChanged = true;
    bool m_keepsSavedFingerprint = true;
    HostsLock m_lock;
    SaveResult m_lockFailure;
    int m_lockWaitMs = 30000;
    ProcessRunner* m_runner = nullptr;
    std::string m_helper;
    std::string m_helperTarget;
    std::string m_permissionAdvice;
    // The names of the list kept for a block, read from the copy kept of it (no download); null when
    // there is none, or it is no list.
    const BlockListNames* keptListOf(const BlockInfo& block, std::deque<BlockListNames>& store);
    // The file the copy kept of a block's list is in (no download): empty when there is none.
    std::string keptListPath(const BlockInfo& block);
    // The blocks of updateBlocks(requests, upToDate) that are kept line for line, as lists to rebuild
    // them from: those before the first sourced block whose list is not up to date.
    std::vector<SourcedList> blocksKeptAsTheyAre(const std::vector<BlockRequest>& requests,
                                                 const std::vector<std::string>& upToDate);
    // Takes over lines in one change of the history.
    void replaceLines(EntryList& lines);
    // Puts lines in place of the lines from `from` on, with no history kept (the command line).
    void replaceLinesFrom(int32_t from, const EntryList& lines);
    // The sourced blocks of lines completed from the copies of their lists (see removeBlock), taken over
    // as one change of the history.
    void replaceCompleting(EntryList& lines);
    // What the added lines show now, and around a change that sets them anew: the view before, taken
    // first, and the one after, noted with it for undo and redo (see AddedViews). Changes within
    // another count as that one.
    struct AddedChange {
        uint64_t before = 0;
        AddedView view;
    };
    AddedView addedView() const;
    void showAddedView(const AddedView& view);
    AddedChange beginAddedChange();
    void endAddedChange(const AddedChange& change);
    AddedViews m_addedViews;
    int m_addedChanges = 0;
    // Where the lines stood with a file they were read from, kept while they are another file's, so that
    // taking back the opening of that other file (or making it again) returns to it whole: its path,
    // whether the lines are what it holds, and how its read ended.
    struct ReadFile {
        std::optional<FileFingerprint> fingerprint;
        uint64_t savedState = kNoState;
        std::string partialPath;
        int partialError = 0;
        bool partialAgreed = false;
    };
    std::map<std::string, ReadFile> m_readFiles;
    void rememberReadFile();
    // A step of the history from the view `left` to the view `to`: the HOSTS path the change set is set
    // again, and the file read at `to` becomes the one the lines are compared with again.
    void returnToFiles(const AddedView& left, const AddedView& to);
    std::function<int64_t()> m_clock;
    MergeResult mergeWebList(const std::string& listFile);
    // The steps of a merge of a list file: whether the list can be read (present: it has lines to
    // read; false: nothing is to change, the user was told), the HOSTS file read again or the lines
    // indexed as they stand, and the list's new lines appended.
    bool listReadable(FileSystem& listFiles, const std::string& listFile, const std::string& named, bool& present,
                      MergeResult& result);
    void rereadHostsForMerge(DuplicateIndex& index, MergeResult& result);
    void tellHostsNotRead();
    void indexLinesForMerge(DuplicateIndex& index);
    void appendList(FileSystem& listFiles, const std::string& listFile, DuplicateIndex& index, MergeResult& result);
    BlocksRebuild m_lastCompletion;
    Downloader* m_downloader = nullptr;
    WebListOptions m_webOptions;
    std::unique_ptr<WebListProbe> m_probe;
    AllowList m_allow;
    // The names of downloads as fetchList(source, true) checked them before keeping them, by the path
    // kept: a list is read and parsed once per update. Each is known by the file it was read from and
    // by what else its names depend on (readingOfLists: the machine's name, the allowlist, the size
    // limit), and taken only while both are still the same (see takeCheckedList): the machine may be
    // renamed while an update waits for the lock. updateBlocks drops those it did not take.
    struct CheckedList {
        PathInfo file;
        std::string reading;
        std::unique_ptr<BlockListNames> names;
    };
    std::map<std::string, CheckedList> m_checkedLists;
    std::string readingOfLists(const std::string& hostName) const;
    std::unique_ptr<BlockListNames> takeCheckedList(const std::string& path, const std::string& hostName);
};

} // namespace velmora
