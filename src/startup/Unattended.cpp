#include "startup/Unattended.h"

#include "core/HostsFile.h"
#include "core/HostsPath.h"

#include <ostream>

namespace velmora {

namespace {

// The message box's Buttons for the confirmation questions: Yes and No, the question icon, No as
// the default button.
constexpr int32_t kQuestionButtons = 292;
constexpr int32_t kAnswerNo = 7;

struct Run {
    const CommandLine& command;
    HostsSession& session;
    std::ostream& out;
    std::ostream& err;

    bool optionForm() const { return command.form == CommandForm::Options; }

    // Asks unless the run is silent; false when the answer was No (any other answer goes on).
    bool confirmed(const std::string& prompt) {
        return command.silent || session.ui().ShowMsgBox(prompt, kQuestionButtons) != kAnswerNo;
    }

    // Saves the document to the HOSTS file; in the option form sums up what was done, as the text
    // before and after the HOSTS path, and the backup.
    int save(const std::string& hostsPath, const std::string& before, const std::string& after = {}) {
        // Saving a list that lacks lines of the file would drop them from it.
        if (session.hostsReadIncomplete()) {
            session.ui().reportError("The HOSTS file " + hostsPath +
                                     " could not be read to its end, so it was left as it was.");
            return kExitFailed;
        }
        if (!session.SaveHOSTS(hostsPath))
            return kExitFailed;
        if (optionForm()) {
            const SaveResult& saved = session.lastSave();
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
    HostsSession& session = run.session;
    const std::string& listPath = run.command.argument;
    if (!FileHasData(session.platform(), listPath)) {
        if (!run.optionForm())
            return kExitDone;
        run.err << "velmora: " << listPath << ": no list to merge (missing, empty or not a file)" << std::endl;
        return kExitUsage;
    }
    session.setTxtHOSTS(0, listPath);
    session.setTxtHOSTS(1, GetHOSTSPath(session.platform()));
    session.btnMerge_Click();
    return run.save(session.txtHOSTS(1),
                    "Merged " + plural(session.lstNew.count(), "new line") + " from " + listPath + " into ");
}

int runRemoveAll(Run& run) {
    HostsSession& session = run.session;
    if (!run.confirmed("Do you want to clear the HOSTS file?"))
        return kExitDone;
    session.lstHOSTS.addItemText("127.0.0.1 localhost");
    return run.save(GetHOSTSPath(session.platform()), "Reset ", " to 127.0.0.1 localhost");
}

int runRemove(Run& run) {
    HostsSession& session = run.session;
    const std::string& name = run.command.argument;
    if (!run.confirmed("Do you want to clear the block(s) '" + name + "' from HOSTS file?"))
        return kExitDone;
    if (name.empty())
        return kExitDone;
    const std::string hostsPath = GetHOSTSPath(session.platform());
    session.ui().setProgressTitle("Loading HOSTS...");
    session.LoadHOSTS(hostsPath);
    session.ui().setProgressTitle("Removing " + name + "...");
    const int32_t removed = session.RemoveBlock(name);
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

int runUnattended(const CommandLine& command, HostsSession& session, std::ostream& out, std::ostream& err) {
    Run run{command, session, out, err};
    for (const Handler& handler : kHandlers) {
        if (handler.mode == command.mode)
            return handler.run(run);
    }
    return kExitUsage;
}

} // namespace velmora
