#include "cli/BatchMode.h"

#include "core/HostsFile.h"
#include "core/HostsPath.h"

#include <cerrno>
#include <functional>
#include <ostream>

namespace velmora {

namespace {

// The confirmation questions: Yes or No, No taking Enter.
constexpr int32_t kConfirmStyle = MessageStyle::YesNo | MessageStyle::Question | MessageStyle::DefaultButton2;
// How often a run starts again on the fresh file when another program changed HOSTS under it.
constexpr int kAttempts = 3;
// Said after a save that failed because the user may not write the file. sudo's default environment
// drops VELMORA_HOSTS, so a run under sudo would change /etc/hosts instead of the file meant.
constexpr char kSudoAdvice[] = "Run the same command with sudo to change it as root; sudo does not pass VELMORA_HOSTS "
                               "on, so name another file as in: sudo env VELMORA_HOSTS=FILE velmora ...";

struct Run {
    const CommandLine& command;
    HostsDocument& document;
    std::ostream& out;
    std::ostream& err;

    bool optionForm() const { return command.form == CommandForm::Options; }
    // The last save found HOSTS changed by another program since it was read.
    bool fileChanged = false;

    // Asks unless the run is silent; false when the answer was No (any other answer goes on).
    bool confirmed(const std::string& prompt) {
        return command.silent || document.ui().ask(prompt, kConfirmStyle) != Answer::No;
    }

    // Takes the HOSTS file's lock for the rest of the run, so that runs at the same time each work on
    // what the one before saved. False when another still holds it after the wait (said on stderr).
    bool lock(const std::string& hostsPath) {
        const HostsLock::Status status = document.holdLock(hostsPath, [&](const std::string& holder) {
            err << "velmora: waiting for " << holder << ", which is changing " << hostsPath << std::endl;
        });
        if (status != HostsLock::Status::Busy)
            return true;
        document.ui().reportError(hostsPath + " is still being changed by " + document.lock().holder() +
                                  "; it was left as it was.");
        return false;
    }

    // Saves the document to the HOSTS file; in the option form sums up what was done, as the text
    // before and after the HOSTS path, and the backup. Nothing is said when another program changed
    // the file meanwhile (fileChanged): the caller starts again.
    int save(const std::string& hostsPath, const std::string& before, const std::string& after = {}) {
        // Saving a list that lacks lines of the file would drop them from it.
        if (document.hostsReadIncomplete()) {
            document.ui().reportError("The HOSTS file " + hostsPath +
                                      " could not be read to its end, so it was left as it was.");
            return kExitFailed;
        }
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

std::string plural(int32_t count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

int runAdd(Run& run) {
    HostsDocument& document = run.document;
    const std::string& listPath = run.command.argument;
    const PathInfo list = document.files().stat(listPath, true);
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
    document.setSourcePath(listPath);
    const std::string hostsPath = hostsFilePath(document.environment());
    document.setHostsPath(hostsPath);
    if (!run.lock(hostsPath))
        return kExitFailed;
    return run.repeatWhileChanged(hostsPath, [&]() -> int {
        const MergeResult merged = document.merge();
        if (merged.listReadError != 0)
            return kExitFailed;
        return run.save(hostsPath, "Merged " + plural(merged.linesAdded, "new line") + " from " + listPath + " into ");
    });
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
    {RunMode::Add, runAdd},
    {RunMode::RemoveAll, runRemoveAll},
    {RunMode::Remove, runRemove},
};

} // namespace

int runBatchMode(const CommandLine& command, HostsDocument& document, std::ostream& out, std::ostream& err) {
    Run run{command, document, out, err};
    // A script gets a status, not a question: a run that finds HOSTS changed starts again instead.
    document.setAskWhenChanged(false);
    document.setKeepsHistory(false);
    document.setPermissionAdvice(kSudoAdvice);
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
