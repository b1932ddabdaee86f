#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace velmora {

// The address a source list's bare name is given in HOSTS. The index hashes a text that begins with
// it as the rest of the text, so the reader's two pieces are never joined.
inline constexpr std::string_view kLocalAddressPrefix = "127.0.0.1 ";

inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// True when text is an IPv4 address in dotted decimal of one to four parts, each within the range
// its place allows ("127.1", "10.0.0.5", "0.0.0.0"; the last part of "a.b" may reach 16777215).
bool isIpv4Address(std::string_view text);

// True when text is an IPv6 address in its text form ("::1", "fe80::1", "::ffff:10.0.0.1"), with
// an optional zone after "%" ("fe80::1%lo0"): the forms the system's own address parser accepts.
bool isIpv6Address(std::string_view text);

// True when the line's first field (up to the first space or tab, or the whole line) is an IPv4 or
// IPv6 address: the line maps names to that address, and is kept as written.
bool startsWithAddress(std::string_view line);

// The stored HOSTS form of one source-list line that has had its spaces trimmed and is not empty, as
// prefix + rest. Rules, first match wins, all with letter case: "127.0.0.1 " + rest with its leading
// spaces dropped; "127.0.0.1" + tab + rest likewise with one space for the tab; a line beginning with
// "#" or ";", or whose first field is an address, kept; anything else is a bare name and gets
// "127.0.0.1 " in front, also one that begins with a digit ("1drv.example").
struct NormalisedLine {
    std::string_view prefix;
    std::string_view rest;
};
NormalisedLine normaliseLine(std::string_view line);

// The form a line takes as a key of the duplicate index: a byte-order mark at its start dropped,
// spaces trimmed, normalised. None for a line that is blank or a comment ("#"), which no index holds.
std::optional<NormalisedLine> lineKey(std::string_view line);

} // namespace velmora
