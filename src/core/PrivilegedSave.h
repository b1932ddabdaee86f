#pragma once

#include "core/HostsFile.h"
#include "platform/ProcessRunner.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// Saving the system HOSTS file as administrator: the window runs the small helper program with an
// administrator's rights (ProcessRunner::runAsAdministrator) and gives it the new bytes:
//   pkexec HELPER --length N --sha256 HEX --replaces HEX
// On POSIX systems pkexec asks the desktop's polkit agent for an administrator's password. On Windows
// the helper is a copy of Velmora itself, started elevated through the UAC prompt:
//   velmora.exe --save-hosts --length N --sha256 HEX --replaces HEX --pipe NAME
// The helper writes only the system HOSTS file, and only these bytes, and only over the file the
// document last saw (the hash after --replaces); see helper/SaveHelper.h.

// How this system gives a program an administrator's rights, for the texts and arguments that differ.
enum class Elevation {
    Pkexec,        // POSIX: pkexec and a polkit agent asking for a password
    WindowsPrompt, // Windows: ShellExecuteExW "runas" and the UAC prompt
};
#ifdef _WIN32
inline constexpr Elevation kSystemElevation = Elevation::WindowsPrompt;
#else
inline constexpr Elevation kSystemElevation = Elevation::Pkexec;
#endif

// The first argument of Velmora's elevated copy on Windows, which then saves as the helper does.
inline constexpr char kElevatedSaveSwitch[] = "--save-hosts";

// The helper's exit statuses. pkexec adds its own: 126 and 127.
enum HelperExit : int {
    kHelperSaved = 0,
    kHelperSaveFailed = 1, // the save failed; the reason is on standard error
    kHelperRefused = 2,    // arguments refused: unknown, malformed, or a path while started by pkexec
    kHelperMismatch = 3,   // standard input did not hold the bytes the length and the hash announced
    kHelperBusy = 4,       // another writer still held the HOSTS file's lock after the wait
    kHelperChanged = 5,    // the file was not the one that --replaces names: another program changed it
};

inline constexpr int kPkexecDismissed = 126; // the user cancelled the password prompt
// Not authorized (a wrong password, and with some agents a cancelled prompt too), no agent to ask, or
// pkexec failed: its standard error tells which (see privilegedReport).
inline constexpr int kPkexecRefused = 127;

// Where the helper of a program in programFolder is installed: fromProgram is the step from the
// program's folder to the helper (relative, as the build computed it between the install folders, so
// that a tree installed under any prefix runs its own helper; absolute, it is taken as it is). Empty
// when the program's folder is not known, so that saving as administrator is not offered.
std::string installedHelperPath(const std::string& programFolder, const std::string& fromProgram);

// The helper's command that saves bytes over a file whose bytes are now `current` (without it, over
// whatever the file holds then): the helper's path first; on Windows the elevated-save switch next.
std::vector<std::string> privilegedSaveArguments(const std::string& helper, std::string_view bytes,
                                                 std::optional<std::string_view> current,
                                                 Elevation elevation = kSystemElevation);

// What the user will be asked for, said after the question whether to save as administrator.
std::string administratorPromptText(Elevation elevation = kSystemElevation);

// True when a save failed because this user may not write there (EACCES or EPERM on the backup, a
// temporary file or the file itself): an administrator could do it.
bool failedForPermission(const SaveResult& result);

// True when the user should be offered to save target as administrator after this failed save: it
// failed for permission, the user is not root (on Windows: not elevated) already, target is the file
// the helper writes (on Windows in any letter case) and the helper is installed.
bool offersPrivilegedSave(const SaveResult& result, uint32_t userId, const std::string& target,
                          const std::string& helperTarget, bool helperInstalled);

enum class PrivilegedOutcome {
    Saved,
    Cancelled, // the password prompt or the UAC prompt was cancelled: nothing happened
    Changed,   // another program changed the file meanwhile: nothing written
    Failed,    // no permission, no pkexec, or the helper failed: nothing written
};

struct PrivilegedReport {
    PrivilegedOutcome outcome = PrivilegedOutcome::Failed;
    std::string message; // for the user; empty when saved
};

// What a run of the helper as administrator means for saving target. startErrorText describes the
// errno of a pkexec (or an elevated copy) that could not be started.
PrivilegedReport privilegedReport(const ProcessResult& run, const std::string& target,
                                  const std::string& startErrorText, Elevation elevation = kSystemElevation);

} // namespace velmora
