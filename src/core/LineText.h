#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace velmora {

// How a saved file ends its lines: Windows always with CR LF, Posix by the file's own convention (see
// lineEndFor). Reading is the same everywhere: CR LF, a lone CR and a lone LF each end a line, since
// lists from the web end their lines with LF whatever system reads them.
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
template <typename OnLine> void forEachLine(std::string_view data, OnLine&& onLine) {
    if (data.empty())
        return;
    const char* p = data.data();
    const char* const end = p + data.size();
    auto next = [end](const char* from, char c) {
        const void* found = std::memchr(from, c, static_cast<size_t>(end - from));
        return found ? static_cast<const char*>(found) : end;
    };
    // The next CR and the next LF are each looked for once and kept until passed: a file of LF lines
    // has no CR, and one memchr call finds that for the whole text.
    const char* cr = next(p, '\r');
    const char* lf = next(p, '\n');
    while (p < end) {
        if (cr < p)
            cr = next(p, '\r');
        if (lf < p)
            lf = next(p, '\n');
        const char* lineEnd = cr < lf ? cr : lf;
        onLine(std::string_view(p, static_cast<size_t>(lineEnd - p)));
        if (lineEnd == end)
            return;
        p = lineEnd + 1;
        if (*lineEnd == '\r' && p < end && *p == '\n')
            ++p;
    }
}

// The line end to write into a file whose current contents begin with `head`: CR LF when the first
// line end there is CR LF (always on Windows), LF otherwise, also for an empty or new file.
LineEnd lineEndFor(std::string_view head, LineConvention convention);

inline std::string_view lineEndBytes(LineEnd end) {
    return end == LineEnd::CrLf ? "\r\n" : "\n";
}

} // namespace velmora
