#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// Byte-string helpers. Letter case is folded for the ASCII letters A-Z only; every other byte
// compares as itself, so texts in any encoding are compared without being decoded.
namespace velmora {

inline char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}
inline char asciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c;
}

// Eight bytes at a time: the word at p (any alignment), and the same word with A-Z made a-z.
inline uint64_t loadWord(const char* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}
inline uint64_t asciiLowerWord(uint64_t word) {
    constexpr uint64_t ones = 0x0101010101010101ull;
    // Bit 7 of each byte: at least 'A', above 'Z', in the low seven bits; bytes of 0x80 and up stay out.
    const uint64_t low = word & (0x7F * ones);
    const uint64_t atLeastA = low + (0x80 - 'A') * ones;
    const uint64_t aboveZ = low + (0x80 - 'Z' - 1) * ones;
    const uint64_t upper = atLeastA & ~aboveZ & ~word & (0x80 * ones);
    return word | (upper >> 2);
}

// Where text's first space or tab is, its size when it has none: a field of a line ends there. A loop,
// not find_first_of(" \t"), which asks memchr about each byte it passes, a call per byte of every line.
inline size_t firstBlank(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t')
        ++i;
    return i;
}

bool iequals(std::string_view a, std::string_view b);
bool istartsWith(std::string_view text, std::string_view prefix);
// Position of the first occurrence of needle in text from `from` on, ignoring case; npos when none.
size_t ifind(std::string_view text, std::string_view needle, size_t from = 0);
int icompare(std::string_view a, std::string_view b);
std::string asciiLowered(std::string_view text);

// The folder part of a file name or address, with its final separator ("\" or "/"); a query part
// after the first "?" is cut off first. Empty when there is no separator.
std::string folderForLink(std::string_view filename);

// Where a Save dialog offered `path` starts: the folder (one at the top keeps its separator: "/", "C:\\")
// and the file name, cut to the longest name such a dialog takes (254 bytes). A path without a folder
// is a name alone. The separators are the system's ("\\" and "/" on Windows, "/" elsewhere).
struct SaveSuggestion {
    std::string folder;
    std::string name;
};
SaveSuggestion saveSuggestion(std::string_view path);

// text with every occurrence of needle deleted, letter case ignored. Each search goes on from where
// the deleted text stood, never looking back before it. An empty needle returns text.
std::string eraseAllIgnoringCase(std::string_view text, std::string_view needle);

// Leading and trailing blanks (spaces only) removed.
std::string_view trimSpaces(std::string_view text);

// The text as a sentence of its own, to follow a full stop: its first letter in capitals when it is an
// ASCII letter ("cannot write ..." becomes "Cannot write ..."; a path stays as it is).
std::string asSentence(std::string_view text);

} // namespace velmora
