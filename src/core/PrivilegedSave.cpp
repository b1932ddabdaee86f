#include "core/PrivilegedSave.h"

#include "core/Sha256.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace velmora {

std::vector<std::string> privilegedSaveArguments(const std::string& helper, std::string_view bytes,
                                                 std::optional<std::string_view> current) {
    std::vector<std::string> arguments{helper, "--length", std::to_string(bytes.size()), "--sha256", sha256Hex(bytes)};
    if (current) {
        arguments.emplace_back("--replaces");
        arguments.push_back(sha256Hex(*current));
    }
    return arguments;
}

std::string installedHelperPath(const std::string& programFolder, const std::string& fromProgram) {
    if (programFolder.empty() || fromProgram.empty())
        return {};
    return (std::filesystem::path(programFolder) / fromProgram).lexically_normal().string();
}

bool failedForPermission(const SaveResult& result) {
    return (result.status == SaveStatus::BackupFailed || result.status == SaveStatus::WriteFailed) &&
           (result.error == EACCES || result.error == EPERM);
}

bool offersPrivilegedSave(const SaveResult& result, uint32_t userId, const std::string& target,
                          const std::string& helperTarget, bool helperInstalled) {
    return failedForPermission(result) && userId != 0 && !helperTarget.empty() && target == helperTarget &&
           helperInstalled;
}

PrivilegedReport privilegedReport(const ProcessResult& run, const std::string& target,
                                  const std::string& startErrorText) {
    const std::string unsaved = "The HOSTS list was not saved to " + target + "; it is still unsaved. ";
    PrivilegedReport report;
    if (run.startError != 0) {
        report.message = unsaved + "pkexec could not be started (" + startErrorText +
                         "): saving as administrator needs pkexec and a polkit authentication agent.";
        return report;
    }
    switch (run.exitStatus) {
    case kHelperSaved:
        report.outcome = PrivilegedOutcome::Saved;
        return report;
    case kPkexecDismissed:
        report.outcome = PrivilegedOutcome::Cancelled;
        report.message = unsaved + "The administrator's password was not given.";
        return report;
    case kPkexecRefused:
        report.message = unsaved + "pkexec did not get the administrator's permission: it was refused, or no "
                                   "polkit authentication agent is running to ask for the password.";
        return report;
    case kHelperChanged:
        report.outcome = PrivilegedOutcome::Changed;
        break;
    default:
        break;
    }
    // The helper's own lines, without the blank space around them.
    std::string reason = run.errors;
    reason.erase(0, std::min(reason.size(), reason.find_first_not_of(" \n")));
    reason.erase(reason.find_last_not_of(" \n") + 1);
    if (reason.empty())
        reason = run.exitStatus < 0 ? "The helper was stopped by a signal."
                                    : "The helper ended with status " + std::to_string(run.exitStatus) + ".";
    report.message = unsaved + reason;
    return report;
}

} // namespace velmora
