#include "merge/Normalise.h"

#include "core/TextUtil.h"

#include <algorithm>

namespace velmora {

namespace {

constexpr std::string_view kLocal = kLocalAddressPrefix;

std::string_view dropLeadingSpaces(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Four decimal octets up to 255, without leading zeros: the dotted quad at the end of an IPv6 address.
bool isDottedQuad(std::string_view text) {
    int octets = 0;
    size_t i = 0;
    for (;;) {
        const size_t start = i;
        int value = 0;
        while (i < text.size() && isDigit(text[i]) && i - start < 3)
            value = value * 10 + (text[i++] - '0');
        if (i == start || value > 255 || (i - start > 1 && text[start] == '0'))
            return false;
        ++octets;
        if (i == text.size())
            return octets == 4;
        if (text[i] != '.' || octets == 4)
            return false;
        ++i;
    }
}

// Counts the 16-bit groups of colon-separated hex groups; the last may be a dotted quad (two groups)
// where allowed. False for an empty group or one of more than four digits.
bool countGroups(std::string_view part, bool quadAtEnd, int& groups) {
    if (part.empty())
        return true;
    for (size_t start = 0;;) {
        const size_t colon = part.find(':', start);
        const std::string_view group = part.substr(start, colon == std::string_view::npos ? colon : colon - start);
        if (colon == std::string_view::npos && quadAtEnd && group.find('.') != std::string_view::npos) {
            groups += 2;
            return isDottedQuad(group);
        }
        if (group.empty() || group.size() > 4 || !std::all_of(group.begin(), group.end(), isHexDigit))
            return false;
        ++groups;
        if (colon == std::string_view::npos)
            return true;
        start = colon + 1;
    }
}

} // namespace

bool isIpv4Address(std::string_view text) {
    // The largest value of the last part, by the number of parts before it: the last part fills the
    // bytes the others leave.
    constexpr uint64_t kLastMax[] = {0xFFFFFFFFu, 0xFFFFFFu, 0xFFFFu, 0xFFu};
    int parts = 0;
    size_t i = 0;
    for (;;) {
        const size_t start = i;
        uint64_t value = 0;
        // Held just past any part's range, so that a long run of digits (leading zeros too) cannot wrap.
        while (i < text.size() && isDigit(text[i])) {
            value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(text[i] - '0'), uint64_t{1} << 33);
            ++i;
        }
        if (i == start)
            return false;
        if (i == text.size())
            return value <= kLastMax[parts];
        if (text[i] != '.' || parts == 3 || value > 255)
            return false;
        ++parts;
        ++i;
    }
}

bool isIpv6Address(std::string_view text) {
    const size_t percent = text.find('%');
    if (percent != std::string_view::npos) {
        if (percent + 1 == text.size())
            return false;
        text = text.substr(0, percent);
    }
    // "::" stands for one or more zero groups, and may appear once.
    const size_t gap = text.find("::");
    int groups = 0;
    if (gap == std::string_view::npos)
        return countGroups(text, true, groups) && groups == 8;
    if (text.find("::", gap + 1) != std::string_view::npos)
        return false;
    return countGroups(text.substr(0, gap), false, groups) && countGroups(text.substr(gap + 2), true, groups) &&
           groups <= 7;
}

bool startsWithAddress(std::string_view line) {
    // Most address lines of a list send their names to 0.0.0.0, which needs no parsing.
    constexpr std::string_view kUnspecified = "0.0.0.0";
    if (line.starts_with(kUnspecified) &&
        (line.size() == kUnspecified.size() || line[kUnspecified.size()] == ' ' || line[kUnspecified.size()] == '\t'))
        return true;
    // Most other lines are names, and most names give themselves away in their first bytes: the scan
    // stops at the first byte no address has before its zone, without looking for the end of the field.
    size_t end = 0;
    bool colon = false;
    for (; end < line.size(); ++end) {
        const char c = line[end];
        if (c == ' ' || c == '\t' || c == '%')
            break;
        if (c == ':')
            colon = true;
        else if (!isHexDigit(c) && c != '.')
            return false;
    }
    if (end < line.size() && line[end] == '%') {
        if (!colon)
            return false;
        end = line.find_first_of(" \t", end);
    }
    const std::string_view field = line.substr(0, end);
    return colon ? isIpv6Address(field) : isIpv4Address(field);
}

NormalisedLine normaliseLine(std::string_view line) {
    // "127.0.0.1" and a space or a tab, tested as one.
    if (line.size() >= kLocal.size() && line.compare(0, kLocal.size() - 1, kLocal.substr(0, kLocal.size() - 1)) == 0 &&
        (line[kLocal.size() - 1] == ' ' || line[kLocal.size() - 1] == '\t'))
        return {kLocal, dropLeadingSpaces(line.substr(kLocal.size()))};
    const char first = line.front();
    if (first == '#' || first == ';' || startsWithAddress(line))
        return {{}, line};
    return {kLocal, line};
}

std::optional<NormalisedLine> lineKey(std::string_view line) {
    if (line.starts_with(kByteOrderMark))
        line.remove_prefix(kByteOrderMark.size());
    line = trimSpaces(line);
    if (line.empty() || line.front() == '#')
        return std::nullopt;
    return normaliseLine(line);
}

} // namespace velmora
