#include "merge/AllowList.h"

#include "core/HostsFile.h"
#include "core/TextUtil.h"

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

// Names have no colon, and none is digits and dots only.
bool isAddress(std::string_view field) {
    return field.find(':') != std::string_view::npos ||
           std::all_of(field.begin(), field.end(), [](char c) { return c == '.' || (c >= '0' && c <= '9'); });
}

} // namespace

void AllowList::addText(std::string_view text) {
    forEachLine(text, [&](std::string_view line) {
        forEachField(line, [&](std::string_view field) {
            if (!isAddress(field))
                add(field);
        });
    });
}

void AllowList::add(std::string_view name) {
    m_names.insert(asciiLowered(name));
}

bool AllowList::named(std::string_view field) const {
    m_lowered.assign(field);
    for (char& c : m_lowered)
        c = asciiLower(c);
    return m_names.count(m_lowered) != 0;
}

bool AllowList::keepsOut(std::string_view prefix, std::string_view rest) const {
    bool found = false;
    const auto check = [&](std::string_view field) { found = found || named(field); };
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
    const FileBytes bytes = readFileBytes(files, result.path);
    result.error = bytes.error;
    if (result.error == 0)
        allow.addText(bytes.bytes);
    return result;
}

} // namespace velmora
