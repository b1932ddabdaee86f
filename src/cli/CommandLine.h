#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// What a run of Velmora was asked to do.
enum class RunMode {
    Window,    // start the window (noLoad tells whether to load the HOSTS file)
    Add,       // merge the list file `argument` into the HOSTS file and save
    RemoveAll, // reset the HOSTS file to "127.0.0.1 localhost"
    Remove,    // remove every block named `argument` and save
    Update,    // replace block `argument` with the list at `source`; without them every block with a source
    Blocks,    // list the blocks of the HOSTS file
    Disable,   // switch every block named `argument` off and save
    Enable,    // switch every block named `argument` on and save
    Restore,   // swap the HOSTS file and its backup
    Help,      // print the usage text
    Version,   // print the version
    Mistake,   // a usage mistake in the option form: `mistake` says which
};

// Which of the two command-line forms the arguments were written in.
enum class CommandForm {
    Classic, // switches found anywhere in the joined text: /add, /removeall, /remove, /s, /noload
    Options, // conventional options: --add FILE, --remove NAME, --removeall, -y, --noload, ...
};

// 0 in a size or a time: the default.
struct DownloadLimits {
    uint64_t maxBytes = 0;
    int timeoutSeconds = 0;
    int stallSeconds = 0; // nothing coming for this long gives a download up
};

struct CommandLine {
    CommandForm form = CommandForm::Classic;
    RunMode mode = RunMode::Window;
    std::string argument; // the list file's path (or web address) or the block name
    std::string source;   // Update: where the block's list comes from
    bool silent = false;  // answer the confirmation question with Yes without asking
    bool noLoad = false;
    bool dryRun = false;      // say what would change, save nothing
    bool diff = false;        // and say it as a unified diff
    std::string allowFile;    // the allowlist named on the command line
    std::string blockAddress; // --address: where a block's names go (empty: as the block has it, else 127.0.0.1)
    DownloadLimits limits;
    std::string mistake; // one line, without the program's name
};

// The classic switches, in the order they are tested: the first one contained in the command line
// (letter case ignored) decides the mode.
struct ClassicSwitch {
    std::string_view text;
    RunMode mode;
};
inline constexpr ClassicSwitch kClassicSwitches[] = {
    {"/add", RunMode::Add},
    {"/removeall", RunMode::RemoveAll},
    {"/remove", RunMode::Remove},
};

// The arguments after the program's name joined with single spaces: the classic command line.
std::string joinArguments(const std::vector<std::string>& arguments);

// Reads the classic command line. There is no tokenising: the mode's switch is deleted wherever it
// occurs in any letter case, and what is left, trimmed of spaces and of one pair of enclosing
// double quotes, is the argument. In remove mode a "/s" anywhere makes the run silent and is deleted
// the same way; in add mode it stays part of the path. "/removeall" is silent when "/s" occurs.
CommandLine parseClassic(std::string_view commandLine);

// Reads the option form; arguments are taken as given. Never fails: a mistake gives RunMode::Mistake
// with its description. --help and --version end the reading where they stand.
CommandLine parseOptions(const std::vector<std::string>& arguments);

// The option form when the first argument begins with "--" (or is -y), the classic form otherwise.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The text that --help prints on the system it was built for; each system's own paths, folders and
// ways of being asked.
enum class HelpSystem { Posix, Windows };
std::string usageTextFor(HelpSystem system);
std::string_view usageText();

} // namespace velmora
