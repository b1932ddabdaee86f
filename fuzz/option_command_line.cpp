// The option form of the command line, on argument lists cut from the input at NUL bytes.
// - The parse ends and never throws; a mistake carries its description and nothing else.
// - The list file or block name is one of the arguments as given, or what follows "=" in one; an
//   argument that looks like an option is never taken as a value unless it follows "=".
// - A mode, "yes" and "noload" are only ever read from arguments that ask for them.
// - A clean parse written back as options (--add=ARG, --remove=ARG, --removeall, --update [NAME SOURCE],
//   --disable=, --enable=, --blocks, --restore, --dry-run or --diff, --allow=, --max-size=, --timeout=, --stall=,
//   --address=, -y, --noload) reads back the same, and "--help" after a clean list is always seen.
// - The block name and source of --update are the two arguments after it.
// - The dispatcher reads a list that begins with an option the same way.

#include "FuzzSupport.h"

#include "cli/CommandLine.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace velmora;
using namespace velmora::fuzz;

namespace {

bool same(const CommandLine& a, const CommandLine& b) {
    return a.form == b.form && a.mode == b.mode && a.argument == b.argument && a.source == b.source &&
           a.silent == b.silent && a.noLoad == b.noLoad && a.dryRun == b.dryRun && a.diff == b.diff &&
           a.allowFile == b.allowFile && a.limits.maxBytes == b.limits.maxBytes &&
           a.limits.timeoutSeconds == b.limits.timeoutSeconds && a.limits.stallSeconds == b.limits.stallSeconds &&
           a.blockAddress == b.blockAddress && a.mistake == b.mistake;
}

bool anyIs(const std::vector<std::string>& arguments, std::initializer_list<std::string_view> names) {
    return std::any_of(arguments.begin(), arguments.end(),
                       [&](const std::string& a) { return std::find(names.begin(), names.end(), a) != names.end(); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> arguments(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            arguments.emplace_back();
        else
            arguments.back() += static_cast<char>(data[i]);
    }
    if (size == 0)
        arguments.clear();

    const CommandLine parsed = parseOptions(arguments);
    FUZZ_CHECK(parsed.form == CommandForm::Options, "the option form says so");
    FUZZ_CHECK(same(parseOptions(arguments), parsed), "the same arguments read the same");
    if (parsed.mode == RunMode::Mistake) {
        FUZZ_CHECK(!parsed.mistake.empty(), "a mistake is described");
        FUZZ_CHECK(parsed.argument.empty() && !parsed.silent && !parsed.noLoad, "a mistake carries nothing else");
    } else {
        FUZZ_CHECK(parsed.mistake.empty(), "only a mistake is described");
    }

    if (parsed.mode == RunMode::Update && !parsed.argument.empty()) {
        bool found = false;
        for (size_t i = 2; i < arguments.size(); ++i)
            found = found || (arguments[i - 2] == "--update" && arguments[i - 1] == parsed.argument &&
                              arguments[i] == parsed.source && !parsed.source.empty());
        FUZZ_CHECK(found, "a block and its source are the two values after --update");
    }
    if (parsed.mode == RunMode::Add || parsed.mode == RunMode::Remove) {
        const std::string option = parsed.mode == RunMode::Add ? "--add" : "--remove";
        FUZZ_CHECK(!parsed.argument.empty(), "a list file or block name is never empty");
        bool found = false;
        for (size_t i = 0; i < arguments.size(); ++i) {
            found = found || arguments[i] == option + "=" + parsed.argument ||
                    (i > 0 && arguments[i - 1] == option && arguments[i] == parsed.argument);
        }
        FUZZ_CHECK(found, "the argument is the value given to the option");
        const bool fromEquals = anyIs(arguments, {option + "=" + parsed.argument});
        FUZZ_CHECK(fromEquals || parsed.argument == "-" || !parsed.argument.starts_with("-"),
                   "a value that looks like an option is taken only after \"=\"");
    }
    if (parsed.mode == RunMode::RemoveAll)
        FUZZ_CHECK(anyIs(arguments, {"--removeall"}), "reset only when asked");
    if (parsed.silent)
        FUZZ_CHECK(anyIs(arguments, {"-y", "--yes"}), "silent only when asked");
    if (parsed.noLoad)
        FUZZ_CHECK(anyIs(arguments, {"--noload"}), "noload only when asked");
    // "--help=x" is still --help: help and version end the reading before a value is looked at.
    auto named = [&](std::string_view option) {
        return std::any_of(arguments.begin(), arguments.end(), [&](const std::string& a) {
            return a.starts_with(option) && (a.size() == option.size() || a[option.size()] == '=');
        });
    };
    if (parsed.mode == RunMode::Help)
        FUZZ_CHECK(named("--help") || anyIs(arguments, {"-h"}), "help only when asked");
    if (parsed.mode == RunMode::Version)
        FUZZ_CHECK(named("--version"), "version only when asked");

    const bool clean =
        parsed.mode != RunMode::Mistake && parsed.mode != RunMode::Help && parsed.mode != RunMode::Version;
    if (clean) {
        std::vector<std::string> written;
        if (parsed.mode == RunMode::Add)
            written.push_back("--add=" + parsed.argument);
        if (parsed.mode == RunMode::Remove)
            written.push_back("--remove=" + parsed.argument);
        if (parsed.mode == RunMode::RemoveAll)
            written.push_back("--removeall");
        if (parsed.mode == RunMode::Update)
            written.push_back("--update");
        if (parsed.mode == RunMode::Update && !parsed.argument.empty())
            written.insert(written.end(), {parsed.argument, parsed.source});
        if (parsed.mode == RunMode::Disable)
            written.push_back("--disable=" + parsed.argument);
        if (parsed.mode == RunMode::Enable)
            written.push_back("--enable=" + parsed.argument);
        if (parsed.mode == RunMode::Blocks)
            written.push_back("--blocks");
        if (parsed.mode == RunMode::Restore)
            written.push_back("--restore");
        if (parsed.diff)
            written.push_back("--diff");
        else if (parsed.dryRun)
            written.push_back("--dry-run");
        if (!parsed.allowFile.empty())
            written.push_back("--allow=" + parsed.allowFile);
        if (parsed.limits.maxBytes != 0)
            written.push_back("--max-size=" + std::to_string(parsed.limits.maxBytes));
        if (parsed.limits.timeoutSeconds != 0)
            written.push_back("--timeout=" + std::to_string(parsed.limits.timeoutSeconds));
        if (parsed.limits.stallSeconds != 0)
            written.push_back("--stall=" + std::to_string(parsed.limits.stallSeconds));
        if (!parsed.blockAddress.empty())
            written.push_back("--address=" + parsed.blockAddress);
        if (parsed.silent)
            written.push_back("-y");
        if (parsed.noLoad)
            written.push_back("--noload");
        FUZZ_CHECK(same(parseOptions(written), parsed), "a clean parse written back reads the same");
        std::vector<std::string> withHelp = arguments;
        withHelp.push_back("--help");
        FUZZ_CHECK(parseOptions(withHelp).mode == RunMode::Help, "--help after a clean list is seen");
    }
    if (!arguments.empty() && (arguments.front().starts_with("--") || arguments.front() == "-y"))
        FUZZ_CHECK(same(parseCommandLine(arguments), parsed), "the dispatcher reads options the same way");
    return 0;
}
