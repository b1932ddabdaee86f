#include "cli/BatchMode.h"

#include "core/HostsFile.h"
#include "core/HostsPath.h"
#include "core/PathSafety.h"
#include "core/PrivilegedSave.h"
#include "core/TextUtil.h"
#include "merge/LineDiff.h"
#include "platform/LargeMemory.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
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
    // what the one before saved. False, said on stderr, when another still holds it after the wait, or
    // when it cannot be taken at all: a run never saves unlocked.
    bool lock(const std::string& hostsPath) {
        // A dry run writes nothing, not even the lock or a recovery.
        if (command.dryRun)
            return true;
        const HostsLock::Status status = document.holdLock(hostsPath, [&](const std::string& holder) {
            err << "velmora: waiting for " << holder << ", which is changing " << hostsPath << std::endl;
        });
        if (status == HostsLock::Status::Locked)
            return true;
        if (status == HostsLock::Status::Busy) {
            document.ui().reportError(hostsPath + " is still being changed by " + document.lock().holder() +
                                      "; it was left as it was.");
            return false;
        }
        const SaveResult& failure = document.lockFailure();
        std::string message = "The HOSTS list was not saved. " + failure.message;
        if (failedForPermission(failure) && document.files().userId() != 0)
            message += std::string(". ") + kPermissionAdvice;
        document.ui().reportError(message);
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
            if (saved.unchanged) {
                out << "No change: " << hostsPath << " already holds these lines; it and its backup were left as "
                    << "they were" << std::endl;
                return kExitDone;
            }
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
        readFileLines(document.files(), hostsPath, [&](std::string_view line) { before.append(line); });
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

// A block to keep and where its list comes from.
struct UpdateTarget {
    std::string name;
    std::string source;
    WebListResult list;
};

// Fetches the lists of the targets, then keeps their blocks from them and saves, saying per block what
// changed. `found`: the blocks of the lines the document holds, when they were found already.
int keepBlocks(Run& run, std::vector<UpdateTarget>& targets, const std::vector<BlockInfo>* found = nullptr);

int runAdd(Run& run) {
    HostsDocument& document = run.document;
    const std::string& listPath = run.command.argument;
    if (isWebAddress(listPath)) {
        // A list from the web is kept as a block named by its address, as the window keeps it.
        document.setHostsPath(hostsFilePath(document.environment()));
        std::vector<UpdateTarget> targets{{listPath, listPath, {}}};
        return keepBlocks(run, targets);
    }
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
        if (merged.linesAdded == 0 && !run.command.dryRun && !document.hostsReadIncomplete()) {
            // Saving nothing new would only put the backup of the last real change out of reach.
            if (run.optionForm())
                run.out << "Nothing new in " << listPath << ": " << hostsPath
                        << " already has every line of it; it and its backup were left as they were" << std::endl;
            return kExitDone;
        }
        const int status =
            run.save(hostsPath, "Merged " + plural(merged.linesAdded, "new line") + " from " + listPath + " into ");
        if (status == kExitDone && !run.fileChanged)
            run.tellKeptOut(merged.linesKeptOut);
        return status;
    });
}

// A count as people read large ones: 12,345.
std::string grouped(int32_t count) {
    const std::string digits = std::to_string(count);
    std::string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        const size_t after = digits.size() - i; // digits from this one to the end
        if (i > 0 && digits[i - 1] != '-' && after % 3 == 0)
            text += ',';
        text += digits[i];
    }
    return text;
}

// "12,345 names (+120, -87)": what a block holds and how that changed.
std::string namesChange(const BlockOutcome& block) {
    return grouped(block.names) + (block.names == 1 ? " name" : " names") + " (+" + grouped(block.added) + ", -" +
           grouped(block.removed) + ")";
}

// ", 3 skipped (other addresses)": the list's lines and names that did not become lines of the block.
std::string skipped(const BlockListCounts& counts) {
    std::string text;
    const std::pair<int32_t, const char*> parts[] = {
        {counts.otherAddress, " skipped (other addresses)"},
        {counts.neverBlocked, " skipped (never blocked)"},
        {counts.notHostNames, " skipped (not host names)"},
        {counts.narrowRules, " skipped (rules for only some uses of a name)"},
        {counts.keptOut, " kept out (allowlist)"},
        {counts.excepted, " kept out (the list's exceptions)"},
    };
    for (const auto& [count, what] : parts)
        if (count > 0)
            text += ", " + grouped(count) + what;
    return text;
}

// One line for each block that other lists' changes completed from the copy kept of its own list.
std::string completions(const BlocksRebuild& rebuild, const std::function<bool(const std::string&)>& asked) {
    std::string text;
    for (const BlockOutcome& block : rebuild.blocks)
        if (block.changed && !asked(block.name))
            text += "Completed " + block.name + " from the copy kept of its list: " + namesChange(block) + "\n";
    return text;
}

// Fetches the lists of the targets, before the lock (other runs need not wait for the network). False
// when any could not be had: its block stays as it is, and the user was told why.
bool fetchTargets(Run& run, std::vector<UpdateTarget>& targets) {
    HostsDocument& document = run.document;
    bool fetched = true;
    for (UpdateTarget& target : targets) {
        if (!isWebAddress(target.source) && !std::filesystem::path(target.source).is_absolute()) {
            document.ui().reportError("The list " + target.source + " of block " + target.name +
                                      " is no full path, so it was left as it was; update it once with its full "
                                      "path.");
            target.list.status = WebListStatus::Failed;
            fetched = false;
            continue;
        }
        target.list = document.fetchList(target.source, true);
        if (target.list.status == WebListStatus::Fresh && !isWebAddress(target.source)) {
            // A list a run as root may not read is told as refused, not as missing, and is looked at
            // where the check found it (under the update unit, the path as given cannot be looked at).
            CheckedRead list(document.files(), target.list.path);
            if (!list.refusal().empty() || !fileHasData(list.files(), list.path())) {
                document.ui().reportError(
                    "The list " + target.source +
                    (list.refusal().empty() ? " is missing or empty" : " was not taken: " + list.refusal() + ".") +
                    (list.refusal().empty() ? "; block " : " Block ") + target.name + " was left as it was.");
                target.list.status = WebListStatus::Failed;
            }
        }
        fetched = fetched && target.list.status != WebListStatus::Failed;
    }
    return fetched;
}

// What an update did: a line for each block asked for that its list changed or found up to date, and
// one for each other block completed from the copy kept of its list.
std::string updateReport(const BlocksUpdate& update, const std::vector<UpdateTarget>& targets) {
    const auto targetOf = [&](const std::string& name) {
        return std::find_if(targets.begin(), targets.end(),
                            [&](const UpdateTarget& t) { return iequals(t.name, name); });
    };
    std::string report;
    for (const BlockOutcome& block : update.rebuild.blocks) {
        const auto target = targetOf(block.name);
        if (target == targets.end() || (block.kept && !block.upToDate))
            continue;
        if (!block.changed) {
            report += "Block " + block.name + " is up to date with " + target->source + "\n";
            continue;
        }
        report += "Updated " + block.name + (block.off ? " (switched off)" : "") + ": " + namesChange(block);
        for (const auto& [name, counts] : update.read)
            if (iequals(name, block.name))
                report += skipped(counts);
        report += "\n";
    }
    return report +
           completions(update.rebuild, [&](const std::string& name) { return targetOf(name) != targets.end(); });
}

// One attempt of an update under the lock: the blocks kept from the lists fetched, saved when they
// changed, and the note of what they were made from kept for the next update. `failed` is set when a
// list was no list.
// `found`: the blocks of the lines read before the lock, or null.
int updateOnce(Run& run, const std::vector<UpdateTarget>& targets, const std::string& hostsPath, bool reread,
               bool& failed, const std::vector<BlockInfo>* found) {
    HostsDocument& document = run.document;
    // The lines read before the lock serve while the file is still that one, and so do their blocks.
    if (reread || !document.holdsFileAsRead(hostsPath)) {
        document.ui().progress().setTitle("Loading HOSTS...");
        document.load(hostsPath);
        found = nullptr;
    }
    std::vector<BlockRequest> requests;
    requests.reserve(targets.size());
    for (const UpdateTarget& target : targets)
        requests.push_back({target.name, target.source, run.command.blockAddress,
                            target.list.status == WebListStatus::Failed ? std::string() : target.list.path});
    // Also a list the server calls unchanged is compared with its block: the file may have been
    // restored or edited since, or the allowlist changed. Only when the file, every list and all
    // else the blocks depend on are what the last update that went through left is that skipped.
    std::map<std::string, std::string> lists; // the lists as the note before the update found them
    const std::string before = failed ? std::string() : document.blocksNote(requests, found, &lists);
    const std::string last =
        before.empty() ? std::string() : keptBlocksNote(document.files(), document.environment(), hostsPath);
    if (!before.empty() && before == last) {
        if (run.optionForm()) {
            for (const UpdateTarget& target : targets)
                run.out << "Block " << target.name << " is up to date with " << target.source << "\n";
            run.out << std::flush;
        }
        return kExitDone;
    }
    const BlocksUpdate update = document.updateBlocks(requests, unchangedLists(before, last));
    failed = failed || update.failed;
    // What the next update compares with: the file as it is after this one.
    auto keepNote = [&](int result) {
        if (result != kExitDone || failed || run.fileChanged || run.command.dryRun)
            return result;
        if (const std::string after = document.blocksNote(requests, nullptr, &lists); !after.empty())
            keepBlocksNote(document.files(), document.environment(), hostsPath, after);
        return result;
    };
    const std::string report = updateReport(update, targets);
    if (!update.rebuild.changed) {
        if (run.optionForm())
            run.out << report << std::flush;
        return keepNote(kExitDone);
    }
    // A dry run shows what would change as lines; it says nothing was updated.
    return keepNote(run.save(hostsPath, report + "Saved "));
}

int keepBlocks(Run& run, std::vector<UpdateTarget>& targets, const std::vector<BlockInfo>* found) {
    HostsDocument& document = run.document;
    const std::string hostsPath = hostsFilePath(document.environment());
    bool failed = !fetchTargets(run, targets);
    if (!run.lock(hostsPath))
        return kExitFailed;
    // The note of this update needs what its save wrote.
    document.setKeepsSavedFingerprint(true);
    bool reread = false;
    const int status = run.repeatWhileChanged(hostsPath, [&]() -> int {
        const int result = updateOnce(run, targets, hostsPath, reread, failed, found);
        reread = true;
        return result;
    });
    return failed ? kExitFailed : status;
}

// The block named on the command line, its list noted by its full path or its address: later updates
// may run in another folder.
UpdateTarget namedTarget(const CommandLine& command) {
    std::string source = command.source;
    std::error_code error;
    if (!isWebAddress(source))
        if (const std::filesystem::path full = std::filesystem::absolute(localPathOf(source), error); !error)
            source = full.lexically_normal().string();
    return {command.argument, source, {}};
}

// Every block that notes its source, once by name.
std::vector<UpdateTarget> sourcedTargets(const std::vector<BlockInfo>& blocks) {
    std::vector<UpdateTarget> targets;
    for (const BlockInfo& block : blocks) {
        const bool seen = std::any_of(targets.begin(), targets.end(),
                                      [&](const UpdateTarget& t) { return iequals(t.name, block.name); });
        if (!block.source.empty() && !seen)
            targets.push_back({block.name, block.source, {}});
    }
    return targets;
}

int runUpdate(Run& run) {
    HostsDocument& document = run.document;
    const std::string hostsPath = hostsFilePath(document.environment());
    document.setHostsPath(hostsPath);
    const auto fromWeb = [](const UpdateTarget& target) { return isWebAddress(target.source); };
    std::vector<UpdateTarget> targets;
    if (!run.command.argument.empty()) {
        targets.push_back(namedTarget(run.command));
        // The library that downloads is loaded only for a list from the web.
        if (fromWeb(targets.back()))
            document.prepareDownloads();
        return keepBlocks(run, targets);
    }
    // While the file is read, the servers of the lists the last update kept from the web are asked
    // whether they have newer ones; a run whose lists are all files loads nothing to download with.
    const bool asked =
        document.probeLists(webSourcesNoted(keptBlocksNote(document.files(), document.environment(), hostsPath)));
    // Read once: under the lock the lines serve as long as the file is still the one read here.
    document.ui().progress().setTitle("Loading HOSTS...");
    document.load(hostsPath);
    const std::vector<BlockInfo> found = findBlocks(document.lines());
    targets = sourcedTargets(found);
    if (targets.empty()) {
        run.err << "velmora: no block in " << hostsPath << " has a \"# source:\" line; nothing to update" << std::endl;
        return kExitDone;
    }
    if (!asked && std::any_of(targets.begin(), targets.end(), fromWeb))
        document.prepareDownloads();
    return keepBlocks(run, targets, &found);
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
                << '\t' << (block.off ? "off" : "on") << '\t' << (block.updated.empty() ? "-" : block.updated) << '\n';
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
    const auto notRestored = [&](const std::string& why) {
        document.ui().reportError("The backup was not restored: " + why + ". " + hostsPath + " was left as it was.");
        return kExitFailed;
    };
    // Two files are swapped, never a link followed to either: a link planted at the backup's path would
    // make any file the link names the HOSTS file. The backup must be root's, the running user's or the
    // HOSTS file's owner's, as a save makes it, and no one else may change it.
    const CheckedPath target = checkPath(files, hostsPath, PathUse::Replace);
    const PathInfo& hostsInfo = target.info;
    const CheckedPath checked = checkPath(files, backupPath, PathUse::Read,
                                          hostsInfo.exists ? std::optional<uint32_t>(hostsInfo.uid) : std::nullopt);
    for (const auto& [path, check] : {std::pair{&hostsPath, &target}, std::pair{&backupPath, &checked}}) {
        if (check->linkAtEnd)
            return notRestored(*path + " is a link, and a restore follows none");
        if (!check->usable())
            return notRestored(*path + ": " + check->reason);
    }
    const FileBytes backup = readFileBytes(files, backupPath, false);
    if (backup.error != 0 || backup.bytes.empty()) {
        document.ui().reportError("There is no backup to restore: " + backupPath +
                                  (backup.error != 0 && backup.error != ENOENT ? ": " + files.errorText(backup.error)
                                                                               : " is missing or empty") +
                                  ". " + hostsPath + " was left as it was.");
        return kExitFailed;
    }
    const FileBytes current = readFileBytes(files, hostsPath, false);
    if (current.error != 0 && current.error != ENOENT) {
        document.ui().reportError("The HOSTS file " + hostsPath +
                                  " could not be read: " + files.errorText(current.error) + "; it was left as it was.");
        return kExitFailed;
    }
    const SaveResult saved = saveHostsBytes(files, hostsPath, backup.bytes, &current.fingerprint);
    if (saved.status != SaveStatus::Saved) {
        std::string message = "The backup was not restored. " + asSentence(saved.message);
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
        if (removed == 0 && !document.hostsReadIncomplete()) {
            // A misspelt name must be visible to a script; the classic form stays silent, as it always was.
            if (!run.optionForm())
                return kExitDone;
            run.err << "velmora: no block named " << name << " in " << hostsPath
                    << "; it and its backup were left as they were" << std::endl;
            return kExitFailed;
        }
        const std::string completed = completions(document.lastCompletion(), [](const std::string&) { return false; });
        return run.save(hostsPath,
                        completed + "Removed " + plural(removed, "line") + " in blocks named " + name + " from ");
    });
}

// Switches every block of the name off or on and saves; the blocks kept from lists are completed from the
// copies of their lists, as a removal completes them.
int runSwitch(Run& run) {
    HostsDocument& document = run.document;
    const bool on = run.command.mode == RunMode::Enable;
    const std::string& name = run.command.argument;
    const std::string state = on ? "on" : "off";
    const std::string hostsPath = hostsFilePath(document.environment());
    if (!run.lock(hostsPath))
        return kExitFailed;
    return run.repeatWhileChanged(hostsPath, [&]() -> int {
        document.ui().progress().setTitle("Loading HOSTS...");
        if (!document.load(hostsPath)) {
            document.ui().reportError(run.unreadHosts(hostsPath) + "; it was left as it was.");
            return kExitFailed;
        }
        const BlockSwitchResult result = document.switchBlock(name, on);
        switch (result.status) {
        case BlockSwitchStatus::NoSuchBlock:
            run.err << "velmora: no block named " << name << " in " << hostsPath
                    << "; it and its backup were left as they were" << std::endl;
            return kExitFailed;
        case BlockSwitchStatus::NoEnd:
            document.ui().reportError("Block " + name + " has no \"" + std::string(kBlockEnd) + name +
                                      "\" line, so where it ends is unknown; it was left as it was.");
            return kExitFailed;
        case BlockSwitchStatus::AlreadySo:
            if (run.optionForm())
                run.out << "Block " << name << " is already switched " << state << " in " << hostsPath
                        << "; it and its backup were left as they were" << std::endl;
            return kExitDone;
        case BlockSwitchStatus::Switched:
            break;
        }
        const std::string completed = completions(document.lastCompletion(), [](const std::string&) { return false; });
        const std::string what =
            result.blocks == 1 ? "block " + name : plural(result.blocks, "block") + " named " + name;
        return run.save(hostsPath, completed + "Switched " + state + " " + what + " in ");
    });
}

struct Handler {
    RunMode mode;
    int (*run)(Run&);
};

constexpr Handler kHandlers[] = {
    {RunMode::Add, runAdd},        {RunMode::RemoveAll, runRemoveAll}, {RunMode::Remove, runRemove},
    {RunMode::Update, runUpdate},  {RunMode::Blocks, runBlocks},       {RunMode::Restore, runRestore},
    {RunMode::Disable, runSwitch}, {RunMode::Enable, runSwitch},
};

// Reads the allowlist of a merge or an update into the document.
bool readAllowList(Run& run) {
    HostsDocument& document = run.document;
    AllowList allow;
    const AllowListFile read = loadAllowList(document.files(), document.environment(), run.command.allowFile, allow);
    if (read.error != 0 || !read.refusal.empty()) {
        document.ui().reportError("The allowlist " + read.path + " could not be read: " +
                                  (read.refusal.empty() ? document.files().errorText(read.error) : read.refusal));
        return false;
    }
    // A line the allowlist cannot read allows nothing, and its user should know which it is.
    tellAllowListProblems(document.ui(), read);
    document.setAllowList(std::move(allow));
    run.allowPath = read.path;
    return true;
}

} // namespace

int runBatchMode(const CommandLine& command, HostsDocument& document, std::ostream& out, std::ostream& err) {
    Run run{command, document, out, err, false, {}};
    keepFreedMemory();
    // A script gets a status, not a question: a run that finds HOSTS changed starts again instead.
    document.setAskWhenChanged(false);
    document.setKeepsHistory(false);
    // A run ends with its save: nothing compares the file with what it wrote.
    document.setKeepsSavedFingerprint(false);
    document.setPermissionAdvice(kPermissionAdvice);
    WebListOptions& web = document.webListOptions();
    web = WebListOptions{};
    if (command.limits.maxBytes != 0)
        web.maxBytes = command.limits.maxBytes;
    if (command.limits.timeoutSeconds != 0)
        web.timeoutMs = command.limits.timeoutSeconds * 1000;
    if (command.limits.stallSeconds != 0)
        web.stallTimeoutMs = command.limits.stallSeconds * 1000;
    // A HOSTS file that another user could redirect is refused before anything is read or fetched for it.
    if (command.mode != RunMode::Blocks) {
        const SaveTarget where = saveTargetFor(document.files(), hostsFilePath(document.environment()));
        if (where.status == SaveStatus::Unsafe) {
            document.ui().reportError("The HOSTS list was not saved. " + where.message);
            return kExitFailed;
        }
    }
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
