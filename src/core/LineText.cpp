#include "core/LineText.h"

namespace velmora {

LineEnd lineEndFor(std::string_view head, LineConvention convention) {
    if (convention == LineConvention::Windows)
        return LineEnd::CrLf;
    const size_t pos = head.find_first_of("\r\n");
    if (pos != std::string_view::npos && head[pos] == '\r' && pos + 1 < head.size() && head[pos + 1] == '\n')
        return LineEnd::CrLf;
    return LineEnd::Lf;
}

} // namespace velmora
