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

namespace {

// pkexec's own line, without "Error executing command as another user: " and the blank space around.
std::string pkexecLine(const std::string& errors) {
    std::string line = errors.substr(0, errors.find('\n'));
    const std::string_view prefix = "Error executing command as another user: ";
    if (line.starts_with(prefix))
        line.erase(0, prefix.size());
    line.erase(0, std::min(line.size(), line.find_first_not_of(" \r")));
    line.erase(line.find_last_not_of(" \r") + 1);
    return line;
}

// How pkexec's 127 reads. Agents differ in what a dismissed dialog returns: 126 for most, but some
// answer Cancel with "not authorized", 127, the same as a wrong password given too often. Either way the
// password was not given. Only when pkexec names another cause (no agent to ask, a program it cannot
// run) is it something the user has to fix.
enum class Pkexec127 { NotGiven, NoAgent, Failed };

Pkexec127 readPkexec127(const std::string& errors) {
    if (errors.find("No authentication agent") != std::string::npos)
        return Pkexec127::NoAgent;
    const std::string line = pkexecLine(errors);
    if (line.empty() || line.find("Not authorized") != std::string::npos || line.find("dismissed") != std::string::npos)
        return Pkexec127::NotGiven;
    return Pkexec127::Failed;
}

} // namespace

PrivilegedReport privilegedReport(const ProcessResult& run, const std::string& target,
                                  const std::string& startErrorText, Elevation elevation) {
    const std::string unsaved = "The HOSTS list was not saved to " + target + "; it is still unsaved. ";
    const bool pkexec = elevation == Elevation::Pkexec;
    const bool ran = run.startError == 0;
    const Pkexec127 refused =
        pkexec && ran && run.exitStatus == kPkexecRefused ? readPkexec127(run.errors) : Pkexec127::Failed;
    PrivilegedReport report;
    if (run.declined || (pkexec && ran && run.exitStatus == kPkexecDismissed) ||
        (pkexec && ran && run.exitStatus == kPkexecRefused && refused == Pkexec127::NotGiven)) {
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
        report.message = unsaved + (refused == Pkexec127::NoAgent
                                        ? "No polkit authentication agent is running to ask for the administrator's "
                                          "password: start one (your desktop's), or save the list elsewhere."
                                        : "pkexec could not run the helper: " + pkexecLine(run.errors) + ".");
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
