#pragma once

#include "core/EntryList.h"

#include <string>
#include <vector>

namespace velmora::test {

using Lines = std::vector<std::string>;

inline EntryList listOf(const Lines& lines) {
    EntryList list;
    for (const std::string& line : lines)
        list.append(line);
    return list;
}

inline Lines linesOf(const LineSource& list) {
    Lines lines;
    for (int32_t i = 0; i < list.count(); ++i)
        lines.emplace_back(list.text(i));
    return lines;
}

} // namespace velmora::test
