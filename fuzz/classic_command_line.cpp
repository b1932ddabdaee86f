// The classic command line: switches found anywhere, in any letter case, and the rest as argument.
// - The parse ends (the run's time limit catches a loop) and agrees with a plain model: the first of
//   /add, /removeall, /remove contained decides; the switch is deleted wherever it stands, the search
//   going on where the deleted text was; in remove mode a "/s" makes the run silent and is deleted too;
//   what is left is trimmed of spaces and of one pair of enclosing double quotes.
// - The argument is made of bytes of the command line, in their order.
// - Given as one argument that does not look like an option, the dispatcher reads it the same way.

#include "FuzzSupport.h"

#include "cli/CommandLine.h"

#include <string>

using namespace velmora;
using namespace velmora::fuzz;

namespace {

bool containsFolded(const std::string& text, const std::string& lowerNeedle) {
    return folded(text).find(lowerNeedle) != std::string::npos;
}

std::string deletedEverywhere(std::string text, const std::string& lowerNeedle) {
    size_t from = 0;
    for (;;) {
        const size_t at = folded(text).find(lowerNeedle, from);
        if (at == std::string::npos)
            return text;
        text.erase(at, lowerNeedle.size());
        from = at;
    }
}

std::string unquoted(const std::string& text) {
    std::string trimmed = trimmedOfSpaces(text);
    if (trimmed.size() >= 2 && trimmed.front() == '"' && trimmed.back() == '"')
        trimmed = trimmed.substr(1, trimmed.size() - 2);
    return trimmed;
}

CommandLine model(const std::string& text) {
    CommandLine expected;
    if (containsFolded(text, "/add")) {
        expected.mode = RunMode::Add;
        expected.argument = unquoted(deletedEverywhere(text, "/add"));
    } else if (containsFolded(text, "/removeall")) {
        expected.mode = RunMode::RemoveAll;
        expected.silent = containsFolded(text, "/s");
    } else if (containsFolded(text, "/remove")) {
        expected.mode = RunMode::Remove;
        std::string rest = deletedEverywhere(text, "/remove");
        if (containsFolded(rest, "/s")) {
            expected.silent = true;
            rest = deletedEverywhere(rest, "/s");
        }
        expected.argument = unquoted(rest);
    } else {
        expected.noLoad = containsFolded(text, "/noload");
    }
    return expected;
}

bool isSubsequence(const std::string& part, const std::string& whole) {
    size_t j = 0;
    for (char c : whole) {
        if (j < part.size() && part[j] == c)
            ++j;
    }
    return j == part.size();
}

bool same(const CommandLine& a, const CommandLine& b) {
    return a.form == b.form && a.mode == b.mode && a.argument == b.argument && a.silent == b.silent &&
           a.noLoad == b.noLoad && a.mistake == b.mistake;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const CommandLine parsed = parseClassic(text);
    FUZZ_CHECK(parsed.form == CommandForm::Classic, "the classic form says so");
    FUZZ_CHECK(same(parsed, model(text)), "the parse agrees with the model");
    FUZZ_CHECK(isSubsequence(parsed.argument, text), "the argument comes from the command line");
    FUZZ_CHECK(parsed.argument.size() <= text.size(), "the argument is no longer than the command line");
    FUZZ_CHECK(parsed.mistake.empty(), "the classic form has no mistakes");
    if (!text.starts_with("--") && text != "-y")
        FUZZ_CHECK(same(parseCommandLine({text}), parsed), "the dispatcher reads a classic line the same way");
    return 0;
}
