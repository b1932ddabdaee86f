#include "merge/BlockList.h"

#include "core/HostsFile.h"
#include "core/LineText.h"
#include "core/TextUtil.h"
#include "merge/NameSet.h"
#include "merge/Normalise.h"
#include "platform/Gzip.h"
#include "platform/LargeMemory.h"

#include <algorithm>
#include <array>

namespace velmora {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The line before a comment that begins with a "#" at its start or after a blank ("a.example # x").
std::string_view withoutComment(std::string_view line) {
    for (size_t i = line.find('#'); i != std::string_view::npos; i = line.find('#', i + 1)) {
        if (i == 0 || isBlank(line[i - 1]))
            return trimBlanks(line.substr(0, i));
    }
    return line;
}

// The options a domain rule may carry and still block the name for every use of it.
bool isWholeNameOption(std::string_view option) {
    return option == "important" || option == "all";
}

class Reader {
public:
    Reader(BlockListNames& out, const AllowList* allow, std::string_view hostName)
        : m_out(out), m_allow(allow), m_hostName(hostName) {
        m_out.names.reserve(out.text.size() / 24);
        adviseHugePages(m_out.names.data(), m_out.names.capacity() * sizeof(std::string_view));
    }

    void line(std::string_view raw) {
        if (raw.starts_with(kByteOrderMark))
            raw.remove_prefix(kByteOrderMark.size());
        const std::string_view line = trimBlanks(raw);
        if (line.empty() || line.front() == '#' || line.front() == '!' || (line.front() == '[' && line.back() == ']'))
            return;
        if (line.starts_with("||") || line.starts_with("@@||")) {
            domainRule(line);
            return;
        }
        const std::string_view entry = withoutComment(line);
        if (entry.empty())
            return;
        const size_t end = firstBlank(entry);
        if (startsWithAddress(entry)) {
            ++m_out.counts.entryLines;
            if (!isBlockingAddress(entry.substr(0, end))) {
                ++m_out.counts.otherAddress;
                return;
            }
            forEachName(entry.substr(end), [&](std::string_view name) { take(name); });
            return;
        }
        if (end != entry.size()) {
            ++m_out.counts.otherLines; // several words with no address: prose, markup, a rule of some other kind
            return;
        }
        const std::string_view name = lowered(entry);
        if (isNeverBlocked(name, m_hostName) || isBlockableName(stripDot(name))) {
            ++m_out.counts.entryLines;
            take(name);
        } else {
            ++m_out.counts.otherLines;
        }
    }

    // The names that the list's own exceptions keep out go last, when every exception is known.
    void finish() {
        if (m_exceptions.size() == 0)
            return;
        std::vector<std::string_view> kept;
        kept.reserve(m_out.names.size());
        for (const std::string_view name : m_out.names) {
            bool excepted = m_exceptions.contains(name);
            for (size_t dot = name.find('.'); !excepted && dot != std::string_view::npos; dot = name.find('.', dot + 1))
                excepted = m_exceptions.contains(name.substr(dot + 1));
            if (excepted)
                ++m_out.counts.excepted;
            else
                kept.push_back(name);
        }
        m_out.names.swap(kept);
    }

private:
    template <typename OnName> static void forEachName(std::string_view fields, OnName&& onName) {
        size_t i = 0;
        while (i < fields.size()) {
            while (i < fields.size() && isBlank(fields[i]))
                ++i;
            const size_t start = i;
            while (i < fields.size() && !isBlank(fields[i]))
                ++i;
            if (i > start)
                onName(fields.substr(start, i - start));
        }
    }

    // The text's own bytes in lower case: a name keeps its place in the text.
    std::string_view lowered(std::string_view name) {
        char* p = m_out.text.data() + (name.data() - m_out.text.data());
        for (size_t i = 0; i < name.size(); ++i)
            p[i] = asciiLower(p[i]);
        return name;
    }

    static std::string_view stripDot(std::string_view name) {
        return name.size() > 1 && name.back() == '.' ? name.substr(0, name.size() - 1) : name;
    }

    void take(std::string_view field) {
        const std::string_view name = stripDot(lowered(field));
        if (isNeverBlocked(name, m_hostName)) {
            ++m_out.counts.neverBlocked;
        } else if (!isBlockableName(name)) {
            ++m_out.counts.notHostNames;
        } else if (m_allow && m_allow->allows(name)) {
            ++m_out.counts.keptOut;
        } else {
            m_out.names.push_back(name);
        }
    }

    // "||name^" blocks the name; "@@||name^" keeps it (and the names under it) out; options that hold
    // a rule to some uses of the name ($third-party, $script, $domain=...) would block too much here.
    void domainRule(std::string_view rule) {
        ++m_out.counts.entryLines;
        const bool exception = rule.starts_with("@@");
        rule.remove_prefix(exception ? 4 : 2);
        const size_t caret = rule.find('^');
        if (caret == std::string_view::npos) {
            ++m_out.counts.notHostNames;
            return;
        }
        std::string_view after = rule.substr(caret + 1);
        if (after.starts_with("|"))
            after.remove_prefix(1);
        if (!after.empty()) {
            if (after.front() != '$') {
                ++m_out.counts.narrowRules;
                return;
            }
            after.remove_prefix(1);
            for (size_t start = 0; start <= after.size();) {
                const size_t comma = std::min(after.size(), after.find(','));
                if (!isWholeNameOption(after.substr(start, comma - start))) {
                    ++m_out.counts.narrowRules;
                    return;
                }
                start = comma + 1;
            }
        }
        const std::string_view name = lowered(rule.substr(0, caret));
        if (exception) {
            if (isBlockableName(name))
                m_exceptions.insert(name);
            return;
        }
        take(name);
    }

    BlockListNames& m_out;
    const AllowList* m_allow;
    std::string_view m_hostName;
    NameSet m_exceptions;
};

// What each byte is to a host name: 0 no part of one, 1 a letter, '-' or '_', 2 a digit, 3 the dot. A
// list's every name passes here, so its bytes are looked up rather than compared.
constexpr uint8_t kLabelByte = 1;
constexpr uint8_t kDigitByte = 2;
constexpr uint8_t kDotByte = 3;
constexpr auto kNameBytes = [] {
    std::array<uint8_t, 256> table{};
    for (int c = 0; c < 256; ++c) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '_')
            table[static_cast<size_t>(c)] = kLabelByte;
        else if (c >= '0' && c <= '9')
            table[static_cast<size_t>(c)] = kDigitByte;
    }
    table['.'] = kDotByte;
    return table;
}();

std::string plainCount(int32_t count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

} // namespace

bool isBlockingAddress(std::string_view address) {
    // How nearly every list writes them.
    if (address == "0.0.0.0" || address == "127.0.0.1")
        return true;
    if (isIpv4Address(address)) {
        // The parts fill the address from the top, the last one taking every byte left over.
        uint64_t parts[4] = {};
        size_t count = 0;
        for (size_t start = 0; start <= address.size(); ++count) {
            const size_t dot = std::min(address.size(), address.find('.', start));
            parts[count] = std::stoull(std::string(address.substr(start, dot - start)));
            start = dot + 1;
        }
        uint64_t value = parts[count - 1];
        for (size_t i = 0; i + 1 < count; ++i)
            value |= parts[i] << (24 - 8 * i);
        return value == 0 || (value >> 24) == 127;
    }
    if (!isIpv6Address(address) || address.find_first_of("%.") != std::string_view::npos)
        return false;
    // Only :: and ::1 (however spelt): the groups before the last all zero, the last 0 or 1.
    uint32_t groups[8] = {};
    const size_t gap = address.find("::");
    auto parse = [](std::string_view part, uint32_t* into) {
        size_t n = 0;
        for (size_t start = 0; !part.empty() && start <= part.size(); ++n) {
            const size_t colon = std::min(part.size(), part.find(':', start));
            into[n] = static_cast<uint32_t>(std::stoul(std::string(part.substr(start, colon - start)), nullptr, 16));
            start = colon + 1;
        }
        return n;
    };
    if (gap == std::string_view::npos) {
        parse(address, groups);
    } else {
        uint32_t tail[8] = {};
        parse(address.substr(0, gap), groups);
        const size_t n = parse(address.substr(gap + 2), tail);
        std::copy(tail, tail + n, groups + 8 - n);
    }
    return std::all_of(groups, groups + 7, [](uint32_t g) { return g == 0; }) && groups[7] <= 1;
}

bool isBlockableName(std::string_view name) {
    if (name.empty() || name.size() > 253)
        return false;
    // One pass: where the label at hand began, how many came before, and the kinds of its bytes (digits
    // alone make kDigitByte).
    size_t labels = 0;
    size_t start = 0;
    uint8_t kinds = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const uint8_t kind = kNameBytes[static_cast<unsigned char>(name[i])];
        if (kind == kDotByte) {
            if (i == start || i - start > 63)
                return false;
            ++labels;
            start = i + 1;
            kinds = 0;
        } else if (kind == 0) {
            return false;
        } else {
            kinds |= kind;
        }
    }
    return name.size() > start && name.size() - start <= 63 && labels >= 1 && kinds != kDigitByte;
}

bool isNeverBlocked(std::string_view name, std::string_view hostName) {
    if (!hostName.empty() && iequals(name, hostName))
        return true;
    // By the first letter: most names share it with none of these, and pass without a comparison.
    switch (name.empty() ? '\0' : asciiLower(name.front())) {
    case 'l':
        return iequals(name, "localhost") || iequals(name, "localhost.localdomain") || iequals(name, "local");
    case 'b':
        return iequals(name, "broadcasthost");
    case '0':
        return name == "0.0.0.0";
    case 'i':
        return istartsWith(name, "ip6-");
    default:
        return false;
    }
}

BlockListRead readBlockList(std::string bytes, uint64_t maxBytes, const AllowList* allow, std::string_view hostName,
                            BlockListNames& out) {
    BlockListRead result;
    out = BlockListNames{};
    if (isGzip(bytes)) {
        GunzipResult text = gunzip(bytes, maxBytes);
        if (text.status == GunzipStatus::TooLarge) {
            result.status = BlockListStatus::TooLarge;
            result.message = "larger than the limit of " + std::to_string(maxBytes) + " bytes once decompressed";
            return result;
        }
        if (text.status == GunzipStatus::Damaged) {
            result.status = BlockListStatus::NotAList;
            result.message = "not a list: its gzip data is damaged";
            return result;
        }
        bytes = std::move(text.text);
    }
    if (maxBytes != 0 && bytes.size() > maxBytes) {
        result.status = BlockListStatus::TooLarge;
        result.message = "larger than the limit of " + std::to_string(maxBytes) + " bytes";
        return result;
    }
    out.text = std::move(bytes);
    Reader reader(out, allow, hostName);
    forEachLine(std::string_view(out.text), [&](std::string_view line) { reader.line(line); });
    reader.finish();

    const int32_t lines = out.counts.entryLines + out.counts.otherLines;
    std::string_view start = out.text;
    if (start.starts_with(kByteOrderMark))
        start.remove_prefix(kByteOrderMark.size());
    const size_t first = start.find_first_not_of(" \t\r\n");
    const bool markup = first != std::string_view::npos && start[first] == '<';
    if (lines == 0) {
        result.message = "not a list: it holds no entries";
    } else if (out.counts.entryLines * 2 < lines) {
        result.message = markup ? std::string("not a list: it is a web page")
                                : "not a list: only " + std::to_string(out.counts.entryLines) + " of its " +
                                      plainCount(lines, "line") + " that are no comment name hosts";
    } else if (out.names.empty()) {
        result.message = "not a list: it names no host to block";
        if (const int32_t other = out.counts.otherAddress; other > 0)
            result.message +=
                " (" + plainCount(other, "line") + (other == 1 ? " sends" : " send") + " names to other addresses)";
    }
    if (!result.message.empty()) {
        result.status = BlockListStatus::NotAList;
        out.names.clear();
    }
    return result;
}

BlockListRead readBlockListFile(FileSystem& files, const std::string& path, uint64_t maxBytes, const AllowList* allow,
                                std::string_view hostName, BlockListNames& out) {
    BlockListRead result;
    const PathInfo info = files.stat(path, true);
    if (maxBytes != 0 && info.exists && info.size > maxBytes) {
        result.status = BlockListStatus::TooLarge;
        result.message = "larger than the limit of " + std::to_string(maxBytes) + " bytes";
        return result;
    }
    FileBytes bytes = readFileBytes(files, path, true, false);
    if (bytes.error != 0) {
        result.status = BlockListStatus::Unreadable;
        result.error = bytes.error;
        result.message = files.errorText(bytes.error);
        return result;
    }
    return readBlockList(std::move(bytes.bytes), maxBytes, allow, hostName, out);
}

} // namespace velmora
