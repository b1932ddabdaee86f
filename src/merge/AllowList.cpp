#include "merge/AllowList.h"

#include "core/HostsFile.h"
#include "core/PathSafety.h"
#include "core/TextUtil.h"
#include "merge/Normalise.h"

#include <algorithm>

namespace velmora {

namespace {

template <typename OnField> void forEachField(std::string_view text, OnField&& onField) {
    text = text.substr(0, text.find('#'));
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        const size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t')
            ++i;
        if (i > start)
            onField(text.substr(start, i - start));
    }
}

// Letters, digits, "-", "_" and dots between them: what a host name is made of.
bool isNameText(std::string_view name) {
    if (name.empty() || name.front() == '.' || name.back() == '.' || name.find("..") != std::string_view::npos)
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
               c == '.';
    });
}

} // namespace

std::string AllowList::entries() const {
    std::vector<std::string> all;
    all.reserve(size());
    for (const std::string& name : m_names)
        all.push_back(name);
    for (const std::string& name : m_under)
        all.push_back("*." + name);
    for (const std::string& name : m_withUnder)
        all.push_back("||" + name + "^");
    std::sort(all.begin(), all.end());
    std::string text;
    for (const std::string& entry : all)
        text += entry + "\n";
    return text;
}

bool AllowList::add(std::string_view entry) {
    if (entry.starts_with("*.") && isNameText(entry.substr(2))) {
        m_under.insert(asciiLowered(entry.substr(2)));
        return true;
    }
    if (entry.starts_with("||") && entry.ends_with("^") && isNameText(entry.substr(2, entry.size() - 3))) {
        m_withUnder.insert(asciiLowered(entry.substr(2, entry.size() - 3)));
        return true;
    }
    if (!isNameText(entry))
        return false;
    m_names.insert(asciiLowered(entry));
    return true;
}

void AllowList::addText(std::string_view text, std::vector<std::string>* problems) {
    int number = 0;
    forEachLine(text, [&](std::string_view line) {
        ++number;
        if (line.starts_with(kByteOrderMark))
            line.remove_prefix(kByteOrderMark.size());
        if (startsWithAddress(line))
            line.remove_prefix(firstBlank(line));
        forEachField(line, [&](std::string_view field) {
            if (!add(field) && problems)
                problems->push_back("line " + std::to_string(number) + ": '" + std::string(field) +
                                    "' is no host name, *.name or ||name^");
        });
    });
}

bool AllowList::allows(std::string_view name) const {
    if (empty())
        return false;
    m_lowered.assign(name);
    for (char& c : m_lowered)
        c = asciiLower(c);
    if (m_names.count(m_lowered) != 0 || m_withUnder.count(m_lowered) != 0)
        return true;
    if (m_under.empty() && m_withUnder.empty())
        return false;
    for (size_t dot = m_lowered.find('.'); dot != std::string::npos; dot = m_lowered.find('.', dot + 1)) {
        const std::string parent = m_lowered.substr(dot + 1);
        if (m_under.count(parent) != 0 || m_withUnder.count(parent) != 0)
            return true;
    }
    return false;
}

bool AllowList::keepsOut(std::string_view prefix, std::string_view rest) const {
    bool found = false;
    const auto check = [&](std::string_view field) { found = found || allows(field); };
    forEachField(prefix, check);
    if (!found)
        forEachField(rest, check);
    return found;
}

std::string defaultAllowListPath([[maybe_unused]] Environment& environment) {
#ifdef _WIN32
    const std::string data = environment.variable("ProgramData");
    return data.empty() ? std::string() : data + "\\velmora\\allow.txt";
#else
    return "/etc/velmora/allow.txt";
#endif
}

AllowListFile loadAllowList(FileSystem& files, Environment& environment, const std::string& named, AllowList& allow) {
    AllowListFile result;
    result.path = named.empty() ? environment.variable("VELMORA_ALLOW") : named;
    if (result.path.empty()) {
        result.path = defaultAllowListPath(environment);
        if (!fileHasData(files, result.path))
            return AllowListFile{};
    }
    CheckedRead checked(files, result.path);
    if (!checked.refusal().empty()) {
        result.refusal = checked.refusal();
        return result;
    }
    const FileBytes bytes = readFileBytes(checked.files(), checked.path());
    result.error = bytes.error;
    if (result.error == 0)
        allow.addText(bytes.bytes, &result.problems);
    return result;
}

void tellAllowListProblems(UserInterface& ui, const AllowListFile& read) {
    if (read.problems.empty())
        return;
    std::string text = "The allowlist " + read.path + " has lines that allow nothing; they are left out:";
    for (const std::string& problem : read.problems)
        text += "\n" + problem;
    ui.notify(text);
}

} // namespace velmora
