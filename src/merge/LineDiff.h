#pragma once

#include "core/EntryList.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace velmora {

// One step of turning the lines before into the lines after.
struct DiffStep {
    enum Kind : char { Keep = ' ', Remove = '-', Add = '+' };
    Kind kind;
    int32_t before; // the line of before (Keep, Remove)
    int32_t after;  // the line of after (Keep, Add)
};

// The steps from before to after, exact bytes compared. Lines both have in the same order are kept;
// the rest are removed and added. Not always the shortest script where lines moved, but always a
// correct one, and linear in the lines: what a merge, a block update or a removal does (lines
// appended, a run replaced, runs dropped) comes out as exactly those lines.
std::vector<DiffStep> diffLines(const LineSource& before, const LineSource& after);

struct DiffCounts {
    int32_t added = 0;
    int32_t removed = 0;
};
DiffCounts countChanges(const std::vector<DiffStep>& steps);

// Writes each removed line as "-" + line and each added one as "+" + line, in order.
void writeChangedLines(std::ostream& out, const LineSource& before, const LineSource& after,
                       const std::vector<DiffStep>& steps);

// Writes the steps as a unified diff with three lines of context, headed by the two labels.
// Nothing at all when nothing changes.
void writeUnifiedDiff(std::ostream& out, const LineSource& before, const LineSource& after,
                      const std::vector<DiffStep>& steps, const std::string& beforeLabel,
                      const std::string& afterLabel);

} // namespace velmora
