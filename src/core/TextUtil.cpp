#include "core/TextUtil.h"

#include <algorithm>
#include <cstring>

namespace velmora {

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    auto sameWord = [](const char* x, const char* y) {
        const uint64_t wx = loadWord(x);
        const uint64_t wy = loadWord(y);
        return wx == wy || asciiLowerWord(wx) == asciiLowerWord(wy);
    };
    const size_t n = a.size();
    if (n >= 8) {
        // Whole words, the last one ending where the texts end (it may overlap the one before).
        for (size_t i = 0; i + 8 < n; i += 8)
            if (!sameWord(a.data() + i, b.data() + i))
                return false;
        return sameWord(a.data() + n - 8, b.data() + n - 8);
    }
    for (size_t i = 0; i < n; ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

bool istartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && iequals(text.substr(0, prefix.size()), prefix);
}

size_t ifind(std::string_view text, std::string_view needle, size_t from) {
    if (needle.empty())
        return from <= text.size() ? from : std::string_view::npos;
    if (text.size() < needle.size())
        return std::string_view::npos;
    const char first = asciiLower(needle[0]);
    const char firstUpper = asciiUpper(needle[0]);
    const size_t last = text.size() - needle.size();
    for (size_t i = from; i <= last; ++i) {
        // Skip ahead to the next candidate for the first byte.
        const char* p = static_cast<const char*>(std::memchr(text.data() + i, first, last - i + 1));
        const char* q = first == firstUpper
                            ? nullptr
                            : static_cast<const char*>(std::memchr(text.data() + i, firstUpper, last - i + 1));
        if (!p && !q)
            return std::string_view::npos;
        const char* hit = !p ? q : (!q ? p : std::min(p, q));
        i = static_cast<size_t>(hit - text.data());
        if (iequals(text.substr(i, needle.size()), needle))
            return i;
    }
    return std::string_view::npos;
}

int icompare(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(asciiLower(a[i]));
        const auto cb = static_cast<unsigned char>(asciiLower(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string asciiLowered(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = asciiLower(c);
    return out;
}

std::string folderForLink(std::string_view filename) {
    const size_t query = filename.find('?');
    if (query != std::string_view::npos)
        filename = filename.substr(0, query);
    const size_t sep = filename.find_last_of("\\/");
    if (sep == std::string_view::npos)
        return {};
    return std::string(filename.substr(0, sep + 1));
}

SaveSuggestion saveSuggestion(std::string_view path) {
#ifdef _WIN32
    constexpr std::string_view kSeparators = "\\/";
#else
    constexpr std::string_view kSeparators = "/";
#endif
    constexpr size_t kMaxName = 254;
    SaveSuggestion suggestion;
    const size_t separator = path.find_last_of(kSeparators);
    if (separator == std::string_view::npos) {
        suggestion.name = path;
    } else {
        const bool top = separator == 0 || path[separator - 1] == ':';
        suggestion.folder = path.substr(0, top ? separator + 1 : separator);
        suggestion.name = path.substr(separator + 1);
    }
    suggestion.name.resize(std::min(suggestion.name.size(), kMaxName));
    return suggestion;
}

std::string eraseAllIgnoringCase(std::string_view text, std::string_view needle) {
    std::string result(text);
    if (needle.empty())
        return result;
    for (size_t pos = ifind(result, needle); pos != std::string::npos; pos = ifind(result, needle, pos))
        result.erase(pos, needle.size());
    return result;
}

std::string_view trimSpaces(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string asSentence(std::string_view text) {
    std::string sentence(text);
    if (!sentence.empty())
        sentence.front() = asciiUpper(sentence.front());
    return sentence;
}

} // namespace velmora
