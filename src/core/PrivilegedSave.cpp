#include "core/PrivilegedSave.h"

#include "core/Sha256.h"
#include "core/TextUtil.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace velmora {

std::vector<std::string> privilegedSaveArguments(const std::string& helper, std::string_view bytes,
                                                 std::optional<std::string_view> current, Elevation elevation) {
    std::vector<std::string> arguments{helper};
    if (elevation == Elevation::WindowsPrompt)
        arguments.emplace_back(kElevatedSaveSwitch);
    arguments.insert(arguments.end(), {"--length", std::to_string(bytes.size()), "--sha256", sha256Hex(bytes)});
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

std::string administratorPromptText(Elevation elevation) {
    return elevation == Elevation::WindowsPrompt ? "Windows will ask for an administrator's permission."
                                                 : "You will be asked for an administrator's password.";
}

bool offersPrivilegedSave(const SaveResult& result, uint32_t userId, const std::string& target,
                          const std::string& helperTarget, bool helperInstalled) {
#ifdef _WIN32
    // Windows names one file in any letter case.
    const bool sameFile = asciiLowered(target) == asciiLowered(helperTarget);
#else
    const bool sameFile = target == helperTarget;
#endif
    return failedForPermission(result) && userId != 0 && !helperTarget.empty() && sameFile && helperInstalled;
}

PrivilegedReport privilegedReport(const ProcessResult& run, const std::string& target,
                                  const std::string& startErrorText, Elevation elevation) {
    const std::string unsaved = "The HOSTS list was not saved to " + target + "; it is still unsaved. ";
    const bool pkexec = elevation == Elevation::Pkexec;
    PrivilegedReport report;
    if (run.declined || (pkexec && run.startError == 0 && run.exitStatus == kPkexecDismissed)) {
        report.outcome = PrivilegedOutcome::Cancelled;
        report.message = unsaved + (pkexec ? "The administrator's password was not given."
                                           : "The administrator's permission was not given.");
        return report;
    }
    if (run.startError != 0) {
        report.message = unsaved + (pkexec ? "pkexec could not be started (" + startErrorText +
                                                 "): saving as administrator needs pkexec and a polkit "
                                                 "authentication agent."
                                           : "Velmora could not be started as administrator (" + startErrorText + ").");
        return report;
    }
    if (pkexec && run.exitStatus == kPkexecRefused) {
        report.message = unsaved + "pkexec did not get the administrator's permission: it was refused, or no "
                                   "polkit authentication agent is running to ask for the password.";
        return report;
    }
    if (run.exitStatus == kHelperSaved) {
        report.outcome = PrivilegedOutcome::Saved;
        return report;
    }
    if (run.exitStatus == kHelperChanged)
        report.outcome = PrivilegedOutcome::Changed;
    // The helper's own lines, without the blank space around them.
    std::string reason = run.errors;
    reason.erase(0, std::min(reason.size(), reason.find_first_not_of(" \r\n")));
    reason.erase(reason.find_last_not_of(" \r\n") + 1);
    if (reason.empty())
        reason = pkexec && run.exitStatus < 0 ? "The helper was stopped by a signal."
                                              : "The helper ended with status " + std::to_string(run.exitStatus) + ".";
    report.message = unsaved + asSentence(reason);
    return report;
}

} // namespace velmora
