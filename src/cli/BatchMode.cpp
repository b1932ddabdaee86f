#include "cli/BatchMode.h"

#include "core/HostsFile.h"
#include "core/HostsPath.h"

#include <ostream>

namespace velmora {

namespace {

// The confirmation questions: Yes or No, No taking Enter.
constexpr int32_t kConfirmStyle = MessageStyle::YesNo | MessageStyle::Question | MessageStyle::DefaultButton2;

struct Run {
    const CommandLine& command;
    HostsDocument& document;
    std::ostream& out;
    std::ostream& err;

    bool optionForm() const { return command.form == CommandForm::Options; }

    // Asks unless the run is silent; false when the answer was No (any other answer goes on).
    bool confirmed(const std::string& prompt) {
        return command.silent || document.ui().ask(prompt, kConfirmStyle) != Answer::No;
    }

    // Saves the document to the HOSTS file; in the option form sums up what was done, as the text
    // before and after the HOSTS path, and the backup.
    int save(const std::string& hostsPath, const std::string& before, const std::string& after = {}) {
        // Saving a list that lacks lines of the file would drop them from it.
        if (document.hostsReadIncomplete()) {
            document.ui().reportError("The HOSTS file " + hostsPath +
                                      " could not be read to its end, so it was left as it was.");
            return kExitFailed;
        }
        if (!document.save(hostsPath))
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
};

std::string plural(int32_t count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

int runAdd(Run& run) {
    HostsDocument& document = run.document;
    const std::string& listPath = run.command.argument;
    if (!fileHasData(document.files(), listPath)) {
        if (!run.optionForm())
            return kExitDone;
        run.err << "velmora: " << listPath << ": no list to merge (missing, empty or not a file)" << std::endl;
        return kExitUsage;
    }
    document.setSourcePath(listPath);
    document.setHostsPath(hostsFilePath(document.environment()));
    const MergeResult merged = document.merge();
    return run.save(document.hostsPath(),
                    "Merged " + plural(merged.linesAdded, "new line") + " from " + listPath + " into ");
}

int runRemoveAll(Run& run) {
    HostsDocument& document = run.document;
    if (!run.confirmed("Do you want to clear the HOSTS file?"))
        return kExitDone;
    document.resetToLocalhost();
    return run.save(hostsFilePath(document.environment()), "Reset ", " to 127.0.0.1 localhost");
}

int runRemove(Run& run) {
    HostsDocument& document = run.document;
    const std::string& name = run.command.argument;
    if (!run.confirmed("Do you want to clear the block(s) '" + name + "' from HOSTS file?"))
        return kExitDone;
    if (name.empty())
        return kExitDone;
    const std::string hostsPath = hostsFilePath(document.environment());
    document.ui().progress().setTitle("Loading HOSTS...");
    document.load(hostsPath);
    document.ui().progress().setTitle("Removing " + name + "...");
    const int32_t removed = document.removeBlock(name);
    return run.save(hostsPath, "Removed " + plural(removed, "line") + " in blocks named " + name + " from ");
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
    for (const Handler& handler : kHandlers) {
        if (handler.mode == command.mode)
            return handler.run(run);
    }
    return kExitUsage;
}

} // namespace velmora
