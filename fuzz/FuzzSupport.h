#pragma once

// Shared pieces of the fuzz targets: a check that stops the run with a message, and small reference
// models of the rules, written out the plain way so that the fast code has something to agree with.

#include "core/EntryList.h"
#include "core/LineText.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::fuzz {

using Lines = std::vector<std::string>;

// Stops the run (libFuzzer keeps the input) when a property does not hold.
#define FUZZ_CHECK(condition, what)                                                                                    \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "property violated: %s (%s) at %s:%d\n", what, #condition, __FILE__, __LINE__);       \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

inline Lines linesOf(const LineSource& list) {
    Lines out;
    out.reserve(static_cast<size_t>(list.count()));
    for (int32_t i = 0; i < list.count(); ++i)
        out.emplace_back(list.text(i));
    return out;
}

inline EntryList listOf(const Lines& lines) {
    EntryList list;
    for (const std::string& line : lines)
        FUZZ_CHECK(list.append(line), "a small list takes every line");
    return list;
}

// The line rules byte by byte: CR LF, a lone CR and a lone LF each end a line. A final line end makes
// no extra line.
inline Lines referenceLines(std::string_view data) {
    Lines lines;
    std::string current;
    bool open = false; // bytes seen since the last line end
    for (size_t i = 0; i < data.size(); ++i) {
        const char c = data[i];
        const bool crlf = c == '\r' && i + 1 < data.size() && data[i + 1] == '\n';
        if (c == '\r' || c == '\n') {
            lines.push_back(current);
            current.clear();
            open = false;
            if (crlf)
                ++i;
        } else {
            current += c;
            open = true;
        }
    }
    if (open)
        lines.push_back(current);
    return lines;
}

inline char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string folded(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = lowerAscii(c);
    return out;
}

inline bool startsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

inline bool startsWithFolded(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && folded(text.substr(0, prefix.size())) == folded(prefix);
}

inline std::string trimmedOfSpaces(std::string_view text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && text[first] == ' ')
        ++first;
    while (last > first && text[last - 1] == ' ')
        --last;
    return std::string(text.substr(first, last - first));
}

inline std::string withoutLeadingSpaces(std::string_view text) {
    size_t first = 0;
    while (first < text.size() && text[first] == ' ')
        ++first;
    return std::string(text.substr(first));
}

// An IPv6 address with an optional zone, as the C library's parser reads the address.
inline bool referenceIpv6(const std::string& field) {
    const size_t percent = field.find('%');
    if (percent != std::string::npos && percent + 1 == field.size())
        return false;
    const std::string address = field.substr(0, percent);
    in6_addr parsed{};
    return address.find('\0') == std::string::npos && inet_pton(AF_INET6, address.c_str(), &parsed) == 1;
}

// An IPv4 address in dotted decimal: one to four parts of decimal digits, split at the dots; every
// part but the last at most 255, the last at most what the bytes left over can hold.
inline bool referenceIpv4(const std::string& field) {
    std::vector<std::string> parts(1);
    for (const char c : field) {
        if (c == '.')
            parts.emplace_back();
        else if (c >= '0' && c <= '9')
            parts.back() += c;
        else
            return false;
    }
    if (parts.size() > 4)
        return false;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (parts[i].empty())
            return false;
        // Leading zeros add nothing; past ten digits more the value is out of every range.
        const std::string digits = parts[i].substr(std::min(parts[i].find_first_not_of('0'), parts[i].size()));
        if (digits.size() > 10)
            return false;
        const unsigned long long value = digits.empty() ? 0 : std::stoull(digits);
        const unsigned long long most = i + 1 < parts.size() ? 255 : (0xFFFFFFFFull >> (8 * i));
        if (value > most)
            return false;
    }
    return true;
}

// The lines of a text read as a list: a byte-order mark at the start of a line is dropped.
inline Lines referenceListLines(std::string_view data) {
    Lines lines = referenceLines(data);
    for (std::string& line : lines)
        if (startsWith(line, "\xEF\xBB\xBF"))
            line.erase(0, 3);
    return lines;
}

// A trimmed, non-empty source line in its stored HOSTS form: the rules in their order.
inline std::string referenceNormalised(const std::string& line) {
    if (line.size() >= 10 && line.compare(0, 10, "127.0.0.1 ") == 0)
        return "127.0.0.1 " + withoutLeadingSpaces(std::string_view(line).substr(10));
    if (line.size() >= 10 && line.compare(0, 10, "127.0.0.1\t") == 0)
        return "127.0.0.1 " + withoutLeadingSpaces(std::string_view(line).substr(10));
    const char first = line[0];
    if (first == '#' || first == ';')
        return line;
    const std::string field = line.substr(0, line.find_first_of(" \t"));
    if (referenceIpv4(field) || referenceIpv6(field))
        return line;
    return "127.0.0.1 " + line;
}

// The key a line already in the HOSTS list is indexed by: its form as a list line, case folded; empty
// for a line no index holds (blank, or a comment).
inline std::string referenceKey(std::string line) {
    if (startsWith(line, "\xEF\xBB\xBF"))
        line.erase(0, 3);
    const std::string trimmed = trimmedOfSpaces(line);
    if (trimmed.empty() || trimmed[0] == '#')
        return {};
    return folded(referenceNormalised(trimmed));
}

} // namespace velmora::fuzz
