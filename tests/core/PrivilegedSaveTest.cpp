// What a save as administrator tells, on either system: what each way a run of the helper can end
// means for the user, and which file it is offered for.
#include "core/PrivilegedSave.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace velmora {
namespace {

const std::string kTarget = "C:\\Windows\\System32\\drivers\\etc\\hosts";
const std::string kUnsaved = "The HOSTS list was not saved to " + kTarget + "; it is still unsaved. ";

ProcessResult ended(int status, std::string errors = {}, int startError = 0, bool declined = false) {
    ProcessResult run;
    run.exitStatus = status;
    run.errors = std::move(errors);
    run.startError = startError;
    run.declined = declined;
    return run;
}

// Each way the run can end, as the user hears of it on each system: pkexec's 126 and 127 are its own,
// while on Windows they are a helper's status like any other; a prompt said no to is a cancellation.
TEST(PrivilegedSave, Report) {
    const struct {
        const char* name;
        Elevation elevation;
        ProcessResult run;
        PrivilegedOutcome outcome;
        std::string message;
    } cases[] = {
        {"saved", Elevation::WindowsPrompt, ended(kHelperSaved), PrivilegedOutcome::Saved, ""},
        {"prompt declined", Elevation::WindowsPrompt, ended(-1, "", 0, true), PrivilegedOutcome::Cancelled,
         kUnsaved + "The administrator's permission was not given."},
        {"not started", Elevation::WindowsPrompt, ended(-1, "", 2), PrivilegedOutcome::Failed,
         kUnsaved + "Velmora could not be started as administrator (why)."},
        {"changed", Elevation::WindowsPrompt, ended(kHelperChanged, kTarget + ": another program changed it.\r\n"),
         PrivilegedOutcome::Changed, kUnsaved + kTarget + ": another program changed it."},
        {"126 on Windows", Elevation::WindowsPrompt, ended(126), PrivilegedOutcome::Failed,
         kUnsaved + "The helper ended with status 126."},
        {"127 on Windows", Elevation::WindowsPrompt, ended(127), PrivilegedOutcome::Failed,
         kUnsaved + "The helper ended with status 127."},
        {"crashed on Windows", Elevation::WindowsPrompt, ended(-1073741819), PrivilegedOutcome::Failed,
         kUnsaved + "The helper ended with status -1073741819."},
        {"password not given", Elevation::Pkexec, ended(kPkexecDismissed), PrivilegedOutcome::Cancelled,
         kUnsaved + "The administrator's password was not given."},
        // 127 is "not given" from an agent that answers Cancel so, and from a wrong password; pkexec's own
        // words tell the causes the user has to fix.
        {"127 silent", Elevation::Pkexec, ended(kPkexecRefused), PrivilegedOutcome::Cancelled,
         kUnsaved + "The administrator's password was not given."},
        {"127 not authorized", Elevation::Pkexec,
         ended(kPkexecRefused, "Error executing command as another user: Not authorized\n\nThis incident has been "
                               "reported.\n"),
         PrivilegedOutcome::Cancelled, kUnsaved + "The administrator's password was not given."},
        {"127 no agent", Elevation::Pkexec,
         ended(kPkexecRefused, "Error executing command as another user: No authentication agent found.\n"),
         PrivilegedOutcome::Failed,
         kUnsaved + "No polkit authentication agent is running to ask for the administrator's password: start one "
                    "(your desktop's), or save the list elsewhere."},
        {"127 cannot run", Elevation::Pkexec,
         ended(kPkexecRefused, "Cannot run program /usr/lib/velmora/x: No such file or directory\n"),
         PrivilegedOutcome::Failed,
         kUnsaved + "pkexec could not run the helper: Cannot run program /usr/lib/velmora/x: No such file or "
                    "directory."},
        {"no pkexec", Elevation::Pkexec, ended(-1, "", 2), PrivilegedOutcome::Failed,
         kUnsaved + "pkexec could not be started (why): saving as administrator needs pkexec and a polkit "
                    "authentication agent."},
        {"signal", Elevation::Pkexec, ended(-1), PrivilegedOutcome::Failed,
         kUnsaved + "The helper was stopped by a signal."},
        // The helper's reason is a sentence of its own after the full stop.
        {"helper failed", Elevation::Pkexec, ended(kHelperSaveFailed, "\n disk full \n"), PrivilegedOutcome::Failed,
         kUnsaved + "Disk full"},
    };
    for (const auto& c : cases) {
        const PrivilegedReport report = privilegedReport(c.run, kTarget, "why", c.elevation);
        EXPECT_EQ(report.outcome, c.outcome) << c.name;
        EXPECT_EQ(report.message, c.message) << c.name;
    }
}

// Windows names one file in any letter case: the system HOSTS file written so is the helper's.
TEST(PrivilegedSave, OfferedForTheHelpersFileInItsSystemsLetterCase) {
    SaveResult denied;
    denied.status = SaveStatus::BackupFailed;
    denied.error = EACCES;
    std::string otherCase = kTarget;
    otherCase[otherCase.size() - 5] = 'H';
#ifdef _WIN32
    EXPECT_TRUE(offersPrivilegedSave(denied, 1, otherCase, kTarget, true));
#else
    EXPECT_FALSE(offersPrivilegedSave(denied, 1, otherCase, kTarget, true));
#endif
}

} // namespace
} // namespace velmora
