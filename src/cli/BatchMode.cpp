#include "cli/BatchMode.h"

#include "core/HostsFile.h"
#include "core/HostsPath.h"
#include "core/PrivilegedSave.h"
#include "core/TextUtil.h"
#include "merge/LineDiff.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <ostream>

namespace velmora {

namespace {

// The confirmation questions: Yes or No, No taking Enter.
constexpr int32_t kConfirmStyle = MessageStyle::YesNo | MessageStyle::Question | MessageStyle::DefaultButton2;
// How often a run starts again on the fresh file when another program changed HOSTS under it.
constexpr int kAttempts = 3;
// Said after a save that failed because the user may not write the file. sudo's default environment
// drops VELMORA_HOSTS, so a run under sudo would change /etc/hosts instead of the file meant. Windows
// asks for the rights when the prompt is opened, not for one command.
#ifdef _WIN32
constexpr char kPermissionAdvice[] =
    "Run the same command from a command prompt opened with \"Run as administrator\" to change it.";
#else
constexpr char kPermissionAdvice[] = "Run the same command with sudo to change it as root; sudo does not pass "
                                     "VELMORA_HOSTS on, so name another file as in: sudo env VELMORA_HOSTS=FILE "
                                     "velmora ...";
#endif

std::string plural(int32_t count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

struct Run {
    const CommandLine& command;
    HostsDocument& document;
    std::ostream& out;
    std::ostream& err;

    bool optionForm() const { return command.form == CommandForm::Options; }
    // The last save found HOSTS changed by another program since it was read.
    bool fileChanged = false;
    // The allowlist in force, for saying how many lines it kept out; empty when there is none.
    std::string allowPath;

    // Asks unless the run is silent; false when the answer was No (any other answer goes on).
    bool confirmed(const std::string& prompt) {
        return command.silent || command.dryRun || document.ui().ask(prompt, kConfirmStyle) != Answer::No;
    }

    // Takes the HOSTS file's lock for the rest of the run, so that runs at the same time each work on
    // what the one before saved. False when another still holds it after the wait (said on stderr).
    bool lock(const std::string& hostsPath) {
        // A dry run writes nothing, not even the lock or a recovery.
        if (command.dryRun)
            return true;
        const HostsLock::Status status = document.holdLock(hostsPath, [&](const std::string& holder) {
            err << "velmora: waiting for " << holder << ", which is changing " << hostsPath << std::endl;
        });
        if (status != HostsLock::Status::Busy)
            return true;
        document.ui().reportError(hostsPath + " is still being changed by " + document.lock().holder() +
                                  "; it was left as it was.");
        return false;
    }

    // Why the HOSTS file was read only in part (another program holding it, a failing disk).
    std::string unreadHosts(const std::string& hostsPath) {
        return "The HOSTS file " + hostsPath +
               " could not be read to its end: " + document.files().errorText(document.hostsReadError());
    }

    // Saves the document to the HOSTS file; in the option form sums up what was done, as the text
    // before and after the HOSTS path, and the backup. Nothing is said when another program changed
    // the file meanwhile (fileChanged): the caller starts again.
    int save(const std::string& hostsPath, const std::string& before, const std::string& after = {}) {
        // Saving a list that lacks lines of the file would drop them from it.
        if (document.hostsReadIncomplete()) {
            document.ui().reportError(unreadHosts(hostsPath) + "; it was left as it was.");
            return kExitFailed;
        }
        if (command.dryRun)
            return showDryRun(hostsPath);
        const bool done = document.save(hostsPath);
        fileChanged = document.lastSave().status == SaveStatus::Changed;
        if (!done)
            return kExitFailed;
        if (optionForm()) {
            const SaveResult& saved = document.lastSave();
            out << before << hostsPath << after
                << (saved.backedUp ? " (backup: " + saved.backupPath + ")"
                                   : std::string(" (no backup: it was missing or empty)"))
                << std::endl;
        }
        return kExitDone;
    }

    // What saving would change: the file's lines as they are against the document's.
    int showDryRun(const std::string& hostsPath) {
        EntryList before;
        before.beginAppend();
        readFileLines(document.files(), hostsPath, document.lineConvention(),
                      [&](std::string_view line) { before.append(line); });
        before.endAppend();
        const std::vector<DiffStep> steps = diffLines(before, document.lines());
        if (command.diff)
            writeUnifiedDiff(out, before, document.lines(), steps, hostsPath, hostsPath + " (after)");
        else
            writeChangedLines(out, before, document.lines(), steps);
        const DiffCounts counts = countChanges(steps);
        out << "Dry run: " << plural(counts.added, "line") << " would be added to and "
            << plural(counts.removed, "line") << " removed from " << hostsPath << "; nothing was saved" << std::endl;
        return kExitDone;
    }

    void tellKeptOut(int32_t keptOut) {
        if (optionForm() && !allowPath.empty())
            out << "Kept out " << plural(keptOut, "line") << " naming hosts in the allowlist " << allowPath
                << std::endl;
    }

    // Runs attempt (which reads HOSTS, changes it and saves it) until no other program has changed
    // the file between the read and the save, a few times at most.
    int repeatWhileChanged(const std::string& hostsPath, const std::function<int()>& attempt) {
        for (int i = 0; i < kAttempts; ++i) {
            // Always the file as it is now, under the lock, never lines read before.
            document.markForReload();
            fileChanged = false;
            const int status = attempt();
            if (!fileChanged)
                return status;
        }
        document.ui().reportError(hostsPath + " kept being changed by another program; it was left as it was.");
        return kExitFailed;
    }
};

int runAdd(Run& run) {
    HostsDocument& document = run.document;
    const std::string& listPath = run.command.argument;
    // An address is downloaded before the HOSTS file is locked, so that other runs need not wait for
    // the network; the merge then reads the download.
    const WebListResult fetched = document.fetchList(listPath);
    if (fetched.status == WebListStatus::Failed)
        return kExitFailed;
    const PathInfo list = document.files().stat(fetched.path, true);
    if (!list.exists && list.error != 0 && list.error != ENOENT && !listPath.empty()) {
        document.ui().reportError("The list " + listPath +
                                  " could not be read: " + document.files().errorText(list.error));
        return kExitFailed;
    }
    // The same test as fileHasData, on the answer already in hand.
    if (!(list.exists && list.isRegular && list.size > 0)) {
        if (!run.optionForm())
            return kExitDone;
        run.err << "velmora: " << listPath << ": no list to merge (missing, empty or not a file)" << std::endl;
        return kExitUsage;
    }
    document.setSourcePath(fetched.path);
    const std::string hostsPath = hostsFilePath(document.environment());
    document.setHostsPath(hostsPath);
    if (!run.lock(hostsPath))
        return kExitFailed;
    return run.repeatWhileChanged(hostsPath, [&]() -> int {
        const MergeResult merged = document.merge();
        if (merged.listReadError != 0)
            return kExitFailed;
        const int status =
            run.save(hostsPath, "Merged " + plural(merged.linesAdded, "new line") + " from " + listPath + " into ");
        if (status == kExitDone && !run.fileChanged)
            run.tellKeptOut(merged.linesKeptOut);
        return status;
    });
}

// The lines of an updated block that are not the list's: its two markers and its source.
constexpr int32_t kMarkerLines = 3;

// A block to update and where its list comes from.
struct UpdateTarget {
    std::string name;
    std::string source;
    WebListResult list;
};

int runUpdate(Run& run) {
    HostsDocument& document = run.document;
    const std::string hostsPath = hostsFilePath(document.environment());
    document.setHostsPath(hostsPath);
    std::vector<UpdateTarget> targets;
    if (!run.command.argument.empty()) {
        // The block keeps where its list came from for later updates, which may run in another folder.
        std::string source = run.command.source;
        std::error_code error;
        if (!isWebAddress(source))
            if (const std::filesystem::path full = std::filesystem::absolute(source, error); !error)
                source = full.lexically_normal().string();
        targets.push_back({run.command.argument, source, {}});
    } else {
        document.ui().progress().setTitle("Loading HOSTS...");
        document.load(hostsPath);
        for (const BlockInfo& block : findBlocks(document.lines())) {
            const bool seen = std::any_of(targets.begin(), targets.end(),
                                          [&](const UpdateTarget& t) { return iequals(t.name, block.name); });
            if (!block.source.empty() && !seen)
                targets.push_back({block.name, block.source, {}});
        }
        if (targets.empty()) {
            run.err << "velmora: no block in " << hostsPath << " has a \"# source:\" line; nothing to update"
                    << std::endl;
            return kExitDone;
        }
    }
    // Every list is fetched before the file is locked and read for the change (other runs need not wait
    // for the network); a failed one leaves its block alone.
    bool failed = false;
    for (UpdateTarget& target : targets) {
        if (!isWebAddress(target.source) && !std::filesystem::path(target.source).is_absolute()) {
            document.ui().reportError("The list " + target.source + " of block " + target.name +
                                      " is no full path, so it was left as it was; update it once with its full "
                                      "path.");
            target.list.status = WebListStatus::Failed;
            failed = true;
            continue;
        }
        target.list = document.fetchList(target.source);
        if (target.list.status == WebListStatus::Fresh && !isWebAddress(target.source) &&
            !fileHasData(document.files(), target.list.path)) {
            document.ui().reportError("The list " + target.source + " is missing or empty; block " + target.name +
                                      " was left as it was.");
            target.list.status = WebListStatus::Failed;
        }
        failed = failed || target.list.status == WebListStatus::Failed;
    }
    if (!run.lock(hostsPath))
        return kExitFailed;
    const int status = run.repeatWhileChanged(hostsPath, [&]() -> int {
        document.ui().progress().setTitle("Loading HOSTS...");
        document.load(hostsPath);
        std::string updated;
        int32_t keptOut = 0;
        for (const UpdateTarget& target : targets) {
            if (target.list.status == WebListStatus::Failed)
                continue;
            // Also a list the server calls unchanged is compared with the block: the file may have been
            // restored or edited since, or the allowlist changed.
            const BlockReplacement replaced = document.updateBlock(target.name, target.source, target.list.path);
            if (replaced.error != 0)
                return kExitFailed;
            keptOut += replaced.keptOut;
            if (replaced.changed)
                updated += (updated.empty() ? "" : ", ") + target.name + " (" +
                           plural(replaced.added - kMarkerLines, "line") + ")";
            else if (run.optionForm())
                run.out << "Block " << target.name << " is up to date with " << target.source << std::endl;
        }
        if (updated.empty())
            return kExitDone;
        const int saved = run.save(hostsPath, "Updated " + updated + " in ");
        if (saved == kExitDone && !run.fileChanged)
            run.tellKeptOut(keptOut);
        return saved;
    });
    return failed ? kExitFailed : status;
}

int runBlocks(Run& run) {
    HostsDocument& document = run.document;
    const std::string hostsPath = hostsFilePath(document.environment());
    document.ui().progress().setTitle("Loading HOSTS...");
    if (!document.load(hostsPath)) {
        document.ui().reportError(run.unreadHosts(hostsPath) + ".");
        return kExitFailed;
    }
    for (const BlockInfo& block : findBlocks(document.lines()))
        run.out << block.name << '\t' << block.bodyLines() << '\t' << (block.source.empty() ? "-" : block.source)
                << '\n';
    run.out << std::flush;
    return kExitDone;
}

// The backup becomes the file and the file the backup, by the same save as every other: the file's
// bytes are backed up before the backup's bytes replace them.
int runRestore(Run& run) {
    HostsDocument& document = run.document;
    const std::string hostsPath = hostsFilePath(document.environment());
    const std::string backupPath = hostsPath + ".bak";
    if (!run.confirmed("Do you want to swap the HOSTS file " + hostsPath + " with its backup " + backupPath + "?"))
        return kExitDone;
    if (!run.lock(hostsPath))
        return kExitFailed;
    FileSystem& files = document.files();
    const FileBytes backup = readFileBytes(files, backupPath);
    if (backup.error != 0 || backup.bytes.empty()) {
        document.ui().reportError("There is no backup to restore: " + backupPath +
                                  (backup.error != 0 && backup.error != ENOENT ? ": " + files.errorText(backup.error)
                                                                               : " is missing or empty") +
                                  ". " + hostsPath + " was left as it was.");
        return kExitFailed;
    }
    const FileBytes current = readFileBytes(files, hostsPath);
    if (current.error != 0 && current.error != ENOENT) {
        document.ui().reportError("The HOSTS file " + hostsPath +
                                  " could not be read: " + files.errorText(current.error) + "; it was left as it was.");
        return kExitFailed;
    }
    const SaveResult saved = saveHostsBytes(files, hostsPath, backup.bytes, &current.fingerprint);
    if (saved.status != SaveStatus::Saved) {
        std::string message = "The backup was not restored. " + saved.message;
        if (failedForPermission(saved) && files.userId() != 0)
            message += std::string(". ") + kPermissionAdvice;
        document.ui().reportError(message);
        return kExitFailed;
    }
    if (run.optionForm())
        run.out << "Restored " << hostsPath << " from " << backupPath
                << (saved.backedUp ? ", which now holds what it replaced"
                                   : "; it was missing or empty, so the backup stays as it was")
                << std::endl;
    return kExitDone;
}

int runRemoveAll(Run& run) {
    HostsDocument& document = run.document;
    if (!run.confirmed("Do you want to clear the HOSTS file?"))
        return kExitDone;
    const std::string hostsPath = hostsFilePath(document.environment());
    if (!run.lock(hostsPath))
        return kExitFailed;
    document.resetToLocalhost();
    return run.save(hostsPath, "Reset ", " to 127.0.0.1 localhost");
}

int runRemove(Run& run) {
    HostsDocument& document = run.document;
    const std::string& name = run.command.argument;
    if (!run.confirmed("Do you want to clear the block(s) '" + name + "' from HOSTS file?"))
        return kExitDone;
    if (name.empty())
        return kExitDone;
    const std::string hostsPath = hostsFilePath(document.environment());
    if (!run.lock(hostsPath))
        return kExitFailed;
    return run.repeatWhileChanged(hostsPath, [&]() -> int {
        document.ui().progress().setTitle("Loading HOSTS...");
        document.load(hostsPath);
        document.ui().progress().setTitle("Removing " + name + "...");
        const int32_t removed = document.removeBlock(name);
        return run.save(hostsPath, "Removed " + plural(removed, "line") + " in blocks named " + name + " from ");
    });
}

struct Handler {
    RunMode mode;
    int (*run)(Run&);
};

constexpr Handler kHandlers[] = {
    {RunMode::Add, runAdd},       {RunMode::RemoveAll, runRemoveAll}, {RunMode::Remove, runRemove},
    {RunMode::Update, runUpdate}, {RunMode::Blocks, runBlocks},       {RunMode::Restore, runRestore},
};

// Reads the allowlist of a merge or an update into the document.
bool readAllowList(Run& run) {
    HostsDocument& document = run.document;
    AllowList allow;
    const AllowListFile read = loadAllowList(document.files(), document.environment(), run.command.allowFile,
                                             document.lineConvention(), allow);
    if (read.error != 0) {
        document.ui().reportError("The allowlist " + read.path +
                                  " could not be read: " + document.files().errorText(read.error));
        return false;
    }
    document.setAllowList(std::move(allow));
    run.allowPath = read.path;
    return true;
}

} // namespace

int runBatchMode(const CommandLine& command, HostsDocument& document, std::ostream& out, std::ostream& err) {
    Run run{command, document, out, err, false, {}};
    // A script gets a status, not a question: a run that finds HOSTS changed starts again instead.
    document.setAskWhenChanged(false);
    document.setKeepsHistory(false);
    document.setPermissionAdvice(kPermissionAdvice);
    WebListOptions& web = document.webListOptions();
    web = WebListOptions{};
    if (command.limits.maxBytes != 0)
        web.maxBytes = command.limits.maxBytes;
    if (command.limits.timeoutSeconds != 0)
        web.timeoutMs = command.limits.timeoutSeconds * 1000;
    if ((command.mode == RunMode::Add || command.mode == RunMode::Update) && !readAllowList(run))
        return kExitFailed;
    for (const Handler& handler : kHandlers) {
        if (handler.mode == command.mode) {
            const int status = handler.run(run);
            document.releaseLock();
            return status;
        }
    }
    return kExitUsage;
}

} // namespace velmora
