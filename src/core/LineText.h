#pragma once

#include <cstddef>
#include <string_view>

namespace velmora {

// How text lines end when reading. Windows: CR LF or a lone CR ends a line, a lone LF is part of
// the line. Posix: a lone LF ends a line as well.
enum class LineConvention { Windows, Posix };

// What a saved file puts after each line.
enum class LineEnd { CrLf, Lf };

// The convention of the system Velmora was built for.
constexpr LineConvention nativeLineConvention() {
#ifdef _WIN32
    return LineConvention::Windows;
#else
    return LineConvention::Posix;
#endif
}

// Calls onLine(std::string_view line) for every line of data, in order, without its line end.
// A final line end does not make an extra empty line; a last line without one is still a line.
template <typename OnLine> void forEachLine(std::string_view data, LineConvention convention, OnLine&& onLine) {
    const char* p = data.data();
    const char* end = p + data.size();
    const char* start = p;
    while (p < end) {
        const char c = *p;
        if (c == '\r') {
            onLine(std::string_view(start, static_cast<size_t>(p - start)));
            ++p;
            if (p < end && *p == '\n')
                ++p;
            start = p;
        } else if (c == '\n' && convention == LineConvention::Posix) {
            onLine(std::string_view(start, static_cast<size_t>(p - start)));
            start = ++p;
        } else {
            ++p;
        }
    }
    if (start < end)
        onLine(std::string_view(start, static_cast<size_t>(end - start)));
}

// The line end to write into a file whose current contents begin with `head`: CR LF when the first
// line end there is CR LF (always on Windows), LF otherwise, also for an empty or new file.
LineEnd lineEndFor(std::string_view head, LineConvention convention);

inline std::string_view lineEndBytes(LineEnd end) {
    return end == LineEnd::CrLf ? "\r\n" : "\n";
}

} // namespace velmora
