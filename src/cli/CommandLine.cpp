#include "cli/CommandLine.h"

#include "core/TextUtil.h"

#include <limits>
#include <optional>

namespace velmora {

namespace {

// Trims spaces, then drops one pair of double quotes that encloses the whole rest.
std::string unquote(std::string_view text) {
    std::string_view trimmed = trimSpaces(text);
    if (trimmed.size() >= 2 && trimmed.front() == '"' && trimmed.back() == '"')
        trimmed = trimmed.substr(1, trimmed.size() - 2);
    return std::string(trimmed);
}

bool contains(std::string_view text, std::string_view needle) {
    return ifind(text, needle) != std::string_view::npos;
}

constexpr uint64_t kMaxTimeoutSeconds = uint64_t{7} * 24 * 3600;

CommandLine mistake(std::string text) {
    CommandLine result;
    result.form = CommandForm::Options;
    result.mode = RunMode::Mistake;
    result.mistake = std::move(text);
    return result;
}

// Decimal digits, for a size optionally followed by K, M or G (powers of 1024). False for 0 and for a
// number past 64 bits.
bool parseCount(std::string_view text, bool size, uint64_t& number) {
    int shift = 0;
    if (size && !text.empty()) {
        const char unit = asciiUpper(text.back());
        shift = unit == 'K' ? 10 : unit == 'M' ? 20 : unit == 'G' ? 30 : 0;
        if (shift != 0)
            text.remove_suffix(1);
    }
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    number = 0;
    for (const char c : text) {
        const auto digit = static_cast<uint64_t>(c - '0');
        if (c < '0' || c > '9' || number > (kMax - digit) / 10)
            return false;
        number = number * 10 + digit;
    }
    if (number > (kMax >> shift))
        return false;
    number <<= shift;
    return number > 0;
}

} // namespace

std::string joinArguments(const std::vector<std::string>& arguments) {
    std::string joined;
    for (const std::string& argument : arguments) {
        if (&argument != &arguments.front())
            joined += ' ';
        joined += argument;
    }
    return joined;
}

CommandLine parseClassic(std::string_view commandLine) {
    CommandLine result;
    result.form = CommandForm::Classic;
    for (const ClassicSwitch& candidate : kClassicSwitches) {
        if (!contains(commandLine, candidate.text))
            continue;
        result.mode = candidate.mode;
        if (candidate.mode == RunMode::RemoveAll) {
            result.silent = contains(commandLine, "/s");
            return result;
        }
        std::string rest = eraseAllIgnoringCase(commandLine, candidate.text);
        if (candidate.mode == RunMode::Remove && contains(rest, "/s")) {
            result.silent = true;
            rest = eraseAllIgnoringCase(rest, "/s");
        }
        result.argument = unquote(rest);
        return result;
    }
    result.noLoad = contains(commandLine, "/noload");
    return result;
}

namespace {

// One argument of the options form, with its value when it takes one.
struct OptionArgument {
    const std::vector<std::string>& arguments;
    size_t i = 0;
    std::string_view name;
    std::string value;
    bool inlineValue = false;
    bool optionAsValue = false;

    OptionArgument(const std::vector<std::string>& all, size_t index) : arguments(all), i(index), name(all[index]) {
        if (name.starts_with("--")) {
            if (const size_t equals = name.find('='); equals != std::string_view::npos) {
                value = all[index].substr(equals + 1);
                name = name.substr(0, equals);
                inlineValue = true;
            }
        }
    }

    // The value of an option: after "=", or the next argument unless that looks like an option itself
    // (--add -y is a slip, not a list named -y: ./-y names such a file).
    bool takeValue() {
        if (!inlineValue) {
            if (i + 1 >= arguments.size())
                return false;
            if (arguments[i + 1].starts_with("-") && arguments[i + 1].size() > 1) {
                optionAsValue = true;
                return false;
            }
            value = arguments[++i];
        }
        return !value.empty();
    }

    // The mistake of an option whose value is missing.
    CommandLine needs(const std::string& what) const {
        return mistake("option " + std::string(name) + " needs " + what +
                       (optionAsValue ? ", not the option '" + arguments[i + 1] + "'" : std::string()));
    }

    bool takesValue() const {
        return name == "--add" || name == "--remove" || name == "--allow" || name == "--max-size" ||
               name == "--timeout" || name == "--stall" || name == "--address" || name == "--disable" ||
               name == "--enable";
    }
};

// The options that set how a run reads or downloads; false when the argument is none of them. A
// mistake goes to `stop`.
bool readSetting(OptionArgument& option, CommandLine& result, std::optional<CommandLine>& stop) {
    const std::string_view name = option.name;
    if (name == "--allow") {
        if (!option.takeValue())
            stop = option.needs("a file");
        else
            result.allowFile = option.value;
    } else if (name == "--address") {
        if (!option.takeValue() || (option.value != "0.0.0.0" && option.value != "127.0.0.1"))
            stop = option.needs("the address blocked names go to: 0.0.0.0 or 127.0.0.1");
        else
            result.blockAddress = option.value;
    } else if (name == "--max-size" || name == "--timeout" || name == "--stall") {
        const bool size = name == "--max-size";
        uint64_t number = 0;
        if (!option.takeValue() || !parseCount(option.value, size, number) || (!size && number > kMaxTimeoutSeconds))
            stop = option.needs(size ? "a size in bytes (a K, M or G after it multiplies)" : "a number of seconds");
        else if (size)
            result.limits.maxBytes = number;
        else
            (name == "--timeout" ? result.limits.timeoutSeconds : result.limits.stallSeconds) =
                static_cast<int>(number);
    } else if (name == "--dry-run" || name == "--diff") {
        result.dryRun = true;
        if (name == "--diff")
            result.diff = true;
    } else if (name == "-y" || name == "--yes") {
        result.silent = true;
    } else if (name == "--noload") {
        result.noLoad = true;
    } else {
        return false;
    }
    return true;
}

// The options that choose what a run does; false when the argument is none of them. A mistake goes to
// `stop`; each mode counts in `modes`.
bool readMode(OptionArgument& option, CommandLine& result, int& modes, std::optional<CommandLine>& stop) {
    const std::string_view name = option.name;
    const std::vector<std::string>& arguments = option.arguments;
    size_t& i = option.i;
    if (name == "--update") {
        // Either NAME SOURCE or nothing: every block that notes its source.
        if (i + 1 < arguments.size() && !arguments[i + 1].starts_with("-")) {
            if (arguments[i + 1].empty() || i + 2 >= arguments.size() || arguments[i + 2].empty() ||
                arguments[i + 2].starts_with("-")) {
                stop = mistake("option --update takes a block NAME and a SOURCE (a list file or web address), "
                               "or neither");
                return true;
            }
            result.argument = arguments[++i];
            result.source = arguments[++i];
        }
        result.mode = RunMode::Update;
    } else if (name == "--blocks" || name == "--restore") {
        result.mode = name == "--blocks" ? RunMode::Blocks : RunMode::Restore;
    } else if (name == "--add" || name == "--remove") {
        const bool add = name == "--add";
        if (!option.takeValue()) {
            stop = option.needs(add ? "a list file" : "a block name");
            return true;
        }
        result.mode = add ? RunMode::Add : RunMode::Remove;
        result.argument = option.value;
    } else if (name == "--disable" || name == "--enable") {
        if (!option.takeValue()) {
            stop = option.needs("a block name");
            return true;
        }
        result.mode = name == "--disable" ? RunMode::Disable : RunMode::Enable;
        result.argument = option.value;
    } else if (name == "--removeall") {
        result.mode = RunMode::RemoveAll;
    } else {
        return false;
    }
    ++modes;
    return true;
}

// The options that go only with some modes, once every option is read.
CommandLine checkedCombination(CommandLine result) {
    if (result.dryRun && result.mode != RunMode::Add && result.mode != RunMode::Update &&
        result.mode != RunMode::Remove && result.mode != RunMode::RemoveAll && result.mode != RunMode::Disable &&
        result.mode != RunMode::Enable)
        return mistake("--dry-run and --diff go with --add, --update, --remove, --removeall, --disable or --enable");
    if (!result.blockAddress.empty() && result.mode != RunMode::Add && result.mode != RunMode::Update)
        return mistake("--address goes with --add or --update");
    return result;
}

} // namespace

CommandLine parseOptions(const std::vector<std::string>& arguments) {
    CommandLine result;
    result.form = CommandForm::Options;
    int modes = 0;
    for (size_t i = 0; i < arguments.size(); ++i) {
        OptionArgument option(arguments, i);
        if (option.name == "--help" || option.name == "-h" || option.name == "--version") {
            result.mode = option.name == "--version" ? RunMode::Version : RunMode::Help;
            return result;
        }
        if (option.inlineValue && !option.takesValue())
            return mistake("option " + std::string(option.name) + " takes no value");
        std::optional<CommandLine> stop;
        if (!readSetting(option, result, stop) && !readMode(option, result, modes, stop)) {
            const std::string& argument = arguments[i];
            return mistake((argument.starts_with("-") ? "unknown option '" : "unexpected argument '") + argument + "'");
        }
        if (stop)
            return *stop;
        i = option.i;
        if (modes > 1)
            return mistake("give only one of --add, --update, --remove, --removeall, --disable, --enable, --blocks "
                           "and --restore");
    }
    return checkedCombination(std::move(result));
}

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    if (!arguments.empty() && (arguments.front().starts_with("--") || arguments.front() == "-y"))
        return parseOptions(arguments);
    return parseClassic(joinArguments(arguments));
}

namespace {

// How to call it, and what every mode keeps to.
std::string usageSynopsis(bool windows) {
    std::string text = R"(Usage: velmora [--noload]
       velmora --add LIST [--allow FILE] [--address ADDRESS] [--dry-run [--diff]]
       velmora --update [NAME LIST] [--allow FILE] [--address ADDRESS] [--dry-run [--diff]]
       velmora --remove NAME [--yes] [--dry-run [--diff]]
       velmora --removeall [--yes] [--dry-run [--diff]]
       velmora --disable NAME | --enable NAME [--dry-run [--diff]]
       velmora --blocks | --restore [--yes]
       velmora /add LIST | /remove NAME [/s] | /removeall [/s] | /noload

)";
    text += windows ? "Maintains the HOSTS file. Without a mode it opens the window.\n"
                    : "Maintains the HOSTS file. Without a mode it opens the window (a display is needed).\n";
    text += R"(The modes change the HOSTS file and save it, after copying its previous contents to the
same path followed by ".bak")";
    text += windows ? "." : "; they need no display.";
    text += R"( A run that would write the bytes the file already
holds writes nothing and keeps the backup. A LIST is a file (gzip too), a file://
address, or an http:// or https:// address.

A list line whose first field is an IPv4 or IPv6 address is kept as written; any other line
not beginning with "#" or ";" is a bare name and gets "127.0.0.1 " (also 1drv.example).
CR LF, a lone CR and a lone LF each end a line. The HOSTS file's own lines are never
changed; a list line it already holds is not added again.

)";
    return text;
}

std::string usageOptions(bool windows) {
    std::string text = R"(Options (used when the first argument begins with "--"; arguments are taken as given; an
option's value that begins with "-" is a mistake unless given after "="):
  --add LIST       merge the list into the HOSTS file and save; a web address is kept as
                   the block named by the address, as --update keeps it
  --update NAME LIST
                   keep the block NAME from the list, noting LIST in a "# source:" line
                   after its start marker (at the end when there is no such block) and save:
                   one "ADDRESS name" line per name, each name once across such blocks;
                   only blocking addresses (0.0.0.0, 127.x, ::, ::1), bare names and
                   ||name^ rules are taken, localhost and this machine's name never; an
                   answer that is no list (a web page, binary) is refused
  --update         the same for every block that has a "# source:" line
  --address ADDRESS
                   with --add or --update: the block's names go to 0.0.0.0 or
                   127.0.0.1 (the default), remembered for later updates
  --remove NAME    remove every block marked "#BEGIN of NAME" ... "#END of NAME" (as --blocks
                   lists them; also those whose name begins with NAME) and save;
                   a NAME beginning with "#" removes the sections headed by that comment;
                   the other blocks kept from lists are completed from their lists
  --removeall      reset the HOSTS file to the single line "127.0.0.1 localhost"
  --disable NAME   switch every block NAME off and save: its markers, notes and lines stay,
                   each line made a comment ("#off " before it) under a "# state: off" note,
                   so that it blocks nothing; --update keeps it off while updating it
  --enable NAME    switch it on again: exactly the lines it had before --disable
  --blocks         list the blocks: name, lines, source, state (on or off) and when an
                   update last changed it, tab-separated
  --restore        swap the HOSTS file and its backup
  --dry-run        print the lines that would be added (+) and removed (-); save nothing
  --diff           the same as a unified diff
)";
    text += windows ? "  --allow FILE     names never to add: name, *.name (the names under it), ||name^ (it and\n"
                      "                   those under it) (default: VELMORA_ALLOW, else\n"
                      "                   %ProgramData%\\velmora\\allow.txt)\n"
                    : "  --allow FILE     names never to add: name, *.name (the names under it), ||name^ (it and\n"
                      "                   those under it) (default: VELMORA_ALLOW, else /etc/velmora/allow.txt)\n";
    text += R"(  --max-size SIZE  refuse a download larger than SIZE bytes (K, M, G: 1024s; default 512M)
  --timeout SECS   give up a download after SECS seconds (default 900)
  --stall SECS     give up a download when nothing comes for SECS seconds (default 60)
  -y, --yes        answer the confirmation question with Yes
  --noload         open the window without loading the HOSTS file
  -h, --help       show this text
  --version        show the version

)";
    return text;
}

constexpr std::string_view kClassicUsage =
    R"(Classic switches (found anywhere, in any letter case; the rest of the line is the argument,
optionally in double quotes):
  /add FILE        as --add; a "/s" here stays part of FILE
  /remove NAME     as --remove; "/s" anywhere answers the question with Yes
  /removeall       as --removeall; "/s" answers the question with Yes
  /noload          as --noload
The classic form prints nothing except when saving fails.

)";

// Where the question is asked, the environment and the exit statuses, which differ by system.
std::string_view usageSystemNotes(bool windows) {
    return windows ? R"(In a console the question is asked there; when standard input is not a console it is
answered No, so scripts pass --yes or /s. A HOSTS file that only an administrator may change
is changed from a command prompt opened with "Run as administrator".

Environment:
  VELMORA_HOSTS    the HOSTS file to work on, when set and not empty (default: the system
                   folder followed by drivers\etc\hosts, as in C:\Windows\System32\drivers\etc\hosts)
  VELMORA_ALLOW    the allowlist, when --allow is not given
  LOCALAPPDATA     downloads and their ETag and Last-Modified are kept in its velmora folder

Exit status: 0 done, nothing to do, or declined at the question; 1 the save failed, a
download or list failed or was no list, or --remove found no such block; 2 a mistake in
the options.
)"
                   : R"(Without a display the question is asked on the terminal; when standard input is not a
terminal it is answered No, so scripts pass --yes or /s.

Environment:
  VELMORA_HOSTS    the HOSTS file to work on, when set and not empty (default /etc/hosts)
  VELMORA_ALLOW    the allowlist, when --allow is not given
  XDG_CACHE_HOME   downloads and their ETag and Last-Modified are kept in its velmora folder

Exit status: 0 done, nothing to do, or declined at the question; 1 the save failed, a
download or list failed or was no list, --remove found no such block, or the window was
asked for without a display; 2 a mistake in the options.
)";
}

} // namespace

std::string usageTextFor(HelpSystem system) {
    const bool windows = system == HelpSystem::Windows;
    return usageSynopsis(windows) + usageOptions(windows) + std::string(kClassicUsage) +
           std::string(usageSystemNotes(windows));
}

std::string_view usageText() {
#ifdef _WIN32
    static const std::string text = usageTextFor(HelpSystem::Windows);
#else
    static const std::string text = usageTextFor(HelpSystem::Posix);
#endif
    return text;
}

} // namespace velmora
